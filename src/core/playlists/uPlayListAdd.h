#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvanta {

class TPlayList;
class TPlayListManager;

// Appends Entries to List the way every add command does: nothing when its file could not be
// read, and each entry whose path the file cannot hold left out. Returns what was refused and
// why, a line each, or "" when everything was added.
std::string AddEntries(const TPlayListManager& Manager, TPlayList& List,
                       const std::vector<std::string>& Entries);

} // namespace orvanta
