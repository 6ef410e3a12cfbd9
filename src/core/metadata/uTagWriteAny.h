#pragma once

// One writer of tag changes for every format: MP3 through its own ID3v2 code, the others
// through TagLib; and the reader of the values those changes touch, so that a batch can keep
// what it replaces and tell a file that already holds what it asks.
#include <string>
#include <vector>

#include "core/metadata/uTagFieldValues.h"
#include "core/metadata/uTagLibWrite.h"

namespace orvanta {

// The values of some keys of a file's tag, and its pictures when asked.
struct TTagState {
    TAudioFormat Format = TAudioFormat::Unknown;
    // Every key asked, with its values in order (none when the tag lacks it).
    TFieldValues Fields;
    std::vector<TPicture> Pictures;
};

// Reads Keys (common spelling) of the file at Path, and its pictures when WithPictures. False,
// with Error naming the file and the reason, when it cannot be read.
[[nodiscard]] bool ReadTagState(const std::string& Path, const std::vector<std::string>& Keys,
                                bool WithPictures, TTagState& State, std::string& Error);

// Whether Values read back from a tag are what Wanted asked for Key: track and disc numbers
// compare as numbers ("03" is 3, and so is "3/12").
bool SameTagValues(const std::string& Key, const std::vector<std::string>& Values,
                   const std::vector<std::string>& Wanted);

// The keys Changes names, in order.
std::vector<std::string> ChangedKeys(const TTagChanges& Changes);

enum class TTagWrite { Written, Unchanged, Failed };

// Saves Changes into the file at Path of any format: only the keys whose values differ from the
// file's are written; a file that already holds them all is not touched (Unchanged). A new track
// or disc number keeps the total the file holds unless one is given. Every write replaces the
// file by a complete new one or changes nothing (an MP3 tag that fits its old place is written
// over it in one write of at most a page). A file with other hard links is refused. On failure
// the file keeps every byte and Error names the file and the reason.
[[nodiscard]] TTagWrite WriteTagChangesAny(const std::string& Path, const TTagChanges& Changes,
                                           std::string& Error);

} // namespace orvanta
