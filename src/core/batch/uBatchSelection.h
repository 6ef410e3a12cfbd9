#pragma once

// What the tag dialog over several files starts from, read in one pass off the window's thread:
// what each file shows in the fields, and the values the tools plan from.
#include <string>
#include <vector>

#include "core/batch/uBatchFields.h"
#include "core/batch/uBatchRun.h"
#include "core/batch/uBatchSource.h"

namespace orvanta {

struct TBatchSelection {
    // In the order of the paths asked for.
    std::vector<TBatchFile> Files;
    std::vector<TBatchSource> Sources;
    // The cover the files share, or not: comparing ten thousand covers takes a frame.
    TSharedCover Cover;
    // Why the first file that could not be read was not, naming it; Files and Sources are then
    // empty, as they are when the read was cancelled.
    std::string Error;
    bool Cancelled = false;
};

// Reads every file of Paths on a few threads, reporting progress and asking Cancelled between
// files.
TBatchSelection ReadBatchSelection(const std::vector<std::string>& Paths, const TBatchHooks& Hooks);

} // namespace orvanta
