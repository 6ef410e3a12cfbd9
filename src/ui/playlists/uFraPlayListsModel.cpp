#include "ui/playlists/uFraPlayListsModel.h"

#include <QFont>

namespace orvanta {

TTrackListModel::TTrackListModel(QObject* Parent)
    : QAbstractTableModel(Parent), FIcon(QStringLiteral(":/icons/track.svg")),
      FPlayingIcon(QStringLiteral(":/icons/play.svg")) {}

void TTrackListModel::SetPlayingPath(const QString& Path) {
    FPlayingPath = Path;
    if (!FRows.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, 1), {Qt::FontRole, Qt::DecorationRole});
}

void TTrackListModel::SetRows(std::vector<TRow> Rows) {
    beginResetModel();
    FRows = std::move(Rows);
    endResetModel();
}

int TTrackListModel::rowCount(const QModelIndex& Parent) const {
    return Parent.isValid() ? 0 : static_cast<int>(FRows.size());
}

int TTrackListModel::columnCount(const QModelIndex& Parent) const {
    return Parent.isValid() ? 0 : 2;
}

QVariant TTrackListModel::data(const QModelIndex& Index, int Role) const {
    if (!Index.isValid() || Index.row() >= rowCount())
        return {};
    const TRow& row = Row(Index.row());
    if (Role == Qt::DisplayRole)
        return Index.column() == 0 ? row.Caption : row.Duration;
    const bool playing = !FPlayingPath.isEmpty() && row.Path == FPlayingPath;
    if (Role == Qt::DecorationRole && Index.column() == 0)
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
    return Section == 0 ? QStringLiteral("Title") : QStringLiteral("Duration");
}

} // namespace orvanta
