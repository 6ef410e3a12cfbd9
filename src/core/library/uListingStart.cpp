#include "core/library/uListingStart.h"

#include <utility>

#include "core/library/uTMyMediaDB.h"

namespace orvanta {

std::optional<std::vector<std::int64_t>> TEarlyRows::Take() const {
    if (!Ids)
        return std::nullopt;
    return std::exchange(*Ids, std::nullopt);
}

TListingStart StartListing(const TMyMediaDB& Library) {
    TListingStart start;
    // It only reads: opened read-only, it skips the checks of a writable open, which the
    // window's own connection has made already.
    start.Reader = std::make_unique<TLibraryWorker>(Library.FileName(), true);
    start.All.Ids = std::make_shared<std::optional<std::vector<std::int64_t>>>();
    // Not in a lane: the window's own first listing is posted behind it and takes its rows.
    start.All.Cancel =
        start.Reader->Post([ids = start.All.Ids](TMyMediaDB& Reader, const TCancelToken& Cancel) {
            *ids = Reader.ListingIds({}, RowCancelCheck(Cancel));
        });
    return start;
}

} // namespace orvanta
