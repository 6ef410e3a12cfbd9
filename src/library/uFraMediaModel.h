#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <cstdint>
#include <string>
#include <vector>

namespace orvanta {

// One row of the My Music list: what the columns show and the hidden values every command
// reads (directory, file name, size in bytes, seconds).
struct TMediaItem {
    std::string Title;
    std::string Artist;
    std::string Album;
    std::string Year;
    std::string Genre;
    std::int32_t Seconds = 0;
    std::int32_t Quality = 0;
    std::int64_t FileSize = 0;
    // Number on the album and disc; 0 when the tag has none.
    std::int32_t Track = 0;
    std::int32_t Disc = 0;
    std::string Directory;
    std::string FileName;

    std::string FullPath() const;
    // Full path, "*", seconds: how playlists refer to the file.
    std::string TrackEntry() const;
};

// The library rows behind the My Music list. Texts are turned into display strings only for
// the rows on screen, so 100,000 rows fill and sort in a blink.
class TMediaListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum TColumn {
        colTitle,
        colArtist,
        colAlbum,
        colYear,
        colGenre,
        colDuration,
        colQuality,
        colSize,
        // "#": shown first, numbered last so the other columns keep their numbers.
        colTrack,
        ColumnCount
    };

    explicit TMediaListModel(QObject* Parent = nullptr);

    void SetItems(std::vector<TMediaItem> Items);
    void Append(std::vector<TMediaItem> Items);
    // Removes the rows (any order, no duplicates).
    void RemoveRows(std::vector<int> Rows);
    void UpdateItem(int Row, const TMediaItem& Item);
    const TMediaItem& Item(int Row) const { return FItems[static_cast<size_t>(Row)]; }
    int Count() const { return static_cast<int>(FItems.size()); }

    // Sorts by the column numbered from 1 (1 is Title); a negative number sorts descending.
    // Texts sort in the order people expect, equal ones keep their order. Rows move with
    // their selection.
    void Sort(int SortState);
    // Less than 0, 0 or more than 0, as item A sorts before, with or after item B.
    static int Compare(const TMediaItem& A, const TMediaItem& B, int SortState);
    // The row of this file is shown as the one playing; empty marks none.
    void SetPlayingPath(const std::string& Path);

    int rowCount(const QModelIndex& Parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& Parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    QVariant headerData(int Section, Qt::Orientation Orientation,
                        int Role = Qt::DisplayRole) const override;

private:
    std::vector<TMediaItem> FItems;
    QIcon FIcon;
    QIcon FPlayingIcon;
    std::string FPlayingPath;
};

} // namespace orvanta
