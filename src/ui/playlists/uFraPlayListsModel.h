#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/library/uTrackInfo.h"

namespace orvanta {

// The rows of the Playlists view's track list: "Title" and "Duration" shown, the full path
// kept for "Play Track", and what the library holds of each file for the optional columns.
// A model instead of list items, so long playlists fill at once. Rows are dragged within the
// list to reorder them; library rows dropped on it are added.
class TTrackListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum TColumn { colTitle, colDuration, colArtist, colAlbum, colTrackTitle, colCount };

    struct TRow {
        QString Caption; // " " + the file's title
        QString Duration;
        QString Path;
        // The entry holds no length: the library's, when it holds the file, is shown instead.
        bool Untimed = false;
        QString Artist{};
        QString Album{};
        QString TrackTitle{};
    };

    explicit TTrackListModel(QObject* Parent = nullptr);

    // Replaces every row at once; the library's texts are gone until SetLibraryInfo.
    void SetRows(std::vector<TRow> Rows);
    // Grows with every SetRows: library answers for older rows are dropped.
    std::uint64_t Generation() const { return FGeneration; }
    // What the library holds of each row's file, in row order (nothing: not held).
    void SetLibraryInfo(std::uint64_t ForGeneration,
                        const std::vector<std::optional<TTrackInfo>>& Infos);
    const TRow& Row(int Index) const { return FRows[static_cast<size_t>(Index)]; }
    // Rows of this file are shown as playing; empty marks none.
    void SetPlayingPath(const QString& Path);

    // Rows of this list dropped before row Before (rowCount(): at the end).
    std::function<void(const std::vector<int>& Rows, int Before)> OnRowsDropped;
    // Library rows' track entries dropped on the list.
    std::function<void(const std::vector<std::string>& Entries)> OnEntriesDropped;

    int rowCount(const QModelIndex& Parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& Parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    QVariant headerData(int Section, Qt::Orientation Orientation,
                        int Role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& Index) const override;
    Qt::DropActions supportedDropActions() const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& Indexes) const override;
    bool dropMimeData(const QMimeData* Data, Qt::DropAction Action, int Row, int Column,
                      const QModelIndex& Parent) override;

private:
    std::vector<TRow> FRows;
    std::uint64_t FGeneration = 0;
    QIcon FIcon;
    QIcon FPlayingIcon;
    QString FPlayingPath;
};

} // namespace orvanta
