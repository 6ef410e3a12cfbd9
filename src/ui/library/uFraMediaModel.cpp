#include "ui/library/uFraMediaModel.h"

#include <QFont>
#include <QTimer>

#include <algorithm>
#include <numeric>
#include <string_view>

#include "core/common/uDisplayUtils.h"
#include "core/library/uMediaKeys.h"

namespace orvanta {

namespace {

QString fromStd(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

int compareNumbers(std::int64_t a, std::int64_t b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

// How each column shows and orders a record: its text (sorted by its SortKey), or its number.
struct TColumnField {
    const char* Caption;
    const std::string& (*Text)(const TMediaRecord&);
    std::int64_t (*Number)(const TMediaRecord&);
};

template <const std::string TMediaRecord::*Field> const std::string& textOf(const TMediaRecord& r) {
    return r.*Field;
}

const TColumnField Columns[TMediaListModel::ColumnCount] = {
    {"Title", textOf<&TMediaRecord::Title>, nullptr},
    {"Artist", textOf<&TMediaRecord::Artist>, nullptr},
    {"Album", textOf<&TMediaRecord::Album>, nullptr},
    {"Year", textOf<&TMediaRecord::Year>, nullptr},
    {"Genre", textOf<&TMediaRecord::Genre>, nullptr},
    // Time order, also beyond 99 hours where the text would no longer sort.
    {"Duration", nullptr, [](const TMediaRecord& r) -> std::int64_t { return r.Seconds; }},
    {"Quality", nullptr, [](const TMediaRecord& r) -> std::int64_t { return r.Quality; }},
    {"Size", nullptr, [](const TMediaRecord& r) { return r.Stamp.FileSize; }},
    // Disc, then track, within each album (see albumOrderKey): an album in the order it plays.
    {"#", nullptr,
     [](const TMediaRecord& r) {
         return static_cast<std::int64_t>(r.Numbers.Disc) * 100000 + r.Numbers.Track;
     }},
    {"Format", textOf<&TMediaRecord::Format>, nullptr},
    {"Album Artist",
     [](const TMediaRecord& r) -> const std::string& { return r.Numbers.AlbumArtist; }, nullptr},
};

// The field of a sort state's column (numbered from 1, negative descending); null for none.
const TColumnField* sortField(int SortState) {
    const int column = (SortState < 0 ? -SortState : SortState) - 1;
    return column >= 0 && column < TMediaListModel::ColumnCount ? &Columns[column] : nullptr;
}

bool sortsByAlbum(int SortState) {
    return (SortState < 0 ? -SortState : SortState) - 1 == TMediaListModel::colTrack;
}

// The album's key, then disc and track as bytes that compare as the numbers do: the order the
// library's index gives the "#" column.
std::string albumOrderKey(const TMediaRecord& Row) {
    std::string key = SortKey(Row.Album);
    key += '\0';
    const auto number = static_cast<std::uint64_t>(Columns[TMediaListModel::colTrack].Number(Row));
    for (int shift = 56; shift >= 0; shift -= 8)
        key += static_cast<char>((number >> shift) & 0xFF);
    return key;
}

// The key a column's rows sort by when the column is one of texts, or "#".
std::string textSortKey(const TColumnField& Field, int SortState, const TMediaRecord& Row) {
    return sortsByAlbum(SortState) ? albumOrderKey(Row) : SortKey(Field.Text(Row));
}

} // namespace

TMediaListModel::TMediaListModel(QObject* Parent)
    : QAbstractTableModel(Parent), FIcon(QStringLiteral(":/icons/track.svg")),
      FPlayingIcon(QStringLiteral(":/icons/play.svg")) {
    FRevealTimer = new QTimer(this);
    FRevealTimer->setSingleShot(true);
    FRevealTimer->setInterval(0);
    connect(FRevealTimer, &QTimer::timeout, this, &TMediaListModel::revealNext);
}

void TMediaListModel::SetPlayingPath(const std::string& Path) {
    FPlayingPath = Path;
    if (FShown > 0)
        emit dataChanged(index(0, 0), index(FShown - 1, ColumnCount - 1),
                         {Qt::FontRole, Qt::DecorationRole});
}

void TMediaListModel::SetSource(TMediaFetch Fetch, TMediaRanks Ranks, TMediaBackground Background) {
    FFetch = std::move(Fetch);
    FRanks = std::move(Ranks);
    FBackground = std::move(Background);
}

void TMediaListModel::SetIds(std::vector<std::int64_t> Ids, std::vector<TMediaItem> Read) {
    ++FSortGeneration;
    FSortPending = false;
    beginResetModel();
    // Taken as they are: copying a million ids into fresh memory would hold up the window.
    FKeys = std::move(Ids);
    FItems.clear();
    FCached = 0;
    for (TMediaItem& item : Read)
        if (item.Id > 0 &&
            FItems.emplace(item.Id, std::make_unique<TMediaItem>(std::move(item))).second)
            ++FCached;
    endReset();
    prepareSortMemory();
}

void TMediaListModel::endReset() {
    FShown = std::min(Count(), std::max(RevealStep, FShownMost));
    endResetModel();
    revealLater();
}

void TMediaListModel::prepareSortMemory() {
    const std::size_t rows = FKeys.size();
    if (!FBackground || rows == 0 || static_cast<int>(rows) <= InMemorySortLimit ||
        FSortOrder.capacity() >= rows || FSortMemoryAsked >= rows)
        return;
    FSortMemoryAsked = rows;
    const std::size_t ids =
        static_cast<std::size_t>(std::max<std::int64_t>(0, *std::ranges::max_element(FKeys))) + 1;
    struct TSortMemory {
        std::vector<int> Order;
        std::vector<int> RowOf;
        std::vector<std::int64_t> Keys;
    };
    auto memory = std::make_shared<TSortMemory>();
    FBackground(
        [memory, rows, ids] {
            memory->Order.resize(rows);
            memory->RowOf.resize(std::min(ids, 4 * rows + 1000001));
            memory->Keys.resize(rows);
        },
        [this, memory] {
            // Sorts run whole on this thread, so none holds the memory now.
            if (memory->Order.capacity() > FSortOrder.capacity()) {
                FSortOrder = std::move(memory->Order);
                FSortRowOf = std::move(memory->RowOf);
                FSortKeys = std::move(memory->Keys);
            }
        });
}

void TMediaListModel::keep(TMediaItem&& Item) {
    const std::int64_t key = Item.Id > 0 ? Item.Id : --FLastOwnKey;
    FKeys.push_back(key);
    FItems[key] = std::make_unique<TMediaItem>(std::move(Item));
}

void TMediaListModel::SetItems(std::vector<TMediaItem> Items) {
    ++FSortGeneration;
    FSortPending = false;
    beginResetModel();
    FKeys.clear();
    FItems.clear();
    FCached = 0;
    FKeys.reserve(Items.size());
    for (TMediaItem& item : Items)
        keep(std::move(item));
    endReset();
}

void TMediaListModel::Append(std::vector<TMediaItem> Items) {
    if (Items.empty())
        return;
    // While a list is still being shown, the new rows are shown with the rest.
    const bool shownWhole = FShown == Count();
    for (TMediaItem& item : Items)
        keep(std::move(item));
    if (shownWhole)
        showUpTo(Count());
}

void TMediaListModel::revealLater() {
    if (FShown < Count())
        FRevealTimer->start();
    else
        FRevealTimer->stop();
}

void TMediaListModel::showUpTo(int Rows) {
    if (Rows <= FShown)
        return;
    beginInsertRows(QModelIndex(), FShown, Rows - 1);
    FShown = Rows;
    FShownMost = std::max(FShownMost, FShown);
    endInsertRows();
}

void TMediaListModel::revealNext() {
    showUpTo(std::min(Count(), FShown + std::max(1, RevealStep)));
    revealLater();
}

void TMediaListModel::revealAll() {
    FRevealTimer->stop();
    showUpTo(Count());
}

void TMediaListModel::RemoveRows(std::vector<int> Rows) {
    revealAll();
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
        // A removed library row's id may be given to a new row later.
        for (int row = first; row <= last; ++row)
            if (FItems.erase(FKeys[static_cast<size_t>(row)]) > 0 &&
                FKeys[static_cast<size_t>(row)] > 0)
                FCached = std::max(0, FCached - 1);
        FKeys.erase(FKeys.begin() + first, FKeys.begin() + last + 1);
        FShown = Count();
        endRemoveRows();
        end = begin;
    }
}

const TMediaItem& TMediaListModel::Item(int Row) const {
    const std::int64_t key = FKeys[static_cast<size_t>(Row)];
    auto found = FItems.find(key);
    if (found == FItems.end()) {
        load(Row);
        found = FItems.find(key);
        if (found == FItems.end()) // no source to read from
            found = FItems.emplace(key, std::make_unique<TMediaItem>()).first;
    }
    return *found->second;
}

void TMediaListModel::load(int Row) const {
    constexpr int Page = FetchPage;
    // Rows read earlier go when too many are kept; those given whole without an id stay.
    if (FFetch && !FHold && FCached + Page > CacheLimit) {
        std::erase_if(FItems, [](const auto& item) { return item.first > 0; });
        FCached = 0;
    }
    const int first = Row / Page * Page;
    const int last = std::min(Count(), first + Page);
    std::vector<std::int64_t> ids;
    for (int row = first; row < last; ++row) {
        const std::int64_t key = FKeys[static_cast<size_t>(row)];
        if (key > 0 && !FItems.contains(key))
            ids.push_back(key);
    }
    std::vector<TMediaItem> items;
    if (FFetch)
        items = FFetch(ids);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        auto& item = FItems[ids[i]];
        if (!item)
            ++FCached;
        item = std::make_unique<TMediaItem>(i < items.size() ? std::move(items[i]) : TMediaItem());
        item->Id = ids[i];
    }
}

void TMediaListModel::UpdateItem(int Row, const TMediaItem& Item) {
    if (Row < 0 || Row >= Count())
        return;
    const std::int64_t key = FKeys[static_cast<size_t>(Row)];
    auto& item = FItems[key];
    if (!item && key > 0)
        ++FCached;
    item = std::make_unique<TMediaItem>(Item);
    item->Id = std::max<std::int64_t>(key, 0);
    if (Row < FShown)
        emit dataChanged(index(Row, 0), index(Row, ColumnCount - 1));
}

int TMediaListModel::Compare(const TMediaItem& A, const TMediaItem& B, int SortState) {
    const TColumnField* field = sortField(SortState);
    if (field == nullptr)
        return 0;
    const int result =
        field->Text || sortsByAlbum(SortState)
            ? textSortKey(*field, SortState, A).compare(textSortKey(*field, SortState, B))
            : compareNumbers(field->Number(A), field->Number(B));
    return SortState < 0 ? -result : result;
}

bool TMediaListModel::sortByRanks(int SortState, const std::vector<std::int64_t>& ordered,
                                  std::vector<int>& Order) {
    if (ordered.empty())
        return false;
    std::int64_t largest = 0;
    for (const std::int64_t key : FKeys)
        largest = std::max(largest, key);
    // Ids far beyond the count of rows (set by another program) are not worth a table.
    if (largest > 4 * static_cast<std::int64_t>(Count()) + 1000000)
        return false;
    // The rows in the library's order, read off in one pass; rows it does not know (any
    // more) keep their order after them.
    std::vector<int> rowOf = std::move(FSortRowOf);
    rowOf.assign(static_cast<std::size_t>(largest) + 1, -1);
    std::vector<int> rest;
    for (int row = 0; row < Count(); ++row) {
        const std::int64_t id = FKeys[static_cast<size_t>(row)];
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
        const std::int64_t id = FKeys[static_cast<size_t>(row)];
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
    const std::uint64_t generation = ++FSortGeneration;
    FSortPending = false;
    if (Count() <= InMemorySortLimit || !FRanks) {
        sortNow(SortState, nullptr);
        return;
    }
    FSortPending = true;
    FRanks(SortState < 0 ? -SortState : SortState,
           [this, generation, SortState](std::vector<std::int64_t> Ranked) {
               if (generation != FSortGeneration)
                   return;
               FSortPending = false;
               sortNow(SortState, &Ranked);
           });
}

void TMediaListModel::sortNow(int SortState, const std::vector<std::int64_t>* Ranked) {
    revealAll();
    std::vector<int> order = std::move(FSortOrder);
    order.resize(FKeys.size());
    std::iota(order.begin(), order.end(), 0);
    if (!Ranked || !sortByRanks(SortState, *Ranked, order)) {
        // Every row is read and kept while the rows' texts are compared.
        FHold = true;
        std::vector<const TMediaItem*> items(FKeys.size());
        for (int row = 0; row < Count(); ++row)
            items[static_cast<size_t>(row)] = &Item(row);
        const TColumnField* field = sortField(SortState);
        const bool descending = SortState < 0;
        if (field != nullptr && (field->Text != nullptr || sortsByAlbum(SortState))) {
            // One key per row instead of one per comparison; std::string compares its bytes
            // as unsigned values, as the keys require.
            std::vector<std::string> keys;
            keys.reserve(items.size());
            for (const TMediaItem* item : items)
                keys.push_back(textSortKey(*field, SortState, *item));
            std::stable_sort(order.begin(), order.end(), [&keys, descending](int a, int b) {
                return descending ? keys[static_cast<size_t>(b)] < keys[static_cast<size_t>(a)]
                                  : keys[static_cast<size_t>(a)] < keys[static_cast<size_t>(b)];
            });
        } else {
            std::stable_sort(order.begin(), order.end(), [&items, SortState](int a, int b) {
                return Compare(*items[static_cast<size_t>(a)], *items[static_cast<size_t>(b)],
                               SortState) < 0;
            });
        }
        FHold = false;
    }
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<std::int64_t> sorted = std::move(FSortKeys);
    sorted.clear();
    sorted.reserve(FKeys.size());
    for (const int row : order)
        sorted.push_back(FKeys[static_cast<size_t>(row)]);
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
    FKeys.swap(sorted);
    FSortKeys = std::move(sorted);
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
    return Parent.isValid() ? 0 : FShown;
}

int TMediaListModel::columnCount(const QModelIndex& Parent) const {
    return Parent.isValid() ? 0 : ColumnCount;
}

QVariant TMediaListModel::data(const QModelIndex& Index, int Role) const {
    if (!Index.isValid() || Index.row() >= FShown)
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
    case colDuration:
        return fromStd(FormatDuration(item.Seconds));
    case colQuality:
        return QString::number(item.Quality);
    case colSize:
        return fromStd(FormatFileSize(item.Stamp.FileSize));
    case colTrack:
        return item.Numbers.Track > 0 ? QString::number(item.Numbers.Track) : QString();
    default:
        if (Index.column() >= 0 && Index.column() < ColumnCount && Columns[Index.column()].Text)
            return fromStd(Columns[Index.column()].Text(item));
        return {};
    }
}

QVariant TMediaListModel::headerData(int Section, Qt::Orientation Orientation, int Role) const {
    if (Orientation != Qt::Horizontal || Role != Qt::DisplayRole || Section < 0 ||
        Section >= ColumnCount)
        return {};
    return QString::fromLatin1(Columns[Section].Caption);
}

} // namespace orvanta
