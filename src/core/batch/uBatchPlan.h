#pragma once

// A batch: tag edits and renames over many files, planned by the tag dialog and the tools
// (tags from names, names from tags, numbering, case and replace) and written by RunBatch.
#include <string>
#include <vector>

#include "core/metadata/uTagLibWrite.h"

namespace orvanta {

struct TBatchItem {
    // The file as it is now.
    std::string Path;
    // Only the keys (common spelling: TITLE, ALBUMARTIST, TRACKNUMBER...) and pictures named
    // here change; every other field and picture of the file stays byte for byte.
    TTagChanges Changes;
    // Where the file moves, folders created as needed; empty when it keeps its name.
    std::string NewPath;

    bool Renames() const { return !NewPath.empty() && NewPath != Path; }
    bool Edits() const {
        return !Changes.Fields.empty() || Changes.Pictures || Changes.RemoveID3v2;
    }
};

using TBatchPlan = std::vector<TBatchItem>;

} // namespace orvanta
