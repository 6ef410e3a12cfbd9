#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/library/uTMyMediaDB.h"

namespace orvanta {

// The library's own queries, for tests that fake older or foreign files and look at the rows
// as they are stored.
struct TMyMediaDBTestAccess {
    static void OpenQuery(TMyMediaDB& DB, TEasyQuery& Query, const std::string& Statement,
                          std::vector<TEasyValue> Params = {}) {
        DB.OpenQuery(Query, Statement, std::move(Params));
    }
    static void ExecQuery(TMyMediaDB& DB, TEasyQuery& Query, const std::string& Statement,
                          std::vector<TEasyValue> Params = {}) {
        DB.ExecQuery(Query, Statement, std::move(Params));
    }
    static void SelectMedia(TMyMediaDB& DB, TEasyQuery& Query, std::string_view Directory,
                            std::string_view FileName) {
        DB.SelectMedia(Query, Directory, FileName);
    }
    static void SelectAllMedia(TMyMediaDB& DB, TEasyQuery& Query) { DB.SelectAllMedia(Query); }
    static void SelectMediaByArtist(TMyMediaDB& DB, TEasyQuery& Query, std::string_view Value) {
        DB.SelectMediaByArtist(Query, Value);
    }
    static void SelectMediaByAlbum(TMyMediaDB& DB, TEasyQuery& Query, std::string_view Value) {
        DB.SelectMediaByAlbum(Query, Value);
    }
    static void SelectMediaByGenre(TMyMediaDB& DB, TEasyQuery& Query, std::string_view Value) {
        DB.SelectMediaByGenre(Query, Value);
    }
    static void SelectListing(TMyMediaDB& DB, TEasyQuery& Query, const TMediaListing& Listing) {
        DB.SelectListing(Query, Listing);
    }
    static void SelectListingIds(TMyMediaDB& DB, TEasyQuery& Query, const TMediaListing& Listing) {
        DB.SelectListingIds(Query, Listing);
    }
};

} // namespace orvanta
