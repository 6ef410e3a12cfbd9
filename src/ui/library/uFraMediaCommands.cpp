#include <QAbstractItemModel>
#include <QComboBox>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QTableView>
#include <algorithm>
#include <functional>
#include <iterator>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "core/common/uDisplayUtils.h"
#include "core/common/uPathText.h"
#include "core/common/uTFileUtils.h"
#include "core/library/uLibraryWorker.h"
#include "core/library/uMediaMaintenance.h"
#include "core/library/uTMyMediaDB.h"
#include "core/playlists/uPlayListAdd.h"
#include "core/playlists/uTPlayList.h"
#include "core/playlists/uTPlayListManager.h"
#include "core/tablestore/uTEasyQuery.h"
#include "ui/common/uMainServices.h"
#include "ui/common/uPrompts.h"
#include "ui/common/uQtPath.h"
#include "ui/common/uWorkerInbox.h"
#include "ui/library/uFraMedia.h"
#include "ui/library/uFraMediaShared.h"
#include "ui/metadata/uFrmMP3Tag.h"

namespace orvanta {

using namespace media_view;

void TfraMedia::PlaySelectedFile() {
    const std::vector<int> rows = SelectedRows();
    if (rows.size() == 1)
        FMain->PlayFile(PathToQString(MediaModel->Item(rows.front()).FullPath()));
}

void TfraMedia::LocateFile() {
    const std::vector<int> rows = SelectedRows();
    if (rows.size() == 1 && OnLocateFile)
        OnLocateFile(PathToQString(MediaModel->Item(rows.front()).Directory));
}

void TfraMedia::EditMP3Tag() {
    const std::vector<int> rows = SelectedRows();
    if (rows.size() > 1)
        EditSeveralTags(rows);
    if (rows.size() != 1)
        return;
    const int row = rows.front();
    TMediaItem item = MediaModel->Item(row);
    TfrmMP3Tag dialog(*FPrompts, this);
    if (!dialog.LoadFile(*FMediaDB, PathToQString(item.Directory), PathToQString(item.FileName)))
        return;
    // OK writes the row, and so does a "Save Tag" (from the file) even when Cancel follows.
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if ((!accepted && !dialog.LibraryChanged()) || !FMediaDB)
        return;
    if (accepted)
        ShowNote(QStringLiteral("Saved to the library: %1. \"Save Tag\" writes the file.")
                     .arg(fromStd(DisplayPath(item.FileName))));
    // The item keeps its place; the filter list is not rebuilt. The list may have been read
    // again while the dialog was open: the row is found by its id.
    int at = row < MediaModel->Count() && MediaModel->Id(row) == item.Id ? row : -1;
    for (int i = 0; at < 0 && item.Id > 0 && i < MediaModel->Count(); ++i)
        if (MediaModel->Id(i) == item.Id)
            at = i;
    if (TMediaRecord edited;
        at >= 0 && FMediaDB->FindMedia(item.Directory, item.FileName, edited)) {
        item.Title = std::move(edited.Title);
        item.Artist = std::move(edited.Artist);
        item.Album = std::move(edited.Album);
        item.Year = std::move(edited.Year);
        item.Genre = std::move(edited.Genre);
        MediaModel->UpdateItem(at, item);
    }
    ReloadFilterItems(false);
}

bool TfraMedia::ConfirmRemoveFiles(const std::vector<int>& Rows) {
    for (auto row = Rows.rbegin(); row != Rows.rend(); ++row) {
        if (!FMaintenance->InPlayLists(MediaModel->Item(*row).TrackEntry()))
            continue;
        const bool one = Rows.size() == 1;
        return FPrompts->ConfirmAction(
            (one ? QStringLiteral("The selected file is part of one or more playlists.\r\n")
                 : QStringLiteral(
                       "Some of the selected files are part of one or more playlists.\r\n")) +
            QStringLiteral("Files removed from the My Music view will also be removed from the "
                           "playlists of which they are part.") +
            QStringLiteral("\r\n") +
            (one ? QStringLiteral("Do you really want to remove the selected file ?")
                 : QStringLiteral("Do you really want to remove the selected files ?")));
    }
    return true;
}

void TfraMedia::RemoveFiles() {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty() || !ConfirmRemoveFiles(rows))
        return;
    // Last row first, as before; the rows are found again by id when the removal ends, as
    // the list may be sorted or read again meanwhile.
    std::vector<TMediaItem> items;
    items.reserve(rows.size());
    for (auto row = rows.rbegin(); row != rows.rend(); ++row)
        items.push_back(MediaModel->Item(*row));
    BeginWork(TWork::Removing, QStringLiteral("Removing files"), static_cast<int>(items.size()));
    auto progress = ProgressSender(TWork::Removing, QStringLiteral("Removing file %1 of %2"));
    FInbox->Post<std::size_t>(
        *FWriter, TLibraryWorker::NoLane,
        [items, stop = FStopWork, progress, gone = FRemovedEntries](TMyMediaDB& Library,
                                                                    const TCancelToken& Cancel) {
            TMaintenanceProgress watch;
            watch.OnProgress = progress;
            watch.Cancelled = [stop, Cancel] { return *stop || Cancel.Cancelled(); };
            const std::size_t removed = RemoveMediaRows(Library, items, watch);
            std::vector<std::string> entries;
            for (std::size_t i = 0; i < removed; ++i)
                entries.push_back(items[i].TrackEntry());
            gone->Add(std::move(entries));
            return removed;
        },
        [this, items](std::size_t Removed) { RunGuarded([&] { RemovedFiles(items, Removed); }); },
        [this](const QString& Error) {
            EndWork();
            ShowException(*FPrompts, Error);
            StartNextImport();
        });
}

void TfraMedia::RemovedFiles(const std::vector<TMediaItem>& Items, std::size_t Removed) {
    std::unordered_set<std::int64_t> ids;
    std::unordered_set<std::string> paths;
    for (std::size_t i = 0; i < Removed; ++i) {
        if (Items[i].Id > 0)
            ids.insert(Items[i].Id);
        else
            paths.insert(Items[i].FullPath());
    }
    std::vector<int> rows;
    for (int row = 0; row < MediaModel->Count(); ++row) {
        const std::int64_t id = MediaModel->Id(row);
        if (id > 0 ? ids.contains(id)
                   : !paths.empty() && paths.contains(MediaModel->Item(row).FullPath()))
            rows.push_back(row);
    }
    RemoveEntriesFromPlayLists();
    FController.SetLibraryVersion(LibraryVersion());
    EndWork();
    MediaModel->RemoveRows(rows);
    FMain->RefreshPlayListTracks();
    ReloadFilterItems(false);
    StartNextImport();
}

void TfraMedia::RefreshMedia(bool ThenFindNew, std::vector<std::string> Folders) {
    BeginWork(TWork::Purging, QStringLiteral("Looking for missing files"), 0);
    // A look at the folders the library follows goes unseen.
    if (!Folders.empty())
        pnlProgress->hide();
    auto progress =
        ProgressSender(TWork::Purging, QStringLiteral("Looking for missing files: %1 of %2"));
    // When new files are looked for next, this one look at each file also finds the changed.
    TPurgeScope scope{Folders, ThenFindNew};
    FInbox->Post<TPurgeResult>(
        *FWriter, TLibraryLane::Purge,
        [types = FFileTypes, stop = FStopWork, progress, gone = FRemovedEntries,
         scope = std::move(scope)](TMyMediaDB& Library, const TCancelToken& Cancel) {
            // A library opened read-only is listed as it is.
            if (Library.ReadOnly())
                return TPurgeResult();
            // The playlists are the window's: their entries go when the result arrives.
            TPlayListManager noPlayLists;
            TMediaMaintenance maintenance(Library, noPlayLists, *types);
            TMaintenanceProgress watch;
            watch.OnProgress = progress;
            watch.Cancelled = [stop, Cancel] { return *stop || Cancel.Cancelled(); };
            TPurgeResult purged = maintenance.RemoveMissingFiles(watch, scope);
            gone->Add(purged.Removed);
            return purged;
        },
        [this, ThenFindNew, Folders = std::move(Folders)](TPurgeResult Purged) {
            RunGuarded([&] {
                RemoveEntriesFromPlayLists();
                FController.SetLibraryVersion(LibraryVersion());
                EndWork();
                FMain->RefreshPlayListTracks();
                if (!Purged.Removed.empty())
                    ReloadFilterItems(true);
                // Then, in the background, the files that appeared beside the library's files
                // and those that changed since they were read.
                if (ThenFindNew) {
                    TImportRequest request;
                    request.Paths = Folders;
                    request.NewFiles = true;
                    request.Changed = std::move(Purged.Changed);
                    request.Following = !Folders.empty();
                    FController.Imports.Ask(std::move(request));
                }
                StartNextImport();
            });
        },
        [this](const QString& Error) {
            EndWork();
            ShowException(*FPrompts, Error);
            StartNextImport();
        });
}

void TfraMedia::PlayAlbum() {
    TPlayList queue;
    for (int row = 0; row < MediaModel->Count(); ++row)
        queue.InsertTrack(MediaModel->Item(row).TrackEntry(), -1);
    if (queue.Count() > 0)
        FMain->PlayPlayList(queue);
}

void TfraMedia::lvwMediaDblClick(const QModelIndex& Row) {
    if (!FMain || !FMain->ContinueThroughList() || !Row.isValid() || !FWorker) {
        DoCommand(ECommand::MediaPlayFile);
        return;
    }
    // The list as shown from the row on (an album, a filter's rows, a search's), read on the
    // worker: from the top of "All" that is the whole library. Rows given whole are at hand.
    std::vector<std::int64_t> ids;
    std::vector<std::pair<std::size_t, std::string>> whole;
    for (int at = Row.row(); at < MediaModel->Count(); ++at) {
        const std::int64_t id = MediaModel->Id(at);
        if (id <= 0)
            whole.emplace_back(ids.size(), MediaModel->Item(at).TrackEntry());
        ids.push_back(id);
    }
    FInbox->Post<std::vector<std::string>>(
        *FWorker, TLibraryLane::PlayFrom,
        [ids = std::move(ids), whole = std::move(whole)](TMyMediaDB& Library,
                                                         const TCancelToken& Cancel) {
            std::vector<std::string> entries(ids.size());
            for (const auto& [at, entry] : whole)
                entries[at] = entry;
            constexpr std::size_t Page = TMediaListModel::FetchPage;
            for (std::size_t first = 0; first < ids.size() && !Cancel.Cancelled(); first += Page) {
                const std::size_t last = std::min(ids.size(), first + Page);
                std::vector<std::int64_t> page;
                for (std::size_t at = first; at < last; ++at)
                    if (ids[at] > 0)
                        page.push_back(ids[at]);
                std::unordered_map<std::int64_t, std::string> read;
                for (const TMediaRecord& row : Library.MediaByIds(page))
                    read.emplace(row.Id, row.TrackEntry());
                for (std::size_t at = first; at < last; ++at)
                    if (const auto found = read.find(ids[at]); found != read.end())
                        entries[at] = found->second;
            }
            return entries;
        },
        [this](std::vector<std::string> Entries) {
            RunGuarded([&] {
                // A row removed meanwhile is left out.
                TPlayList queue;
                for (std::string& entry : Entries)
                    if (!entry.empty())
                        queue.InsertTrack(std::move(entry), -1);
                if (queue.Count() > 0)
                    FMain->PlayFromHere(queue, 0);
            });
        },
        [this](const QString& Error) { ShowException(*FPrompts, Error); });
}

void TfraMedia::AddFilesToPlayList() {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty())
        return;
    const std::string name = PathFromQString(FMain->SelectedPlayListName());
    TPlayList* target = name.empty() ? nullptr : FPlayLists->FindByName(name);
    if (!target)
        return;
    // In the order the list shows them, so an album lands as it plays.
    std::vector<std::string> entries;
    for (int row : rows)
        entries.push_back(MediaModel->Item(row).TrackEntry());
    const std::string refused = AddEntries(*FPlayLists, *target, entries);
    lvwMedia->selectionModel()->clearSelection();
    FMain->RefreshPlayListTracks();
    if (!refused.empty())
        FPrompts->Information(PathForDisplay(refused));
}

void TfraMedia::TRemovedEntries::Add(std::vector<std::string> More) {
    const std::lock_guard guard(Lock);
    Entries.insert(Entries.end(), std::make_move_iterator(More.begin()),
                   std::make_move_iterator(More.end()));
}

std::vector<std::string> TfraMedia::TRemovedEntries::Take() {
    const std::lock_guard guard(Lock);
    return std::exchange(Entries, {});
}

void TfraMedia::RemoveEntriesFromPlayLists() {
    if (std::vector<std::string> entries = FRemovedEntries->Take(); !entries.empty())
        FPlayLists->RemoveTracksEverywhere(entries);
}

} // namespace orvanta
