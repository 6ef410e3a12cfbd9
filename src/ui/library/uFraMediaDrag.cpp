#include <QMimeData>
#include <set>

#include "ui/common/uTrackDrag.h"
#include "ui/library/uFraMediaModel.h"

// My Music's rows dragged onto a playlist.

namespace orvanta {

Qt::ItemFlags TMediaListModel::flags(const QModelIndex& Index) const {
    const Qt::ItemFlags flags = QAbstractTableModel::flags(Index);
    return Index.isValid() ? flags | Qt::ItemIsDragEnabled : flags;
}

QStringList TMediaListModel::mimeTypes() const {
    return {TrackEntriesMimeType};
}

QMimeData* TMediaListModel::mimeData(const QModelIndexList& Indexes) const {
    std::set<int> rows;
    for (const QModelIndex& index : Indexes)
        if (index.isValid())
            rows.insert(index.row());
    std::vector<std::string> entries;
    entries.reserve(rows.size());
    for (int row : rows)
        entries.push_back(Item(row).TrackEntry());
    return TrackEntriesMime(entries);
}

} // namespace orvanta
