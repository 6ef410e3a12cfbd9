#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QString>
#include <vector>

namespace orvanta {

// The rows of the Playlists view's track list: "Title" and "Duration" shown, the full path
// kept for "Play Track". A model instead of list items, so long playlists fill at once.
class TTrackListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    struct TRow {
        QString Caption; // " " + the file's title
        QString Duration;
        QString Path;
    };

    explicit TTrackListModel(QObject* Parent = nullptr);

    // Replaces every row at once.
    void SetRows(std::vector<TRow> Rows);
    const TRow& Row(int Index) const { return FRows[static_cast<size_t>(Index)]; }
    // Rows of this file are shown as playing; empty marks none.
    void SetPlayingPath(const QString& Path);

    int rowCount(const QModelIndex& Parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& Parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    QVariant headerData(int Section, Qt::Orientation Orientation,
                        int Role = Qt::DisplayRole) const override;

private:
    std::vector<TRow> FRows;
    QIcon FIcon;
    QIcon FPlayingIcon;
    QString FPlayingPath;
};

} // namespace orvanta
