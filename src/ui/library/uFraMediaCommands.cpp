#include <QComboBox>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QTableView>
#include <algorithm>
#include <functional>

#include "core/common/uDisplayUtils.h"
#include "core/common/uPathText.h"
#include "core/common/uTFileUtils.h"
#include "core/library/uMediaMaintenance.h"
#include "core/library/uTMyMediaDB.h"
#include "core/playlists/uPlayListAdd.h"
#include "core/playlists/uTPlayList.h"
#include "core/playlists/uTPlayListManager.h"
#include "core/tablestore/uTEasyQuery.h"
#include "ui/common/uMainServices.h"
#include "ui/common/uPrompts.h"
#include "ui/common/uQtPath.h"
#include "ui/library/uFraMedia.h"
#include "ui/library/uFraMediaShared.h"
#include "ui/metadata/uFrmMP3Tag.h"

namespace orvanta {

using namespace media_view;

namespace {

// Ends the busy state however a long command ends, exceptions included.
class TWorkGuard {
public:
    explicit TWorkGuard(std::function<void()> End) : FEnd(std::move(End)) {}
    ~TWorkGuard() { FEnd(); }
    TWorkGuard(const TWorkGuard&) = delete;
    TWorkGuard& operator=(const TWorkGuard&) = delete;

private:
    std::function<void()> FEnd;
};

} // namespace

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
    // The item keeps its place; the filter list is not rebuilt.
    if (TMediaRecord edited; FMediaDB->FindMedia(item.Directory, item.FileName, edited)) {
        item.Title = std::move(edited.Title);
        item.Artist = std::move(edited.Artist);
        item.Album = std::move(edited.Album);
        item.Year = std::move(edited.Year);
        item.Genre = std::move(edited.Genre);
        MediaModel->UpdateItem(row, item);
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
    const int total = static_cast<int>(rows.size());
    std::vector<int> removed;
    removed.reserve(rows.size());
    {
        BeginWork(QStringLiteral("Removing files"), total);
        const TWorkGuard guard([this] { EndWork(); });
        // One write to disk for the whole removal instead of one per file.
        FMediaDB->BeginBatch();
        try {
            for (auto row = rows.rbegin(); row != rows.rend() && !FCancelled; ++row) {
                const TMediaItem& item = MediaModel->Item(*row);
                FMaintenance->RemoveFile(item.Directory, item.FileName, item.Seconds);
                removed.push_back(*row);
                ShowWork(QStringLiteral("Removing file %1 of %2: %3")
                             .arg(removed.size())
                             .arg(total)
                             .arg(fromStd(item.FileName)),
                         static_cast<int>(removed.size()));
            }
            FMediaDB->EndBatch();
        } catch (...) {
            FMediaDB->CancelBatch();
            throw;
        }
    }
    MediaModel->RemoveRows(removed);
    FMain->RefreshPlayListTracks();
    ReloadFilterItems(false);
}

void TfraMedia::RefreshMedia() {
    TPurgeResult purged;
    {
        BeginWork(QStringLiteral("Looking for missing files"), 0);
        const TWorkGuard guard([this] { EndWork(); });
        TMaintenanceProgress progress;
        progress.OnProgress = [this](int done, int total) {
            prgProgress->setMaximum(std::max(total, 1));
            ShowWork(QStringLiteral("Looking for missing files: %1 of %2").arg(done).arg(total),
                     done);
        };
        progress.Cancelled = [this] { return FCancelled; };
        // A library opened read-only is listed as it is.
        if (!FMediaDB->ReadOnly())
            purged = FMaintenance->RemoveMissingFiles(progress);
    }
    FMain->RefreshPlayListTracks();
    // The first refresh fills the lists; later ones keep the user's choice.
    if (FSortState == 0)
        cmbFilterChange();
    else if (!purged.Removed.empty())
        ReloadFilterItems(true);
}

void TfraMedia::PlayAlbum() {
    TPlayList queue;
    for (int row = 0; row < MediaModel->Count(); ++row)
        queue.InsertTrack(MediaModel->Item(row).TrackEntry(), -1);
    if (queue.Count() > 0)
        FMain->PlayPlayList(queue);
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

} // namespace orvanta
