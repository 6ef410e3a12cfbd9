#include "ui/playlists/uFraPlayListsModel.h"

#include <QDataStream>
#include <QFont>
#include <QIODevice>
#include <QMimeData>
#include <algorithm>
#include <set>

#include "core/common/uDisplayUtils.h"
#include "ui/common/uTrackDrag.h"

namespace orvanta {

namespace {
// Rows dragged within the list: their numbers, which mean nothing to another list.
const QString RowsMimeType = QStringLiteral("application/x-orvanta-playlist-rows");
} // namespace

TTrackListModel::TTrackListModel(QObject* Parent)
    : QAbstractTableModel(Parent), FIcon(QStringLiteral(":/icons/track.svg")),
      FPlayingIcon(QStringLiteral(":/icons/play.svg")) {}

void TTrackListModel::SetPlayingPath(const QString& Path) {
    FPlayingPath = Path;
    if (!FRows.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, colCount - 1),
                         {Qt::FontRole, Qt::DecorationRole});
}

void TTrackListModel::SetRows(std::vector<TRow> Rows) {
    beginResetModel();
    FRows = std::move(Rows);
    ++FGeneration;
    endResetModel();
}

void TTrackListModel::SetLibraryInfo(std::uint64_t ForGeneration,
                                     const std::vector<std::optional<TTrackInfo>>& Infos) {
    if (ForGeneration != FGeneration || Infos.size() != FRows.size() || FRows.empty())
        return;
    for (std::size_t i = 0; i < FRows.size(); ++i) {
        if (!Infos[i])
            continue;
        TRow& row = FRows[i];
        row.Artist = QString::fromStdString(Infos[i]->Artist);
        row.Album = QString::fromStdString(Infos[i]->Album);
        row.TrackTitle = QString::fromStdString(Infos[i]->Title);
        if (row.Untimed && Infos[i]->Seconds > 0)
            row.Duration = QString::fromStdString(FormatDuration(Infos[i]->Seconds));
    }
    emit dataChanged(index(0, colDuration), index(rowCount() - 1, colCount - 1), {Qt::DisplayRole});
}

int TTrackListModel::rowCount(const QModelIndex& Parent) const {
    return Parent.isValid() ? 0 : static_cast<int>(FRows.size());
}

int TTrackListModel::columnCount(const QModelIndex& Parent) const {
    return Parent.isValid() ? 0 : colCount;
}

QVariant TTrackListModel::data(const QModelIndex& Index, int Role) const {
    if (!Index.isValid() || Index.row() >= rowCount())
        return {};
    const TRow& row = Row(Index.row());
    if (Role == Qt::DisplayRole) {
        switch (Index.column()) {
        case colTitle:
            return row.Caption;
        case colDuration:
            return row.Duration;
        case colArtist:
            return row.Artist;
        case colAlbum:
            return row.Album;
        default:
            return row.TrackTitle;
        }
    }
    const bool playing = !FPlayingPath.isEmpty() && row.Path == FPlayingPath;
    if (Role == Qt::DecorationRole && Index.column() == colTitle)
        return playing ? FPlayingIcon : FIcon;
    if (Role == Qt::FontRole && playing) {
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    if (Role == Qt::ToolTipRole)
        return row.Path;
    return {};
}

QVariant TTrackListModel::headerData(int Section, Qt::Orientation Orientation, int Role) const {
    if (Orientation != Qt::Horizontal || Role != Qt::DisplayRole)
        return {};
    switch (Section) {
    case colTitle:
        return QStringLiteral("Title");
    case colDuration:
        return QStringLiteral("Duration");
    case colArtist:
        return QStringLiteral("Artist");
    case colAlbum:
        return QStringLiteral("Album");
    default:
        return QStringLiteral("Track Title");
    }
}

Qt::ItemFlags TTrackListModel::flags(const QModelIndex& Index) const {
    // Between rows and past the last one a drop lands too.
    if (!Index.isValid())
        return Qt::ItemIsDropEnabled;
    return QAbstractTableModel::flags(Index) | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
}

Qt::DropActions TTrackListModel::supportedDropActions() const {
    return Qt::MoveAction | Qt::CopyAction;
}

QStringList TTrackListModel::mimeTypes() const {
    return {RowsMimeType, TrackEntriesMimeType};
}

QMimeData* TTrackListModel::mimeData(const QModelIndexList& Indexes) const {
    std::set<int> rows;
    for (const QModelIndex& index : Indexes)
        if (index.isValid())
            rows.insert(index.row());
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    for (int row : rows)
        stream << row;
    auto* data = new QMimeData;
    data->setData(RowsMimeType, bytes);
    return data;
}

bool TTrackListModel::dropMimeData(const QMimeData* Data, Qt::DropAction Action, int Row,
                                   int /*Column*/, const QModelIndex& Parent) {
    if (Data == nullptr || Action == Qt::IgnoreAction)
        return false;
    if (Data->hasFormat(RowsMimeType)) {
        QByteArray bytes = Data->data(RowsMimeType);
        QDataStream stream(&bytes, QIODevice::ReadOnly);
        std::vector<int> rows;
        for (int row = 0; !stream.atEnd();) {
            stream >> row;
            rows.push_back(row);
        }
        // On a row: before it; between rows: before the next; elsewhere: at the end.
        const int before = Row >= 0 ? Row : Parent.isValid() ? Parent.row() : rowCount();
        if (OnRowsDropped)
            OnRowsDropped(rows, before);
        // The rows moved already: the view must not remove the dragged ones as well.
        return false;
    }
    std::vector<std::string> entries = DroppedTrackEntries(Data);
    if (entries.empty() || !OnEntriesDropped)
        return false;
    OnEntriesDropped(entries);
    return true;
}

} // namespace orvanta
