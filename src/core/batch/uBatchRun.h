#pragma once

// Writing a planned batch: each file atomically, a journal first so that a batch cut short by
// a signal is finished or undone at the next start, and the library's rows and the playlists'
// entries following every rename.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/batch/uBatchPlan.h"

namespace orvanta {

class TMyMediaDB;

struct TBatchHooks {
    // Called before each file with the number of files done and the total.
    std::function<void(int Done, int Total, const std::string& Path)> Progress;
    // Asked between files: once true, the file in hand is finished and the batch ends there.
    std::function<bool()> Cancelled;
};

// Where a batch keeps its journal and what follows its renames.
struct TBatchTargets {
    // The program's home: the journal of the last batch lives there.
    std::string Home;
    // The library whose rows follow renames and take the new tags; may be null.
    TMyMediaDB* Library = nullptr;
};

struct TBatchFailure {
    std::string Path;
    std::string Error;
};

struct TBatchOutcome {
    int Written = 0;
    // Files whose plan asked for nothing their tag does not already hold.
    int Unchanged = 0;
    std::vector<TBatchFailure> Failed;
    // Renames done, old path to new path: the caller's playlists follow them.
    std::vector<std::pair<std::string, std::string>> Moves;
    bool Cancelled = false;
};

TBatchOutcome RunBatch(const TBatchPlan& Plan, const TBatchTargets& Targets,
                       const TBatchHooks& Hooks);

} // namespace orvanta
