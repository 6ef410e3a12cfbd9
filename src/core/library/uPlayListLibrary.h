#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/library/uTrackInfo.h"
#include "core/playlists/uM3U.h"

namespace orvanta {

class TCancelToken;
class TMyMediaDB;

// What the library holds of each of Paths, in order: nothing for a file it does not hold and
// for a stream, which is never looked up. One job's worth of indexed reads; a cancelled Cancel
// ends it early (TJobCancelled).
std::vector<std::optional<TTrackInfo>> LibraryTrackInfos(const std::vector<std::string>& Paths,
                                                         TMyMediaDB& MediaDB,
                                                         const TCancelToken& Cancel);

// The artist and title an M3U export writes for a file the library holds; the title alone
// when it knows no artist, nothing for a file it does not hold.
TM3UTagLookup LibraryM3UTags(TMyMediaDB& MediaDB);

} // namespace orvanta
