#pragma once

#include <QString>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "core/batch/uBatchPlan.h"
#include "core/library/uListingStart.h"
#include "core/library/uMediaController.h"
#include "core/library/uMediaSearch.h"
#include "ui/common/uViewFrame.h"
#include "ui/library/uFraMediaModel.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QModelIndex;
class QProgressBar;
class QPushButton;
class QSplitter;
class QStringListModel;
class QTimer;
class QTableView;

namespace orvanta {

struct TAddResult;

class IMainServices;
class IPrompts;
class TCustomStringList;
struct TBatchHooks;
struct TBatchOutcome;
struct TBatchSelection;
struct TBatchTargets;
class TFolderWatch;
class TEasyQuery;
class TLibraryWorker;
class TWorkerInbox;
class TMediaMaintenance;
class TMyMediaDB;
class TPlayListManager;
class TMediaFirstRun;

// The "My Music" view: a filter (artists, albums or genres) and the library rows of the
// chosen value, with sortable columns and the library's commands. Its long reads and the purge
// run on a library worker of its own; their results come back through the event loop, the
// newest request of a kind superseding older ones. Everything here runs on the GUI thread.
class TfraMedia : public TViewFrame {
    Q_OBJECT
public:
    explicit TfraMedia(QWidget* Parent = nullptr);
    ~TfraMedia() override;

    // Keeps the objects until Finalize, lists the library and then purges missing files. Start,
    // when given, is the reading worker with the first list already under way.
    void Initialize(TMyMediaDB& MediaDB, TPlayListManager& PlayLists,
                    const TCustomStringList& FileTypes, IMainServices& Main, IPrompts& Prompts,
                    TListingStart Start = {});
    void Finalize() override;

    void cmbFilterChange();
    void lstItemsClick();
    void lvwMediaColumnClick(int Column);
    void popMediaPopup();
    // Selects one filter entry (or none with -1) and shows its rows.
    void SelectFilterItem(int Row);
    QStringList FilterItems() const;
    // Reads the filter list again after the library changed, keeping the chosen entry (by
    // its value, letter case aside), the sort and the scroll positions. Relist lists the
    // chosen entry's rows again too.
    void ReloadFilterItems(bool Relist);
    // Lists the filter kind (an index of cmbFilter) with Value chosen when it is there (else
    // the first entry), sorted by SortState (0 keeps the order the rows arrive in).
    void RestoreChoice(int Kind, const QString& Value, int SortState);

    // 0 before the first fill; then the column from 1, negative when descending.
    int SortState() const { return FController.SortState(); }
    // Sorts by the column numbered from 1, descending when negative.
    void SortBy(int SortState);
    // Selected rows in ascending order.
    std::vector<int> SelectedRows() const;
    void SelectRows(const std::vector<int>& Rows);
    // A library command (a purge, a removal, an add or refresh) runs; the others wait.
    bool Busy() const { return FController.Busy(); }
    // A filter list, a listing or a sort is still being read.
    bool ListPending() const;
    // A search typed is still being listed.
    bool SearchPending() const;
    // Asks the running add or refresh to stop after the file in hand.
    void CancelWork();
    // At the end of the run: lets the running add and those waiting reach the library for at
    // most Limit, without listing them or saying anything, and a purge or removal under way
    // stop after the file in hand with its rows out of the playlists; Finalize cancels what is
    // left.
    void LetImportsFinish(std::chrono::milliseconds Limit);
    // Adds files and folders in the background, and, when PlayList names one, appends them
    // to it in the order given. While an add runs, further paths wait their turn. A file
    // given comes back even when the user removed it before; a folder's files that the user
    // removed are passed by.
    void AddPaths(const QStringList& Paths, const QString& PlayList = {});
    // Adds files in the background as AddPaths does, then hands OnDone the track entries of
    // those added or already in the library, in the order given (not when the view closes
    // first).
    void AddPathsThen(std::vector<std::string> Paths,
                      std::function<void(std::vector<std::string> Entries)> OnDone);

    // Edit > "Undo Last Batch": the last batch of tag edits and renames is reversed on the
    // writer, and a summary names the files that changed since and were left alone.
    bool CanUndoBatch() const;
    void UndoBatch();

    // Opens a folder in the file manager; replaceable so tests stay off the desktop.
    std::function<void(const QString& Folder)> OnLocateFile;

    QWidget* pnlContainer = nullptr;
    QWidget* pnlMedia = nullptr;
    QWidget* pnlFilter = nullptr;
    QComboBox* cmbFilter = nullptr;
    QListView* lstItems = nullptr;
    QSplitter* splMedia = nullptr;
    QTableView* lvwMedia = nullptr;
    // Words every listed row must contain, in its title, artist, album or genre.
    QLineEdit* txtSearch = nullptr;
    // Shown while a filter entry narrows the search, with a link that searches everything.
    QLabel* lblSearchScope = nullptr;
    QMenu* popMedia = nullptr;
    // The header's menu: shows or hides the columns beyond the standard ones.
    QMenu* popColumns = nullptr;
    QAction* mnuPopMediaPlayFile = nullptr;
    QAction* mnuPopMediaLocateFile = nullptr;
    QAction* mnuPopMediaEditMP3Tag = nullptr;
    QAction* mnuPopMediaAddFiles = nullptr;
    QAction* mnuPopMediaAddFolder = nullptr;
    QAction* mnuPopMediaRemoveFiles = nullptr;
    QAction* mnuPopMediaRefreshMedia = nullptr;
    QAction* mnuPopMediaFindMedia = nullptr;
    QAction* mnuPopMediaAddFilesToPlayList = nullptr;
    QAction* mnuPopMediaPlayAlbum = nullptr;
    QAction* mnuPopMediaReplayGain = nullptr;
    // Progress of a long add or refresh, with its Cancel button.
    QWidget* pnlProgress = nullptr;
    QLabel* lblProgress = nullptr;
    QProgressBar* prgProgress = nullptr;
    QPushButton* cmdCancelWork = nullptr;
    TMediaListModel* MediaModel = nullptr;
    // In place of the list while the library is empty (see TMediaFirstRun); made by
    // SetFirstRunHint, with the window's actions.
    TMediaFirstRun* pnlFirstRun = nullptr;
    void SetFirstRunHint(QAction& AddFolder, QAction& Follow, QAction& Continue);
    void UpdateFirstRunHint();

    // View > "Follow Library Folders": files created, changed, moved or deleted in the folders
    // that hold library files come in as a Refresh would bring them, a few seconds later.
    void FollowFolders(bool On);
    bool FollowingFolders() const { return FFolderWatch != nullptr; }
    // The folders followed now, by inotify or by a look every so often.
    std::size_t FollowedFolders() const;

signals:
    // A long add or refresh has ended (also when cancelled).
    void WorkFinished();

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

protected:
    void RunCommand(ECommand Command) override;

private:
    void CreateControls();
    void CreateMenu();
    QAction* AddMenuItem(const QString& Caption, ECommand Command);
    void mnuPopMediaClick();

    // What follows when a filter list arrives.
    struct TAfterFilter {
        // A new kind: its first entry is chosen and listed.
        bool SelectFirst = false;
        // That entry's rows are read already ("All" of the artists).
        bool Listed = false;
        // A restored choice: this value, then this sort.
        bool Restore = false;
        QString Wanted;
        int WantedSort = 0;
        // A list read again: the entry chosen before (row -1: none), found by its value, and
        // the scroll positions.
        QString Chosen;
        int ChosenRow = -1;
        int FilterScroll = 0;
        int ListScroll = 0;
        bool Relist = false;
    };
    // What follows when a listing arrives.
    struct TAfterListing {
        // Listed again after a change of the library: the order shown stays.
        bool KeepSort = false;
        int Scroll = -1;
        int WantedSort = 0;
    };
    void RequestFilterList(const TAfterFilter& After);
    void FilterListArrived(const std::vector<std::string>& Found, bool WithAll,
                           const TAfterFilter& After);
    void RequestListing(const TAfterListing& After);
    void PostListing(const TMediaListing& Listing, const TAfterListing& After);
    void StartPurgeDue();
    // A listing under way is no longer wanted.
    void DropListing();
    // The model's reads of rows and sort orders.
    std::vector<TMediaItem> FetchItems(const std::vector<std::int64_t>& Ids);
    void RequestRanks(int Column, std::function<void(std::vector<std::int64_t>)> Done);
    // Work that needs no library (the sort's memory), on the worker between its reads.
    void InBackground(std::function<void()> Work, std::function<void()> Done);
    std::int64_t RowIdOf(const TMediaItem& Item);
    // The listing the filter and the search box ask for; false when no filter entry is chosen.
    bool CurrentListing(TMediaListing& Listing) const;
    // The sort state and header after a listing arrived.
    void ShowListed(const TMediaListing& Listing, bool KeepSort);
    void AssertGuiThread() const;
    // Typing in the search box lists on the search's worker; SearchArrived shows the answer.
    void SearchTyped();
    void SearchArrived(TMediaSearch::TAnswer Answer);
    // Says whether Listing's words search one filter entry's rows only.
    void ShowSearchScope(const TMediaListing& Listing);
    // The filter's "All" entry, so that the words search the whole library.
    void SearchWholeLibrary();
    // Another program (orvanta-cli, a second window) changed the library: both lists are read
    // again, keeping the chosen filter value, the sort and the scroll position.
    void FollowOutsideChanges();
    std::int64_t LibraryVersion();

    void PlaySelectedFile();
    void LocateFile();
    void EditMP3Tag();
    void AddFiles();
    void AddFolder();
    void RemoveFiles();
    bool ConfirmRemoveFiles(const std::vector<int>& Rows);
    void RemovedFiles(const std::vector<TMediaItem>& Items, std::size_t Removed);
    // Purges the rows of missing files on the worker; lists the rows again when some were
    // removed, then, for Refresh Media, adds the new and changed files in the background.
    // Folders: only the files of these folders, quietly (the library follows them).
    void RefreshMedia(bool ThenFindNew, std::vector<std::string> Folders = {});
    void AddFilesToPlayList();
    // Plays every listed row, in the order shown.
    void PlayAlbum();
    // Play File, or the list from Row on while it is played through.
    void lvwMediaDblClick(const QModelIndex& Row);
    // Measures the selected rows' loudness on the writer, the rows of one album as an album,
    // and writes their ReplayGain tags and rows (uFraMediaReplayGain.cpp).
    void CalculateReplayGain();
    // Edit Tag with several rows: the dialog plans the edits or the tools' changes, and the batch
    // runs on the writer with progress and Cancel; then the rows are read again and the
    // playlists follow the renames (uFraMediaBatch.cpp).
    void EditSeveralTags(const std::vector<int>& Rows);
    // The dialog over the files read, and the batch it plans.
    void OpenSeveralTags(TBatchSelection Selection);
    // Plan runs on the writer, before the batch; Files is the selection's size.
    void RunTagBatch(std::function<TBatchPlan()> Plan, int Files);
    // Runs Work on the writer (after mending a batch cut short) with the progress strip and
    // Cancel, then makes the playlists follow and shows Summarise's text.
    using TBatchWork = std::function<TBatchOutcome(const TBatchTargets&, const TBatchHooks&)>;
    void PostBatch(const QString& Caption, int Total, TBatchWork Work,
                   std::function<QString(const TBatchOutcome&)> Summarise);
    void TagBatchDone(const TBatchOutcome& Outcome);

    // The library command running, and its progress strip.
    using TWork = TMediaController::TWork;
    void BeginWork(TWork Work, const QString& Text, int Total);
    // From the worker: progress of the command, shown at most every few tens of milliseconds.
    std::function<void(int Done, int Total)> ProgressSender(TWork Work, const QString& Text);
    void EndWork();
    // A short note in the strip (no progress, no Cancel) that goes away by itself.
    void ShowNote(const QString& Text);

    // The background add: a job on the writer, whose results come back through the inbox and
    // are taken in a slice per turn of the event loop.
    void StartImport(TImportRequest Request);
    // Starts the add waiting, if any, once no command runs.
    void StartNextImport();
    // Posts an add on the writer; its messages reach the run numbered Serial.
    void PostImport(const TImportRequest& Request, std::uint64_t Serial,
                    std::shared_ptr<std::atomic<bool>> Stop);
    // Takes in the next slice of the running add's results, then asks for another turn while
    // some are left.
    void ImportSlice();
    void ImportSliceLater();
    void EndImport();
    // Shows rows read again from their changed files where the list holds them.
    void ShowUpdatedRows(const std::vector<TMediaItem>& Items);

    TMyMediaDB* FMediaDB = nullptr;
    TPlayListManager* FPlayLists = nullptr;
    IMainServices* FMain = nullptr;
    IPrompts* FPrompts = nullptr;
    // Lists, filter values and sort orders are read on FWorker; purges and removals write on
    // FWriter, so a long purge never holds up a list the user asked for.
    std::unique_ptr<TLibraryWorker> FWorker;
    std::unique_ptr<TLibraryWorker> FWriter;
    TWorkerInbox* FInbox = nullptr;
    // The command running, the requests under way, the listing shown and the sort state.
    TMediaController FController;
    // The whole library's rows read before the window was built, for its first listing.
    TEarlyRows FEarlyRows;
    // At start the purge follows the first listing, so the list comes first.
    bool FStartPurgeDue = false;
    // The user's Cancel of the running command.
    std::shared_ptr<std::atomic<bool>> FStopWork;
    // Track entries of rows the worker removed whose playlists entries are still to go: kept
    // apart from the queued result, so a removal the window's close cut short still reaches
    // the playlists (LetImportsFinish) and none goes twice.
    struct TRemovedEntries {
        std::mutex Lock;
        std::vector<std::string> Entries;
        void Add(std::vector<std::string> More);
        std::vector<std::string> Take();
    };
    std::shared_ptr<TRemovedEntries> FRemovedEntries = std::make_shared<TRemovedEntries>();
    // Takes the removed rows' entries out of every playlist.
    void RemoveEntriesFromPlayLists();
    std::unique_ptr<TMediaMaintenance> FMaintenance;
    const TCustomStringList* FFileTypes = nullptr;
    // A slice of the running add is due on the next turn of the event loop.
    bool FImportSliceDue = false;
    QTimer* tmrOutside = nullptr;
    QStringListModel* FFilterModel = nullptr;
    std::unique_ptr<TMediaSearch> FSearch;

    // Following the library's folders: the watch, the folders it handed over that are still
    // to be looked at, and whether the whole library is (just switched on).
    std::shared_ptr<TFolderWatch> FFolderWatch;
    std::set<std::string> FFollowPending;
    bool FFollowAll = false;
    // Runs what the watch handed over once no command runs, then follows the folders that
    // hold library files now.
    void FollowLater();
    void RunFollowed();
};

} // namespace orvanta
