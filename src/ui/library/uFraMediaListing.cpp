#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStringListModel>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <unordered_map>

#include "core/library/uLibraryWorker.h"
#include "core/library/uMediaKeys.h"
#include "core/library/uTMyMediaDB.h"
#include "core/tablestore/uTEasyQuery.h"
#include "ui/common/uPrompts.h"
#include "ui/common/uWorkerInbox.h"
#include "ui/library/uFraMedia.h"
#include "ui/library/uFraMediaShared.h"

namespace orvanta {

using namespace media_view;

QStringList TfraMedia::FilterItems() const {
    return FFilterModel->stringList();
}

void TfraMedia::AssertGuiThread() const {
    Q_ASSERT(QThread::currentThread() == thread());
}

bool TfraMedia::ListPending() const {
    return FController.ListPending() || MediaModel->SortPending();
}

void TfraMedia::SelectFilterItem(int Row) {
    {
        const QSignalBlocker blocker(lstItems->selectionModel());
        lstItems->selectionModel()->clearSelection();
        if (Row >= 0 && Row < FFilterModel->rowCount())
            lstItems->selectionModel()->setCurrentIndex(FFilterModel->index(Row),
                                                        QItemSelectionModel::ClearAndSelect);
    }
    lstItems->viewport()->update();
    lstItemsClick();
}

namespace {

TMediaListing::TKind kindOf(const QString& Filter) {
    if (Filter == QStringLiteral("Albums"))
        return TMediaListing::Album;
    if (Filter == QStringLiteral("Genres"))
        return TMediaListing::Genre;
    if (Filter == QStringLiteral("Album Artists"))
        return TMediaListing::AlbumArtist;
    return TMediaListing::Artist;
}

} // namespace

void TfraMedia::cmbFilterChange() {
    if (!FMediaDB)
        return;
    TAfterFilter after;
    after.SelectFirst = true;
    RequestFilterList(after);
}

void TfraMedia::RestoreChoice(int Kind, const QString& Value, int SortState) {
    if (!FMediaDB)
        return;
    if (FirstFillShows(Kind < 0 || Kind == cmbFilter->currentIndex(),
                       cmbFilter->currentText() == QStringLiteral("Artists"), Value.toStdString(),
                       SortState))
        return;
    if (Kind >= 0 && Kind < cmbFilter->count()) {
        const QSignalBlocker blocker(cmbFilter);
        cmbFilter->setCurrentIndex(Kind);
    }
    TAfterFilter after;
    after.Restore = true;
    after.Wanted = Value;
    after.WantedSort = SortState;
    RequestFilterList(after);
}

void TfraMedia::RequestFilterList(const TAfterFilter& After) {
    AssertGuiThread();
    const std::uint64_t asked = FController.FilterLists.Ask();
    const TMediaListing::TKind kind = kindOf(cmbFilter->currentText());
    const bool withAll = cmbFilter->currentText() == QStringLiteral("Artists");
    TAfterFilter after = After;
    if (after.SelectFirst && withAll) {
        // The first artist entry is "All", whose rows are read at once, ahead of the list of
        // artists, rather than after it came back.
        TMediaListing all;
        all.Value = AllEntry.toStdString();
        all.Words = SearchWords(txtSearch->text().toStdString());
        FController.Searches.Drop();
        PostListing(all, {});
        after.Listed = true;
    }
    FInbox->Post<std::vector<std::string>>(
        *FWorker, TLibraryLane::Filter,
        [kind](TMyMediaDB& Library, const TCancelToken& Cancel) {
            return Library.FilterValues(kind, RowCancelCheck(Cancel));
        },
        [this, asked, withAll, after](std::vector<std::string> Found) {
            if (!FController.FilterLists.Arrived(asked))
                return;
            RunGuarded([&] { FilterListArrived(Found, withAll, after); });
        },
        [this, asked](const QString& Error) {
            if (!FController.FilterLists.Arrived(asked))
                return;
            ShowException(*FPrompts, Error);
        });
    if (after.Listed)
        StartPurgeDue();
}

void TfraMedia::FilterListArrived(const std::vector<std::string>& Found, bool WithAll,
                                  const TAfterFilter& After) {
    QStringList values;
    values.reserve(static_cast<qsizetype>(Found.size()) + 1);
    if (WithAll)
        values << AllEntry;
    for (const std::string& value : Found)
        values << fromStd(value);
    {
        const QSignalBlocker blocker(lstItems->selectionModel());
        FFilterModel->setStringList(values);
    }
    if (After.SelectFirst || After.Restore) {
        int row = values.isEmpty() ? -1 : 0;
        if (After.Restore)
            row = RestoredEntry(Found, WithAll, After.Wanted.toStdString());
        {
            const QSignalBlocker blocker(lstItems->selectionModel());
            if (row >= 0)
                lstItems->selectionModel()->setCurrentIndex(FFilterModel->index(row),
                                                            QItemSelectionModel::ClearAndSelect);
        }
        lstItems->viewport()->update();
        if (After.Listed)
            return;
        TAfterListing listing;
        listing.WantedSort = After.Restore ? After.WantedSort : 0;
        RequestListing(listing);
        return;
    }
    const TKeptEntry kept =
        KeptEntry(Found, WithAll, After.Chosen.toStdString(), After.ChosenRow, After.Relist);
    {
        const QSignalBlocker blocker(lstItems->selectionModel());
        if (kept.Row >= 0)
            lstItems->selectionModel()->setCurrentIndex(FFilterModel->index(kept.Row),
                                                        QItemSelectionModel::ClearAndSelect);
    }
    lstItems->verticalScrollBar()->setValue(After.FilterScroll);
    if (kept.ListAgain) {
        TAfterListing listing;
        listing.KeepSort = true;
        listing.Scroll = After.ListScroll;
        RequestListing(listing);
    }
}

void TfraMedia::ReloadFilterItems(bool Relist) {
    if (!FMediaDB)
        return;
    const QModelIndexList selected = lstItems->selectionModel()->selectedIndexes();
    TAfterFilter after;
    after.Chosen = selected.isEmpty() ? QString() : selected.first().data().toString();
    after.ChosenRow = selected.isEmpty() ? -1 : selected.first().row();
    after.FilterScroll = lstItems->verticalScrollBar()->value();
    after.ListScroll = lvwMedia->verticalScrollBar()->value();
    after.Relist = Relist;
    RequestFilterList(after);
}

bool TfraMedia::CurrentListing(TMediaListing& Listing) const {
    const QModelIndexList selected = lstItems->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return false;
    const QString text = selected.first().data().toString();
    Listing.Kind = kindOf(cmbFilter->currentText());
    if (Listing.Kind == TMediaListing::Artist && text == AllEntry)
        Listing.Kind = TMediaListing::All;
    Listing.Value = text.toStdString();
    Listing.Words = SearchWords(txtSearch->text().toStdString());
    return true;
}

void TfraMedia::lstItemsClick() {
    if (!FMediaDB)
        return;
    // The press that chose an entry lists it already; the click that follows does not
    // list it a second time.
    TMediaListing listing;
    if (CurrentListing(listing) && FController.ListingDue(listing))
        return;
    RequestListing({});
}

void TfraMedia::DropListing() {
    FController.Listings.Drop();
    if (FWorker)
        FWorker->CancelLane(TLibraryLane::Listing);
}

void TfraMedia::RequestListing(const TAfterListing& After) {
    AssertGuiThread();
    FController.Searches.Drop(); // a search still under way is not shown
    TMediaListing listing;
    if (!CurrentListing(listing)) {
        DropListing();
        MediaModel->SetItems({});
    } else {
        PostListing(listing, After);
    }
    StartPurgeDue();
}

void TfraMedia::StartPurgeDue() {
    // Queued behind the first lists, so they are there before missing files are looked for.
    if (FStartPurgeDue) {
        FStartPurgeDue = false;
        RefreshMedia(false);
    }
}

void TfraMedia::PostListing(const TMediaListing& Listing, const TAfterListing& After) {
    {
        const TMediaListing& listing = Listing;
        const std::uint64_t asked = FController.Listings.Ask();
        FController.Listing = listing;
        // The first list of the whole library was read while the window was built.
        const TEarlyRows early = std::exchange(FEarlyRows, {});
        if (listing.Kind != TMediaListing::All || !listing.Words.empty())
            early.Cancel.Cancel();
        struct TListed {
            std::vector<std::int64_t> Ids;
            // The rows of the first page, read here rather than by the first paint.
            std::vector<TMediaRecord> First;
        };
        FInbox->Post<TListed>(
            *FWorker, TLibraryLane::Listing,
            [listing, early](TMyMediaDB& Library, const TCancelToken& Cancel) {
                TListed listed;
                if (std::optional<std::vector<std::int64_t>> ids = early.Take())
                    listed.Ids = std::move(*ids);
                else
                    listed.Ids = Library.ListingIds(listing, RowCancelCheck(Cancel));
                const std::size_t first =
                    std::min<std::size_t>(listed.Ids.size(), TMediaListModel::FetchPage);
                // The list stands without them: a failed read leaves them to the paint, which
                // shows empty rows rather than an error.
                try {
                    if (!Cancel.Cancelled())
                        listed.First =
                            Library.MediaByIds({listed.Ids.begin(), listed.Ids.begin() + first});
                } catch (const EEasyError&) {
                }
                return listed;
            },
            [this, asked, After](TListed Listed) {
                if (!FController.Listings.Arrived(asked))
                    return;
                RunGuarded([&] {
                    // Once the first list is shown, the search reads the library into memory,
                    // ready by the first typed word; not sooner, as the read would slow the
                    // list's first paint.
                    if (!FSearch) {
                        FSearch = std::make_unique<TMediaSearch>(FMediaDB->FileName());
                        QTimer::singleShot(0, this, [this] {
                            if (FSearch)
                                FSearch->Prepare();
                        });
                    }
                    MediaModel->SetIds(std::move(Listed.Ids), std::move(Listed.First));
                    ShowListed(FController.Listing, After.KeepSort);
                    if (After.Scroll >= 0)
                        lvwMedia->verticalScrollBar()->setValue(After.Scroll);
                    if (After.WantedSort != 0 && After.WantedSort != FController.SortState())
                        SortBy(After.WantedSort);
                });
            },
            [this, asked](const QString& Error) {
                if (!FController.Listings.Arrived(asked))
                    return;
                ShowException(*FPrompts, Error);
            });
    }
}

void TfraMedia::SearchTyped() {
    TMediaListing listing;
    // Words make the library read every row of a long list, and the whole library is long:
    // both are listed off the window's thread.
    if (!FMediaDB || !CurrentListing(listing) ||
        (listing.Words.empty() && listing.Kind != TMediaListing::All)) {
        lstItemsClick();
        return;
    }
    DropListing();
    if (!FSearch)
        FSearch = std::make_unique<TMediaSearch>(FMediaDB->FileName());
    const std::uint64_t asked = FController.Searches.Ask();
    FController.Listing = listing;
    FSearch->Request(std::move(listing),
                     [this, asked, send = FInbox->Sender()](TMediaSearch::TAnswer Answer) {
                         send([this, asked, answer = std::move(Answer)]() mutable {
                             if (FController.Searches.Arrived(asked))
                                 RunGuarded([&] { SearchArrived(std::move(answer)); });
                         });
                     });
}

void TfraMedia::SearchArrived(TMediaSearch::TAnswer Answer) {
    if (!Answer.Error.empty()) {
        RequestListing({}); // read by the worker instead, where errors are reported as everywhere
        return;
    }
    MediaModel->SetIds(std::move(Answer.Ids));
    ShowListed(FController.Listing, false);
}

void TfraMedia::ShowListed(const TMediaListing& Listing, bool KeepSort) {
    ShowSearchScope(Listing);
    UpdateFirstRunHint();
    const bool album = Listing.Kind == TMediaListing::Album;
    const TMediaController::TListedOrder order =
        FController.AfterListing(album, KeepSort, TMediaListModel::colTrack + 1);
    if (order.Sort != 0)
        MediaModel->Sort(order.Sort);
    if (!order.ArrivalOrder)
        return;
    // An album lists in the order it plays; other rows arrive ordered by title.
    QHeaderView* header = lvwMedia->horizontalHeader();
    header->setSortIndicatorShown(album);
    if (album)
        header->setSortIndicator(TMediaListModel::colTrack, Qt::AscendingOrder);
}

std::vector<TMediaItem> TfraMedia::FetchItems(const std::vector<std::int64_t>& Ids) {
    std::vector<TMediaItem> items(Ids.size());
    if (!FMediaDB || Ids.empty())
        return items;
    std::unordered_map<std::int64_t, std::size_t> at;
    for (std::size_t i = 0; i < Ids.size(); ++i)
        at.emplace(Ids[i], i);
    // Called while the list paints: a failed read shows empty rows rather than ending the
    // program, and the next paint tries again.
    try {
        for (TMediaRecord& item : FMediaDB->MediaByIds(Ids))
            if (const auto found = at.find(item.Id); found != at.end())
                items[found->second] = std::move(item);
    } catch (const EEasyError&) {
    }
    return items;
}

void TfraMedia::RequestRanks(int Column, std::function<void(std::vector<std::int64_t>)> Done) {
    if (!FWorker) {
        Done({});
        return;
    }
    // A million rows take a few tenths of a second to walk; a newer sort supersedes this one.
    FInbox->Post<std::vector<std::int64_t>>(
        *FWorker, TLibraryLane::Sort,
        [Column](TMyMediaDB& Library, const TCancelToken& Cancel) {
            try {
                return Library.OrderedIds(Column, RowCancelCheck(Cancel));
            } catch (const EEasyError&) {
                return std::vector<std::int64_t>(); // sorted by the rows' texts instead
            }
        },
        std::move(Done));
}

void TfraMedia::InBackground(std::function<void()> Work, std::function<void()> Done) {
    if (!FWorker)
        return;
    FInbox->Post<bool>(
        *FWorker, TLibraryLane::SortMemory,
        [Work = std::move(Work)](TMyMediaDB&, const TCancelToken&) {
            Work();
            return true;
        },
        [Done = std::move(Done)](bool) { Done(); });
}

std::int64_t TfraMedia::LibraryVersion() {
    return FMediaDB->DataVersion();
}

void TfraMedia::FollowOutsideChanges() {
    if (FMediaDB &&
        FController.LibraryChanged(MediaModel->SortPending(), [this] { return LibraryVersion(); }))
        ReloadFilterItems(true);
}

void TfraMedia::ShowSearchScope(const TMediaListing& Listing) {
    const bool narrowed = !Listing.Words.empty() && Listing.Kind != TMediaListing::All;
    lblSearchScope->setVisible(narrowed);
    if (!narrowed)
        return;
    const char* kind = Listing.Kind == TMediaListing::Album         ? "album"
                       : Listing.Kind == TMediaListing::Genre       ? "genre"
                       : Listing.Kind == TMediaListing::AlbumArtist ? "album artist"
                                                                    : "artist";
    lblSearchScope->setText(
        QStringLiteral("Searching only the %1 \"%2\". <a href=\"all\">Search the whole library</a>")
            .arg(QLatin1String(kind), QString::fromStdString(Listing.Value).toHtmlEscaped()));
}

void TfraMedia::SearchWholeLibrary() {
    // Only the Artists filter has "All", always its first entry.
    if (cmbFilter->currentIndex() != 0)
        cmbFilter->setCurrentIndex(0);
    else
        SelectFilterItem(0);
}

} // namespace orvanta
