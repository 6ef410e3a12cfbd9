#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "core/library/uLibraryWorker.h"

namespace orvanta {

class TMyMediaDB;

// The rows of "All" in title order, read ahead on a library worker.
struct TEarlyRows {
    // Filled once the worker has read them; left empty when the read failed or was
    // cancelled, and the list is then read as any other.
    std::shared_ptr<std::optional<std::vector<std::int64_t>>> Ids;
    TCancelToken Cancel;

    // The ids read, if any, once: on the worker's thread, by a job posted after the read.
    std::optional<std::vector<std::int64_t>> Take() const;
};

// My Music's reading worker, started before the window is built with the whole library's
// listing already under way, so that building the window and reading the first list overlap.
struct TListingStart {
    std::unique_ptr<TLibraryWorker> Reader;
    TEarlyRows All;
};

TListingStart StartListing(const TMyMediaDB& Library);

} // namespace orvanta
