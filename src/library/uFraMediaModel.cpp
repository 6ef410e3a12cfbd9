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

void TMediaListModel::SetItems(std::vector<TMediaItem> Items) {
    beginResetModel();
    FItems = std::move(Items);
    endResetModel();
}

void TMediaListModel::Append(std::vector<TMediaItem> Items) {
    if (Items.empty())
        return;
    const int first = Count();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(Items.size()) - 1);
    std::move(Items.begin(), Items.end(), std::back_inserter(FItems));
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
        FItems.erase(FItems.begin() + first, FItems.begin() + last + 1);
        endRemoveRows();
        end = begin;
    }
}

void TMediaListModel::UpdateItem(int Row, const TMediaItem& Item) {
    if (Row < 0 || Row >= Count())
        return;
    FItems[static_cast<size_t>(Row)] = Item;
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

void TMediaListModel::Sort(int SortState) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> order(FItems.size());
    std::iota(order.begin(), order.end(), 0);
    const int column = SortState < 0 ? -SortState : SortState;
    const bool descending = SortState < 0;
    if (column >= 1 && column <= 5) {
        // One key per row instead of one per comparison; std::string compares its bytes as
        // unsigned values, as the keys require.
        std::vector<std::string> keys;
        keys.reserve(FItems.size());
        for (const TMediaItem& item : FItems)
            keys.push_back(SortKey(textOf(item, column)));
        std::stable_sort(order.begin(), order.end(), [&keys, descending](int a, int b) {
            return descending ? keys[static_cast<size_t>(b)] < keys[static_cast<size_t>(a)]
                              : keys[static_cast<size_t>(a)] < keys[static_cast<size_t>(b)];
        });
    } else {
        std::stable_sort(order.begin(), order.end(), [this, SortState](int a, int b) {
            return Compare(FItems[static_cast<size_t>(a)], FItems[static_cast<size_t>(b)],
                           SortState) < 0;
        });
    }
    std::vector<TMediaItem> sorted;
    sorted.reserve(FItems.size());
    std::vector<int> newRowOf(FItems.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        sorted.push_back(std::move(FItems[static_cast<size_t>(order[i])]));
        newRowOf[static_cast<size_t>(order[i])] = static_cast<int>(i);
    }
    FItems = std::move(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before)
        after << index(newRowOf[static_cast<size_t>(old.row())], old.column());
    changePersistentIndexList(before, after);
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
