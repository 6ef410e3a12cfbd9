#include <QComboBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStringListModel>
#include <QTableView>
#include <QTimer>
#include <unordered_map>

#include "core/library/uMediaKeys.h"
#include "core/library/uTMyMediaDB.h"
#include "core/tablestore/uTEasyQuery.h"
#include "ui/library/uFraMedia.h"
#include "ui/library/uFraMediaShared.h"

namespace orvanta {

using namespace media_view;

namespace {

// Rows read between two looks at the clock while a list is filled.
constexpr int ClockEveryRows = 64;

} // namespace

QStringList TfraMedia::FilterItems() const {
    return FFilterModel->stringList();
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
    return TMediaListing::Artist;
}

} // namespace

void TfraMedia::cmbFilterChange() {
    if (!FMediaDB || FBusy)
        return;
    LoadFilterList();
    SelectFilterItem(FFilterModel->rowCount() > 0 ? 0 : -1);
}

void TfraMedia::LoadFilterList() {
    LoadFilterItems(cmbFilter->currentText() == QStringLiteral("Artists"));
}

void TfraMedia::LoadFilterItems(bool WithAll) {
    QStringList values;
    if (WithAll)
        values << AllEntry;
    std::vector<std::string> found;
    {
        TListing listing(*this);
        found = FMediaDB->FilterValues(kindOf(cmbFilter->currentText()),
                                       [&listing] { listing.RowRead(); });
    }
    values.reserve(static_cast<qsizetype>(found.size()) + 1);
    for (const std::string& value : found)
        values << fromStd(value);
    const QSignalBlocker blocker(lstItems->selectionModel());
    FFilterModel->setStringList(values);
}

void TfraMedia::ReloadFilterItems(bool Relist) {
    if (!FMediaDB || FBusy)
        return;
    const QModelIndexList selected = lstItems->selectionModel()->selectedIndexes();
    const QString chosen = selected.isEmpty() ? QString() : selected.first().data().toString();
    const int chosenRow = selected.isEmpty() ? -1 : selected.first().row();
    const int filterScroll = lstItems->verticalScrollBar()->value();
    const int listScroll = lvwMedia->verticalScrollBar()->value();
    LoadFilterItems(cmbFilter->currentText() == QStringLiteral("Artists"));
    // The same value in another spelling is the same entry; a value gone leaves its place
    // to the entry that took it.
    int row = -1;
    const std::string key = SortKey(chosen.toStdString());
    if (chosenRow >= 0) {
        const QStringList values = FFilterModel->stringList();
        for (int i = 0; i < values.size() && row < 0; ++i)
            if (SortKey(values[i].toStdString()) == key)
                row = i;
        if (row < 0 && !values.isEmpty())
            row = std::min(chosenRow, static_cast<int>(values.size()) - 1);
    }
    {
        const QSignalBlocker blocker(lstItems->selectionModel());
        if (row >= 0)
            lstItems->selectionModel()->setCurrentIndex(FFilterModel->index(row),
                                                        QItemSelectionModel::ClearAndSelect);
    }
    lstItems->verticalScrollBar()->setValue(filterScroll);
    const bool same =
        row >= 0 && SortKey(FFilterModel->index(row).data().toString().toStdString()) == key;
    if (chosenRow >= 0 && (Relist || FRelistPending || !same)) {
        FKeepSort = true;
        try {
            lstItemsClick();
        } catch (...) {
            FKeepSort = false;
            throw;
        }
        FKeepSort = false;
    }
    lvwMedia->verticalScrollBar()->setValue(listScroll);
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
    if (FBusy)
        FRelistPending = true; // typed while a long list fills: listed once it is done
    if (!FMediaDB || FBusy)
        return;
    ++FSearchTicket; // a search still under way is not shown
    tmrSearch->stop();
    TMediaListing listing;
    if (!CurrentListing(listing)) {
        MediaModel->SetItems({});
        return;
    }
    LoadMediaItems(listing);
    ShowListed(listing);
    if (FRelistPending) {
        FRelistPending = false;
        QTimer::singleShot(0, this, [this] { lstItemsClick(); });
    }
}

void TfraMedia::SearchTyped() {
    TMediaListing listing;
    // Words make the library read every row of a long list, and the whole library is long:
    // both are listed off the window's thread.
    if (!FMediaDB || FBusy || !CurrentListing(listing) ||
        (listing.Words.empty() && listing.Kind != TMediaListing::All)) {
        lstItemsClick();
        return;
    }
    if (!FSearch)
        FSearch = std::make_unique<TMediaSearch>(FMediaDB->FileName());
    FSearch->Request(listing, ++FSearchTicket);
    FSearchListing = std::move(listing);
    tmrSearch->start();
}

void TfraMedia::SearchTick() {
    std::optional<TMediaSearch::TAnswer> answer = FSearch ? FSearch->Take() : std::nullopt;
    if (!answer || answer->Ticket != FSearchTicket)
        return;
    tmrSearch->stop();
    if (!answer->Error.empty() || FBusy) {
        lstItemsClick(); // read here instead, where errors are reported as everywhere
        return;
    }
    MediaModel->SetIds(std::move(answer->Ids));
    ShowListed(FSearchListing);
}

void TfraMedia::ShowListed(const TMediaListing& Listing) {
    QHeaderView* header = lvwMedia->horizontalHeader();
    const bool album = Listing.Kind == TMediaListing::Album;
    const int arrived = album ? TMediaListModel::colTrack + 1 : 1;
    if (FKeepSort && FSortState != 0) {
        // Listed again after a change of the library: the order shown stays.
        if (FSortState != arrived)
            MediaModel->Sort(FSortState);
    } else if (album) {
        // An album lists in the order it plays.
        FSortState = arrived;
        header->setSortIndicatorShown(true);
        header->setSortIndicator(TMediaListModel::colTrack, Qt::AscendingOrder);
    } else if (FSortState == 0 || FSortState == 1 ||
               std::abs(FSortState) == TMediaListModel::colTrack + 1) {
        // The rows arrive ordered by title.
        FSortState = 1;
        header->setSortIndicatorShown(false);
    } else {
        // The order the user chose stays.
        MediaModel->Sort(FSortState);
    }
}

void TfraMedia::LoadMediaItems(const TMediaListing& Listing) {
    std::vector<std::int64_t> ids;
    {
        TListing listing(*this);
        ids = FMediaDB->ListingIds(Listing, [&listing] { listing.RowRead(); });
    }
    MediaModel->SetIds(std::move(ids));
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

std::vector<std::int64_t> TfraMedia::SortRanks(int Column) {
    if (!FMediaDB)
        return {};
    // A million rows take a few tenths of a second to walk: the window goes on meanwhile,
    // and a second click on a column waits for this sort (FSorting).
    FSorting = true;
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    int rows = 0;
    const auto rowRead = [&] {
        if (++rows % ClockEveryRows == 0 && sinceEvents.elapsed() >= ResponsiveMs) {
            KeepResponsive();
            sinceEvents.restart();
        }
    };
    try {
        std::vector<std::int64_t> ids = FMediaDB->OrderedIds(Column, rowRead);
        FSorting = false;
        return ids;
    } catch (const EEasyError&) {
        FSorting = false;
        return {}; // sorted by the rows' texts instead
    }
}

TfraMedia::TListing::TListing(TfraMedia& Frame)
    : FFrame(Frame), FStart(QDateTime::currentMSecsSinceEpoch()) {}

TfraMedia::TListing::~TListing() {
    if (!FPaused)
        return;
    FFrame.pnlFilter->setEnabled(true);
    FFrame.FBusy = false;
}

void TfraMedia::TListing::RowRead() {
    if (++FRows % ClockEveryRows != 0)
        return;
    // Events are due counted from when they last ran, often before the fill began; a list
    // read within a third of that time never pauses.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - FFrame.FLastEvents < ResponsiveMs || now - FStart < ResponsiveMs / 3)
        return;
    // From the first pause on, the filter and the library commands wait: the query is in
    // the middle of its walk.
    if (!FPaused) {
        FPaused = true;
        FFrame.FBusy = true;
        FFrame.pnlFilter->setEnabled(false);
    }
    FFrame.KeepResponsive();
}

std::int64_t TfraMedia::LibraryVersion() {
    return FMediaDB->DataVersion();
}

void TfraMedia::FollowOutsideChanges() {
    if (!FMediaDB || FBusy)
        return;
    const std::int64_t version = LibraryVersion();
    if (version == FLibraryVersion)
        return;
    FLibraryVersion = version;
    ReloadFilterItems(true);
}

} // namespace orvanta
