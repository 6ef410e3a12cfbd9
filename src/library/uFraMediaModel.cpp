#include "library/uFraMediaModel.h"

#include <QFont>

#include <algorithm>
#include <numeric>
#include <string_view>

#include "common/uDisplayUtils.h"
#include "library/uMediaKeys.h"
#include "playlists/uTPlayList.h"

namespace orvanta {

namespace {

QString fromStd(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

int compareNumbers(std::int64_t a, std::int64_t b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

const char* const Captions[TMediaListModel::ColumnCount] = {
    "Title", "Artist", "Album", "Year", "Genre", "Duration", "Quality", "Size", "#"};

const std::string& textOf(const TMediaItem& item, int column) {
    switch (column) {
    case 2:
        return item.Artist;
    case 3:
        return item.Album;
    case 4:
        return item.Year;
    case 5:
        return item.Genre;
    default:
        return item.Title;
    }
}

// Disc, then track: an album in the order it plays.
std::int64_t albumPlace(const TMediaItem& item) {
    return static_cast<std::int64_t>(item.Disc) * 100000 + item.Track;
}

} // namespace

std::string TMediaItem::FullPath() const {
    return JoinPath(Directory, FileName);
}

std::string TMediaItem::TrackEntry() const {
    return MakeTrackEntry(FullPath(), Seconds);
}

TMediaListModel::TMediaListModel(QObject* Parent)
    : QAbstractTableModel(Parent), FIcon(QStringLiteral(":/icons/track.svg")),
      FPlayingIcon(QStringLiteral(":/icons/play.svg")) {}

void TMediaListModel::SetPlayingPath(const std::string& Path) {
    FPlayingPath = Path;
    if (Count() > 0)
        emit dataChanged(index(0, 0), index(Count() - 1, ColumnCount - 1),
                         {Qt::FontRole, Qt::DecorationRole});
}

void TMediaListModel::SetSource(TMediaFetch Fetch, TMediaRanks Ranks) {
    FFetch = std::move(Fetch);
    FRanks = std::move(Ranks);
}

void TMediaListModel::SetIds(std::vector<std::int64_t> Ids) {
    beginResetModel();
    FEntries.clear();
    FEntries.resize(Ids.size());
    for (std::size_t i = 0; i < Ids.size(); ++i)
        FEntries[i].Id = Ids[i];
    FCached = 0;
    endResetModel();
}

void TMediaListModel::SetItems(std::vector<TMediaItem> Items) {
    beginResetModel();
    FEntries.clear();
    FCached = 0;
    FEntries.reserve(Items.size());
    for (TMediaItem& item : Items) {
        const std::int64_t id = item.Id;
        FEntries.push_back({id, std::make_unique<TMediaItem>(std::move(item))});
    }
    endResetModel();
}

void TMediaListModel::Append(std::vector<TMediaItem> Items) {
    if (Items.empty())
        return;
    const int first = Count();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(Items.size()) - 1);
    for (TMediaItem& item : Items) {
        const std::int64_t id = item.Id;
        FEntries.push_back({id, std::make_unique<TMediaItem>(std::move(item))});
    }
    endInsertRows();
}

void TMediaListModel::RemoveRows(std::vector<int> Rows) {
    std::sort(Rows.begin(), Rows.end());
    // Runs of adjacent rows go in one step, the last run first so earlier rows keep their place.
    std::size_t end = Rows.size();
    while (end > 0) {
        std::size_t begin = end - 1;
        while (begin > 0 && Rows[begin - 1] == Rows[begin] - 1)
            --begin;
        const int first = Rows[begin];
        const int last = Rows[end - 1];
        beginRemoveRows(QModelIndex(), first, last);
        FEntries.erase(FEntries.begin() + first, FEntries.begin() + last + 1);
        endRemoveRows();
        end = begin;
    }
}

const TMediaItem& TMediaListModel::Item(int Row) const {
    TEntry& entry = FEntries[static_cast<size_t>(Row)];
    if (!entry.Item)
        load(Row);
    return *entry.Item;
}

void TMediaListModel::load(int Row) const {
    constexpr int Page = 256;
    // Rows read earlier go when too many are kept; those given whole stay.
    if (FFetch && !FHold && FCached + Page > CacheLimit) {
        for (TEntry& entry : FEntries)
            if (entry.Id != 0)
                entry.Item.reset();
        FCached = 0;
    }
    const int first = Row / Page * Page;
    const int last = std::min(Count(), first + Page);
    std::vector<std::int64_t> ids;
    std::vector<int> rows;
    for (int row = first; row < last; ++row) {
        if (FEntries[static_cast<size_t>(row)].Item)
            continue;
        ids.push_back(FEntries[static_cast<size_t>(row)].Id);
        rows.push_back(row);
    }
    std::vector<TMediaItem> items;
    if (FFetch)
        items = FFetch(ids);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        TEntry& entry = FEntries[static_cast<size_t>(rows[i])];
        entry.Item =
            std::make_unique<TMediaItem>(i < items.size() ? std::move(items[i]) : TMediaItem());
        entry.Item->Id = entry.Id;
    }
    FCached += static_cast<int>(rows.size());
}

void TMediaListModel::UpdateItem(int Row, const TMediaItem& Item) {
    if (Row < 0 || Row >= Count())
        return;
    TEntry& entry = FEntries[static_cast<size_t>(Row)];
    if (!entry.Item)
        ++FCached;
    entry.Item = std::make_unique<TMediaItem>(Item);
    entry.Item->Id = entry.Id;
    emit dataChanged(index(Row, 0), index(Row, ColumnCount - 1));
}

int TMediaListModel::Compare(const TMediaItem& A, const TMediaItem& B, int SortState) {
    int result = 0;
    switch (SortState < 0 ? -SortState : SortState) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5: {
        const int column = SortState < 0 ? -SortState : SortState;
        result = SortKey(textOf(A, column)).compare(SortKey(textOf(B, column)));
        break;
    }
    case 6:
        // Time order, also beyond 99 hours where the text would no longer sort.
        result = compareNumbers(A.Seconds, B.Seconds);
        break;
    case 7:
        result = compareNumbers(A.Quality, B.Quality);
        break;
    case 8:
        result = compareNumbers(A.FileSize, B.FileSize);
        break;
    case 9:
        result = compareNumbers(albumPlace(A), albumPlace(B));
        break;
    default:
        break;
    }
    return SortState < 0 ? -result : result;
}

bool TMediaListModel::sortByRanks(int SortState, std::vector<int>& Order) {
    if (Count() <= InMemorySortLimit || !FRanks)
        return false;
    const std::vector<std::int64_t> ordered = FRanks(SortState < 0 ? -SortState : SortState);
    if (ordered.empty())
        return false;
    std::int64_t largest = 0;
    for (const TEntry& entry : FEntries)
        largest = std::max(largest, entry.Id);
    // Ids far beyond the count of rows (set by another program) are not worth a table.
    if (largest > 4 * static_cast<std::int64_t>(Count()) + 1000000)
        return false;
    // The rows in the library's order, read off in one pass; rows it does not know (any
    // more) keep their order after them.
    std::vector<int> rowOf = std::move(FSortRowOf);
    rowOf.assign(static_cast<std::size_t>(largest) + 1, -1);
    std::vector<int> rest;
    for (int row = 0; row < Count(); ++row) {
        const std::int64_t id = FEntries[static_cast<size_t>(row)].Id;
        std::int32_t& slot = rowOf[static_cast<std::size_t>(std::max<std::int64_t>(id, 0))];
        if (id <= 0 || slot >= 0)
            rest.push_back(row);
        else
            slot = row;
    }
    Order.clear();
    for (const std::int64_t id : ordered) {
        if (id <= 0 || id > largest)
            continue;
        std::int32_t& slot = rowOf[static_cast<std::size_t>(id)];
        if (slot >= 0) {
            Order.push_back(slot);
            slot = -1;
        }
    }
    for (int row = 0; row < Count(); ++row) {
        const std::int64_t id = FEntries[static_cast<size_t>(row)].Id;
        if (id > 0 && rowOf[static_cast<std::size_t>(id)] == row)
            rest.push_back(row); // not in the library's answer
    }
    std::sort(rest.begin(), rest.end());
    if (SortState < 0)
        std::reverse(Order.begin(), Order.end());
    Order.insert(Order.end(), rest.begin(), rest.end());
    FSortRowOf = std::move(rowOf);
    return true;
}

void TMediaListModel::Sort(int SortState) {
    std::vector<int> order = std::move(FSortOrder);
    order.resize(FEntries.size());
    std::iota(order.begin(), order.end(), 0);
    if (!sortByRanks(SortState, order)) {
        // Every row is read and kept while the rows' texts are compared.
        FHold = true;
        const int column = SortState < 0 ? -SortState : SortState;
        const bool descending = SortState < 0;
        if (column >= 1 && column <= 5) {
            // One key per row instead of one per comparison; std::string compares its bytes
            // as unsigned values, as the keys require.
            std::vector<std::string> keys;
            keys.reserve(FEntries.size());
            for (int row = 0; row < Count(); ++row)
                keys.push_back(SortKey(textOf(Item(row), column)));
            std::stable_sort(order.begin(), order.end(), [&keys, descending](int a, int b) {
                return descending ? keys[static_cast<size_t>(b)] < keys[static_cast<size_t>(a)]
                                  : keys[static_cast<size_t>(a)] < keys[static_cast<size_t>(b)];
            });
        } else {
            for (int row = 0; row < Count(); ++row)
                Item(row);
            std::stable_sort(order.begin(), order.end(), [this, SortState](int a, int b) {
                return Compare(*FEntries[static_cast<size_t>(a)].Item,
                               *FEntries[static_cast<size_t>(b)].Item, SortState) < 0;
            });
        }
        FHold = false;
    }
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<TEntry> sorted = std::move(FSortEntries);
    sorted.clear();
    sorted.reserve(FEntries.size());
    for (const int row : order)
        sorted.push_back(std::move(FEntries[static_cast<size_t>(row)]));
    // The order turns into the new row of each old row, the old order kept meanwhile in the
    // row table's memory.
    std::vector<int>& newRowOf = order;
    {
        std::vector<int> oldRows = std::move(FSortRowOf);
        oldRows.assign(order.begin(), order.end());
        for (std::size_t i = 0; i < oldRows.size(); ++i)
            newRowOf[static_cast<size_t>(oldRows[i])] = static_cast<int>(i);
        FSortRowOf = std::move(oldRows);
    }
    FEntries.swap(sorted);
    sorted.clear();
    FSortEntries = std::move(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before)
        after << index(newRowOf[static_cast<size_t>(old.row())], old.column());
    changePersistentIndexList(before, after);
    FSortOrder = std::move(order);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int TMediaListModel::rowCount(const QModelIndex& Parent) const {
    return Parent.isValid() ? 0 : Count();
}

int TMediaListModel::columnCount(const QModelIndex& Parent) const {
    return Parent.isValid() ? 0 : ColumnCount;
}

QVariant TMediaListModel::data(const QModelIndex& Index, int Role) const {
    if (!Index.isValid() || Index.row() >= Count())
        return {};
    const TMediaItem& item = Item(Index.row());
    const bool playing = (Role == Qt::DecorationRole || Role == Qt::FontRole) &&
                         !FPlayingPath.empty() && item.FullPath() == FPlayingPath;
    if (Role == Qt::DecorationRole && Index.column() == colTitle)
        return playing ? FPlayingIcon : FIcon;
    if (Role == Qt::FontRole && playing) {
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    if (Role != Qt::DisplayRole)
        return {};
    switch (Index.column()) {
    case colTitle:
        return QStringLiteral(" ") + fromStd(item.Title);
    case colArtist:
        return fromStd(item.Artist);
    case colAlbum:
        return fromStd(item.Album);
    case colYear:
        return fromStd(item.Year);
    case colGenre:
        return fromStd(item.Genre);
    case colDuration:
        return fromStd(FormatDuration(item.Seconds));
    case colQuality:
        return QString::number(item.Quality);
    case colSize:
        return fromStd(FormatFileSize(item.FileSize));
    case colTrack:
        return item.Track > 0 ? QString::number(item.Track) : QString();
    default:
        return {};
    }
}

QVariant TMediaListModel::headerData(int Section, Qt::Orientation Orientation, int Role) const {
    if (Orientation != Qt::Horizontal || Role != Qt::DisplayRole || Section < 0 ||
        Section >= ColumnCount)
        return {};
    return QString::fromLatin1(Captions[Section]);
}

} // namespace orvanta
