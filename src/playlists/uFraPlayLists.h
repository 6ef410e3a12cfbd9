#pragma once

#include <QString>
#include <vector>

#include "shell/uViewFrame.h"

class QAction;
class QListWidget;
class QMenu;
class QSplitter;
class QTreeView;

namespace orvanta {

class IMainServices;
class IPrompts;
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

    void Initialize(TPlayListManager& Manager, IMainServices& Main, IPrompts& Prompts);
    void DoCommand(int Number) override;
    // Forgets the manager, which may be gone already.
    void Finalize() override;
    // Redisplays the selected playlist's tracks and the info label.
    void RefreshTracks();
    // The selected playlist takes the mode picked in the tool bar.
    void ApplyPlayMode();
    // Writes what changed and takes in other processes' changes now, as the timer does.
    void SavePlayLists();

    void SelectPlayList(int Index);
    TPlayList* CurrentPlayList() const { return FCurrentPlayList; }
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
    TTrackListModel* TrackModel = nullptr;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void CreateMenus();
    QAction* AddMenuItem(QMenu* Menu, const QString& Caption, int Tag);
    void mnuPopPlayListsClick();
    void lstPlayListsClick();

    void FillPlayLists();
    void ShowSelectedPlayList();
    int FillTracks(const TPlayList& PlayList);
    void ShowPlayListInfo(int TotalSeconds);
    bool ConfirmRemove(const QString& Name);
    int SelectedPlayListRow() const;
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
    TPlayList* FCurrentPlayList = nullptr;
    TPlayListAutoSave* FAutoSave = nullptr;
};

} // namespace orvanta
