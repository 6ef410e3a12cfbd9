#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/library/uMediaRecord.h"

class QTimer;

namespace orvanta {

// One row of the My Music list: the library's record of the file, which the columns show and
// every command reads.
using TMediaItem = TMediaRecord;

// Reads the rows of these library row ids, in that order; a row gone gives an empty item.
using TMediaFetch = std::function<std::vector<TMediaItem>(const std::vector<std::int64_t>& Ids)>;
// Reads every library row id in the order of a sort state's column, off the window's thread,
// and hands them to Done later on the window's thread; empty when that order cannot be read.
using TMediaRanks =
    std::function<void(int Column, std::function<void(std::vector<std::int64_t> Ids)> Done)>;
// Runs Work off the window's thread, then Done on it (not once the view is gone).
using TMediaBackground =
    std::function<void(std::function<void()> Work, std::function<void()> Done)>;

// The library rows behind the My Music list: the row ids in the order shown, the rows read
// from the library a page at a time as they are shown or used, a bounded number kept. Texts
// are turned into display strings only for the rows on screen.
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
        // Hidden until shown from the header's menu.
        colFormat,
        colAlbumArtist,
        ColumnCount
    };

    explicit TMediaListModel(QObject* Parent = nullptr);

    void SetSource(TMediaFetch Fetch, TMediaRanks Ranks, TMediaBackground Background = {});
    // The rows of these ids, read when needed; Read holds rows already read (the first page,
    // read by a worker, so the list's first paint does not wait for the library).
    void SetIds(std::vector<std::int64_t> Ids, std::vector<TMediaItem> Read = {});
    // Rows are read this many at once, by position in the list.
    static constexpr int FetchPage = 256;
    // Rows given whole (an item without Id stays whole).
    void SetItems(std::vector<TMediaItem> Items);
    void Append(std::vector<TMediaItem> Items);
    // Removes the rows (any order, no duplicates).
    void RemoveRows(std::vector<int> Rows);
    void UpdateItem(int Row, const TMediaItem& Item);
    // Reads the row's page first when it is not at hand.
    const TMediaItem& Item(int Row) const;
    std::int64_t Id(int Row) const {
        return std::max<std::int64_t>(FKeys[static_cast<size_t>(Row)], 0);
    }
    // Every row, also those not yet shown to views.
    int Count() const { return static_cast<int>(FKeys.size()); }
    // Views are told of a long list this many rows per turn of the event loop: a view keeps
    // memory for every row it knows of, and a million rows' worth of fresh memory at once is
    // more than the window can wait for. Lists no longer than the longest shown so far are
    // shown whole at once. Commands that change rows show every row first.
    int RevealStep = 65536;

    // Sorts by the column numbered from 1 (1 is Title); a negative number sorts descending.
    // Texts sort in the order people expect, equal ones keep their order. Rows move with
    // their selection. A list longer than InMemorySortLimit takes the library's order
    // instead of comparing its rows' texts, and is sorted once that order arrives; a newer
    // sort or list supersedes it.
    void Sort(int SortState);
    bool SortPending() const { return FSortPending; }
    int InMemorySortLimit = 10000;
    // Less than 0, 0 or more than 0, as item A sorts before, with or after item B.
    static int Compare(const TMediaItem& A, const TMediaItem& B, int SortState);
    // Rows read and kept at most, beside those given whole.
    int CacheLimit = 20000;
    // The row of this file is shown as the one playing; empty marks none.
    void SetPlayingPath(const std::string& Path);

    int rowCount(const QModelIndex& Parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& Parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    QVariant headerData(int Section, Qt::Orientation Orientation,
                        int Role = Qt::DisplayRole) const override;
    // Rows drag onto a playlist as their track entries, in the list's order.
    Qt::ItemFlags flags(const QModelIndex& Index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& Indexes) const override;

private:
    void load(int Row) const;
    void sortNow(int SortState, const std::vector<std::int64_t>* Ranked);
    bool sortByRanks(int SortState, const std::vector<std::int64_t>& Ordered,
                     std::vector<int>& Order);
    // Ends a reset showing the first step of the new list.
    void endReset();
    void showUpTo(int Rows);
    void revealLater();
    void revealNext();
    void revealAll();
    // Adds a row given whole.
    void keep(TMediaItem&& Item);

    // Each row's key: its library id, or a negative number of the model's own for a row given
    // whole without one.
    std::vector<std::int64_t> FKeys;
    // The rows at hand by key; a key a list holds twice is read once.
    mutable std::unordered_map<std::int64_t, std::unique_ptr<TMediaItem>> FItems;
    std::int64_t FLastOwnKey = 0;
    // Rows views know of, and the most they ever knew of at once.
    int FShown = 0;
    int FShownMost = 0;
    QTimer* FRevealTimer = nullptr;
    // Sorting's working memory, kept from one sort to the next: a million rows' worth of
    // fresh memory costs more to touch for the first time than the sort itself. A sort takes
    // it and gives it back, so a sort started while another walks finds none and makes its own.
    std::vector<int> FSortOrder;
    std::vector<int> FSortRowOf;
    std::vector<std::int64_t> FSortKeys;
    // That memory for a longer list than any sorted so far, touched in the background while
    // the list is new, so that not even the first sort waits for it; the rows asked for.
    void prepareSortMemory();
    std::size_t FSortMemoryAsked = 0;
    mutable int FCached = 0;
    std::uint64_t FSortGeneration = 0;
    bool FSortPending = false;
    bool FHold = false;
    TMediaFetch FFetch;
    TMediaRanks FRanks;
    TMediaBackground FBackground;
    QIcon FIcon;
    QIcon FPlayingIcon;
    std::string FPlayingPath;
};

} // namespace orvanta
