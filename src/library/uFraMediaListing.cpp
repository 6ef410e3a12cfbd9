#include <QComboBox>
#include <QDateTime>
#include <QHeaderView>
#include <QListView>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStringListModel>
#include <QTreeView>

#include "library/uFraMedia.h"
#include "library/uFraMediaShared.h"
#include "library/uTMyMediaDB.h"
#include "tablestore/uTEasyQuery.h"

namespace orvanta {

using namespace media_view;

namespace {

// Rows read between two looks at the clock while a list is filled.
constexpr int ClockEveryRows = 64;

// Where each field of tMedia sits in a query, looked up once per fill instead of per row.
struct TMediaColumns {
    int Directory, FileName, FileSize, Seconds, Quality, Title, Artist, Album, Year, Genre;

    explicit TMediaColumns(const TEasyQuery& query) {
        const auto column = [&query](std::string_view name) {
            for (int i = 0; i < query.FieldCount(); ++i)
                if (query.FieldName(i) == name)
                    return i;
            query.FieldByName(name); // throws the engine's "no such field"
            return -1;
        };
        Directory = column("fDirectory");
        FileName = column("fFileName");
        FileSize = column("fFileSize");
        Seconds = column("fSeconds");
        Quality = column("fQuality");
        Title = column("fTitle");
        Artist = column("fArtist");
        Album = column("fAlbum");
        Year = column("fYear");
        Genre = column("fGenre");
    }

    TMediaItem Read(const TEasyQuery& query) const {
        TMediaItem item;
        item.Directory = query.Fields(Directory).AsString();
        item.FileName = query.Fields(FileName).AsString();
        item.Title = query.Fields(Title).AsString();
        item.Artist = query.Fields(Artist).AsString();
        item.Album = query.Fields(Album).AsString();
        item.Year = query.Fields(Year).AsString();
        item.Genre = query.Fields(Genre).AsString();
        item.FileSize = query.Fields(FileSize).AsInt64();
        item.Seconds = query.Fields(Seconds).AsInteger();
        item.Quality = query.Fields(Quality).AsInteger();
        return item;
    }
};

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

void TfraMedia::cmbFilterChange() {
    if (!FMediaDB || FBusy)
        return;
    LoadFilterList();
    SelectFilterItem(FFilterModel->rowCount() > 0 ? 0 : -1);
}

void TfraMedia::LoadFilterList() {
    const QString filter = cmbFilter->currentText();
    if (filter == QStringLiteral("Artists")) {
        FMediaDB->SelectArtists(*FQuery);
        LoadFilterItems("fArtist", true);
    } else if (filter == QStringLiteral("Albums")) {
        FMediaDB->SelectAlbums(*FQuery);
        LoadFilterItems("fAlbum", false);
    } else {
        FMediaDB->SelectGenres(*FQuery);
        LoadFilterItems("fGenre", false);
    }
}

void TfraMedia::LoadFilterItems(const char* FieldName, bool WithAll) {
    QStringList values;
    values.reserve(FQuery->RecordCount() + 1);
    {
        TListing listing(*this);
        const TEasyField field = FQuery->FieldByName(FieldName);
        for (FQuery->First(); !FQuery->Eof(); FQuery->Next()) {
            const std::string_view value = field.AsText();
            if (!value.empty())
                values << fromStd(value);
            listing.RowRead();
        }
    }
    FQuery->Close();
    if (WithAll)
        values.prepend(AllEntry);
    const QSignalBlocker blocker(lstItems->selectionModel());
    FFilterModel->setStringList(values);
}

void TfraMedia::lstItemsClick() {
    if (!FMediaDB || FBusy)
        return;
    const QModelIndexList selected = lstItems->selectionModel()->selectedIndexes();
    if (selected.isEmpty()) {
        MediaModel->SetItems({});
        return;
    }
    const QString text = selected.first().data().toString();
    const std::string value = text.toStdString();
    const QString filter = cmbFilter->currentText();
    if (filter == QStringLiteral("Artists")) {
        if (text == AllEntry)
            FMediaDB->SelectAllMedia(*FQuery);
        else
            FMediaDB->SelectMediaByArtist(*FQuery, value);
    } else if (filter == QStringLiteral("Albums")) {
        FMediaDB->SelectMediaByAlbum(*FQuery, value);
    } else {
        FMediaDB->SelectMediaByGenre(*FQuery, value);
    }
    LoadMediaItems();
    FQuery->Close();
    // The rows arrive ordered by title.
    FSortState = 1;
    lvwMedia->header()->setSortIndicatorShown(false);
}

void TfraMedia::LoadMediaItems() {
    std::vector<TMediaItem> items;
    items.reserve(static_cast<size_t>(FQuery->RecordCount()));
    const TMediaColumns columns(*FQuery);
    {
        TListing listing(*this);
        for (FQuery->First(); !FQuery->Eof(); FQuery->Next()) {
            items.push_back(columns.Read(*FQuery));
            listing.RowRead();
        }
    }
    MediaModel->SetItems(std::move(items));
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
    // SQLite counts here the commits of every other connection to the file.
    FMediaDB->OpenQuery(*FQuery, "PRAGMA data_version");
    FQuery->First();
    const std::int64_t version = FQuery->Eof() ? -1 : FQuery->Fields(0).AsInteger();
    FQuery->Close();
    return version;
}

void TfraMedia::FollowOutsideChanges() {
    if (!FMediaDB || FBusy)
        return;
    const std::int64_t version = LibraryVersion();
    if (version == FLibraryVersion)
        return;
    FLibraryVersion = version;
    const QModelIndexList chosen = lstItems->selectionModel()->selectedIndexes();
    const QString value = chosen.isEmpty() ? QString() : chosen.first().data().toString();
    const int sortState = FSortState;
    const int scrolled = lvwMedia->verticalScrollBar()->value();
    LoadFilterList();
    const int row = static_cast<int>(FilterItems().indexOf(value));
    SelectFilterItem(row >= 0 ? row : (FilterItems().isEmpty() ? -1 : 0));
    if (sortState != 0 && sortState != FSortState) {
        const int column = std::abs(sortState) - 1;
        lvwMediaColumnClick(column);
        if (FSortState != sortState) // a second click turns it round
            lvwMediaColumnClick(column);
    }
    lvwMedia->verticalScrollBar()->setValue(scrolled);
}

} // namespace orvanta
