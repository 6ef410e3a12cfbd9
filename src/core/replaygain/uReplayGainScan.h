#pragma once

// Measuring tracks and albums and writing what they measured: the work behind orvanta-cli
// replaygain and My Music's "Calculate ReplayGain".
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/replaygain/uReplayGainTags.h"

namespace orvanta {

// Files measured together: an album, or tracks each on its own.
struct TGainGroup {
    std::vector<std::string> Paths;
    bool Album = false;
};

// What became of one file.
struct TGainResult {
    std::string Path;
    // Empty when the file was measured (and, when asked, written).
    std::string Error;
    double Loudness = 0;
    // Filled when measured; album values only for a file of an album.
    TMeasuredGain Values;
    // Its tag now holds different values than before.
    bool Written = false;
    bool Measured() const { return Error.empty(); }
};

struct TGainScanHooks {
    // Called before each file with the number of files done and the total.
    std::function<void(int Done, int Total, const std::string& Path)> Progress;
    // Asked between buffers and files; once true, the scan ends and writes nothing more.
    std::function<bool()> Cancelled;
};

// Measures each group's files in order and, with Write, writes their tags (WriteGainTags). An
// album's gain and peak are those of its measured files taken together; a file that could not be
// measured is named with its error and gets nothing. Files of a group are measured on up to
// Threads threads at a time. A cancelled scan returns the files finished before it, written or
// not as they were.
std::vector<TGainResult> ScanReplayGain(const std::vector<TGainGroup>& Groups, bool Write,
                                        const TGainScanHooks& Hooks, int Threads = 2);

} // namespace orvanta
