#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "core/playlists/uPlayListsController.h"
#include "ui/common/uViewFrame.h"

class QAction;
class QListWidget;
class QMenu;
class QSplitter;
class QTreeView;

namespace orvanta {

class IMainServices;
class IPrompts;
class TLibraryWorker;
class TWorkerInbox;
class TPlayList;
class TPlayListAutoSave;
class TPlayListManager;
class TTrackListModel;
struct TPlayListSync;

// The "Playlists" view: the playlist names on the left, the tracks of the selected one on the
// right. It edits the manager's playlists, which reach their files within about a second, and
// shows what other processes changed in the folder.
class TfraPlayLists : public TViewFrame {
    Q_OBJECT
public:
    explicit TfraPlayLists(QWidget* Parent = nullptr);
    ~TfraPlayLists() override;

    void Initialize(TPlayListManager& Manager, IMainServices& Main, IPrompts& Prompts);
    // Forgets the manager, which may be gone already.
    void Finalize() override;
    // Redisplays the selected playlist's tracks and the info label.
    void RefreshTracks();
    // The selected playlist takes the mode picked in the tool bar.
    void ApplyPlayMode();
    // Writes what changed and takes in other processes' changes now, as the timer does.
    void SavePlayLists();
    // The last save before the program ends; names every playlist it could not write.
    void SaveAtExit();
    // Lists the playlists again and shows the one named (its bytes), else the first.
    void ShowPlayListNamed(const std::string& Name);

    // The library the Artist, Album and Track Title columns and the lengths of entries without
    // one are read from, on a worker of the view's own; "" reads none.
    void SetLibraryFile(const std::string& LibraryFile);
    // Library rows' entries dropped on playlist Name: added as "Add Files to Playlist" adds.
    void AddDroppedEntries(const std::string& Name, const std::vector<std::string>& Entries);
    // Moves the shown playlist's Rows before row Before, as a drag within the list does.
    void DropRows(const std::vector<int>& Rows, int Before);

    void SelectPlayList(int Index);
    TPlayList* CurrentPlayList() const { return FController.Current(); }
    // 1 while the names have the focus, 2 while the tracks have it, 0 after either lost it.
    int FocusMarker() const;
    // Selected track rows in ascending order.
    std::vector<int> SelectedTrackRows() const;
    void SelectTrackRows(const std::vector<int>& Rows);
    // Enables the track menu's items for the present selection (done before it pops up).
    void popTracksPopup();

    QWidget* pnlContainer = nullptr;
    QWidget* pnlPlayLists = nullptr;
    QListWidget* lstPlayLists = nullptr;
    QSplitter* splPlayLists = nullptr;
    QTreeView* lvwTracks = nullptr;
    QMenu* popPlayLists = nullptr;
    QMenu* popTracks = nullptr;
    // The header's menu: the optional columns, each checkable.
    QMenu* popColumns = nullptr;
    TTrackListModel* TrackModel = nullptr;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

protected:
    void RunCommand(ECommand Command) override;

private:
    void CreateMenus();
    // The optional columns, their menu, and the drags the lists take.
    void SetUpColumnsAndDrags();
    // Asks the library for what it holds of the rows shown.
    void ReadLibraryColumns();
    QAction* AddMenuItem(QMenu* Menu, const QString& Caption, ECommand Command);
    void mnuPopPlayListsClick();
    void lstPlayListsClick();
    // Play Track, or Play From Here while the list is played through.
    void lvwTracksDblClick();

    // Lists the controller's names and selects its row, without the click that follows.
    void FillPlayLists();
    void ShowSelectedPlayList();
    // Shows the controller's rows.
    void FillTracks();
    void ShowPlayListInfo();
    bool ConfirmRemove(const QString& Name);
    int SelectedPlayListRow() const;
    void ShowPlayMode();
    // Says why and answers true when the shown playlist's file could not be read: such a
    // playlist is never written back, so it takes no change.
    bool RefuseUnread();
    void DropOn(const std::string& Name, const QStringList& Paths);
    void ReportFailedSaves(const TPlayListSync& Sync);
    void SetFocusMarker(int Marker);
    void ShowSync(const TPlayListSync& Sync);

    void PlayPlayList();
    void NewPlayList();
    void RenamePlayList();
    void RemovePlayList();
    void ShufflePlayList();
    void PlayTrack();
    void PlayFromHere();
    void RemoveTracks();
    void MoveTrack(int Step);

    TPlayListManager* FManager = nullptr;
    IMainServices* FMain = nullptr;
    IPrompts* FPrompts = nullptr;
    TPlayListsController FController;
    TPlayListAutoSave* FAutoSave = nullptr;
    std::unique_ptr<TLibraryWorker> FLibrary;
    TWorkerInbox* FLibraryInbox = nullptr;
};

} // namespace orvanta
