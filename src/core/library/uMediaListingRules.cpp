#include "core/library/uMediaListingRules.h"

#include <algorithm>

#include "core/library/uMediaKeys.h"

namespace orvanta {

namespace {

const std::string& rowText(const std::vector<std::string>& Found, bool WithAll, int Row,
                           const std::string& All) {
    return WithAll ? (Row == 0 ? All : Found[static_cast<std::size_t>(Row - 1)])
                   : Found[static_cast<std::size_t>(Row)];
}

} // namespace

int RestoredEntry(const std::vector<std::string>& Found, bool WithAll, const std::string& Wanted) {
    const int rows = static_cast<int>(Found.size()) + (WithAll ? 1 : 0);
    const std::string all(AllArtistsEntry);
    for (int row = 0; row < rows; ++row)
        if (rowText(Found, WithAll, row, all) == Wanted)
            return row; // the first row is chosen anyway
    return rows == 0 ? -1 : 0;
}

TKeptEntry KeptEntry(const std::vector<std::string>& Found, bool WithAll, const std::string& Chosen,
                     int ChosenRow, bool Relist) {
    TKeptEntry kept;
    const int rows = static_cast<int>(Found.size()) + (WithAll ? 1 : 0);
    if (ChosenRow < 0)
        return kept;
    const std::string all(AllArtistsEntry);
    const std::string key = SortKey(Chosen);
    for (int row = 0; row < rows && kept.Row < 0; ++row)
        if (SortKey(rowText(Found, WithAll, row, all)) == key)
            kept.Row = row;
    const bool same = kept.Row >= 0;
    if (!same && rows > 0)
        kept.Row = std::min(ChosenRow, rows - 1);
    kept.ListAgain = Relist || !same;
    return kept;
}

} // namespace orvanta
