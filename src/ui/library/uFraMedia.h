#pragma once

#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/library/uMediaSearch.h"
#include "ui/common/uViewFrame.h"
#include "ui/library/uFraMediaModel.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
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
class TEasyQuery;
class TMediaMaintenance;
class TMyMediaDB;
class TPlayListManager;

// The "My Music" view: a filter (artists, albums or genres) and the library rows of the
// chosen value, with sortable columns and the library's commands.
class TfraMedia : public TViewFrame {
    Q_OBJECT
public:
    explicit TfraMedia(QWidget* Parent = nullptr);
    ~TfraMedia() override;

    // Keeps the objects until Finalize and lists the library after purging missing files.
    void Initialize(TMyMediaDB& MediaDB, TPlayListManager& PlayLists,
                    const TCustomStringList& FileTypes, IMainServices& Main, IPrompts& Prompts);
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

    // 0 before the first fill; then the column from 1, negative when descending.
    int SortState() const { return FSortState; }
    // Selected rows in ascending order.
    std::vector<int> SelectedRows() const;
    void SelectRows(const std::vector<int>& Rows);
    // A command is running and lets window events through; library commands wait.
    bool Busy() const { return FBusy; }
    // A search typed is still being listed.
    bool SearchPending() const;
    // Asks the running add or refresh to stop after the file in hand.
    void CancelWork();
    // At the end of the run: lets the running add and those waiting reach the library for at
    // most Limit, without listing them or saying anything; Finalize cancels what is left.
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
    QMenu* popMedia = nullptr;
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
    // Progress of a long add or refresh, with its Cancel button.
    QWidget* pnlProgress = nullptr;
    QLabel* lblProgress = nullptr;
    QProgressBar* prgProgress = nullptr;
    QPushButton* cmdCancelWork = nullptr;
    TMediaListModel* MediaModel = nullptr;

signals:
    // A long add or refresh has ended (also when cancelled).
    void WorkFinished();

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

protected:
    void RunCommand(int Number) override;

private:
    void CreateControls();
    void CreateMenu();
    QAction* AddMenuItem(const QString& Caption, int Tag);
    void mnuPopMediaClick();

    // Long lists are read with window events let through every few tens of milliseconds;
    // what shows at the end is the same as reading them in one go.
    void LoadFilterItems(bool WithAll);
    // The filter list of the chosen filter, without choosing a value.
    void LoadFilterList();
    void LoadMediaItems(const TMediaListing& Listing);
    // The model's reads of rows and sort orders.
    std::vector<TMediaItem> FetchItems(const std::vector<std::int64_t>& Ids);
    std::vector<std::int64_t> SortRanks(int Column);
    std::int64_t RowIdOf(const TMediaItem& Item);
    // The listing the filter and the search box ask for; false when no filter entry is chosen.
    bool CurrentListing(TMediaListing& Listing) const;
    // The sort state and header after a listing arrived.
    void ShowListed(const TMediaListing& Listing);
    // Typing in the search box lists on the search's thread; SearchTick shows the answer.
    void SearchTyped();
    void SearchTick();
    // Another program (orvanta-cli, a second window) changed the library: both lists are read
    // again, keeping the chosen filter value, the sort and the scroll position.
    void FollowOutsideChanges();
    std::int64_t LibraryVersion();
    // One fill of a list: counts the rows read, and lets events run when they are due,
    // keeping the view busy from the first pause to the end of the fill.
    class TListing {
    public:
        explicit TListing(TfraMedia& Frame);
        ~TListing();
        TListing(const TListing&) = delete;
        TListing& operator=(const TListing&) = delete;
        void RowRead();

    private:
        TfraMedia& FFrame;
        qint64 FStart;
        int FRows = 0;
        bool FPaused = false;
    };

    void PlaySelectedFile();
    void LocateFile();
    void EditMP3Tag();
    void AddFiles();
    void AddFolder();
    void RemoveFiles();
    bool ConfirmRemoveFiles(const std::vector<int>& Rows);
    // Purges the rows of missing files; lists the rows again when some were removed.
    void RefreshMedia();
    void AddFilesToPlayList();
    // Plays every listed row, in the order shown.
    void PlayAlbum();

    // Progress shown while a long command lets window events through.
    void BeginWork(const QString& Text, int Total);
    void ShowWork(const QString& Text, int Done);
    void EndWork();
    // A short note in the strip (no progress, no Cancel) that goes away by itself.
    void ShowNote(const QString& Text);
    // Lets window events run, at most every few tens of milliseconds.
    void KeepResponsive();

    // The background add: started here, its rows listed by the timer as they reach the disk.
    void StartImport();
    void ImportTick();
    void EndImport();
    // Shows rows read again from their changed files where the list holds them.
    void ShowUpdatedRows(const std::vector<TMediaItem>& Items);
    struct TImportRequest {
        std::vector<std::string> Paths;
        std::string PlayList;
        bool NewFiles = false;
        std::function<void(std::vector<std::string> Entries)> OnDone;
    };
    struct TImportRun;

    TMyMediaDB* FMediaDB = nullptr;
    TPlayListManager* FPlayLists = nullptr;
    IMainServices* FMain = nullptr;
    IPrompts* FPrompts = nullptr;
    std::unique_ptr<TMediaMaintenance> FMaintenance;
    const TCustomStringList* FFileTypes = nullptr;
    std::unique_ptr<TImportRun> FImport;
    std::vector<TImportRequest> FImportQueue;
    QTimer* tmrImport = nullptr;
    QTimer* tmrOutside = nullptr;
    std::int64_t FLibraryVersion = -1;
    QStringListModel* FFilterModel = nullptr;
    int FSortState = 0;
    bool FBusy = false;
    bool FCancelled = false;
    // A press on the filter list changed its selection, which lists the rows already.
    bool FListedOnPress = false;
    // The rows are listed again after a change of the library, in the order shown.
    bool FKeepSort = false;
    bool FRelistPending = false;
    // A sort is reading the library's order and lets the window run meanwhile.
    bool FSorting = false;
    std::unique_ptr<TMediaSearch> FSearch;
    std::uint64_t FSearchTicket = 0;
    TMediaListing FSearchListing;
    QTimer* tmrSearch = nullptr;
    qint64 FLastEvents = 0;
};

} // namespace orvanta
