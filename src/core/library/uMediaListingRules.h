#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/library/uTMyMediaDB.h"

namespace orvanta {

// The first entry of the artists' filter list, which lists every row.
inline constexpr std::string_view AllArtistsEntry = "All";

inline bool SameListing(const TMediaListing& A, const TMediaListing& B) {
    return A.Kind == B.Kind && A.Value == B.Value && A.Words == B.Words;
}

// The rows of a filter list are Found's values, after "All" when WithAll.

// The entry a restored choice picks once its filter list arrived: Wanted where it is listed
// after the first row, else the first row; -1 for an empty list.
int RestoredEntry(const std::vector<std::string>& Found, bool WithAll, const std::string& Wanted);

// The entry kept when a filter list read again arrives, and whether its rows are read again.
struct TKeptEntry {
    int Row = -1;
    bool ListAgain = false;
};
// Chosen was chosen at ChosenRow before (-1: nothing was). The same value in another spelling
// (an equal SortKey) is the same entry; a value gone leaves its place to the entry that took
// it. The rows are read again when Relist asks for it or the entry is another one.
TKeptEntry KeptEntry(const std::vector<std::string>& Found, bool WithAll, const std::string& Chosen,
                     int ChosenRow, bool Relist);

// Whether a remembered choice is what the first fill shows anyway, so it is not read a second
// time: the kind shown (SameKind), its first entry or none, in the order rows arrive.
inline bool FirstFillShows(bool SameKind, bool Artists, std::string_view Value, int SortState) {
    return SameKind && (SortState == 0 || SortState == 1) &&
           (Value.empty() || (Artists && Value == AllArtistsEntry));
}

} // namespace orvanta
