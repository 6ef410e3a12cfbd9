#pragma once

#include <QMainWindow>
#include <QVector>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/common/uCommands.h"
#include "core/library/uListingStart.h"
#include "ui/common/uMainServices.h"

class QAction;
class QActionGroup;
class QButtonGroup;
class QComboBox;
class QFrame;
class QImage;
class QLabel;
class QMenu;
class QStackedWidget;
class QToolBar;
class QTimer;
class QToolButton;

namespace orvanta {

class IPlayerEngine;
class IPrompts;
class TFirstRunNotices;
class TGstPlayerEngine;
class TMprisService;
class TOptions;
class TPlayListFileCommands;
class TPlaybackControl;
class TToolPlayButtons;
class TTransportMenu;
class TfraTransportBar;
class TfraMedia;
class TfraPlayLists;
class TCustomStringList;
class TMyMediaDB;
class TPlayListManager;
class TViewFrame;

// The main window: tool bar, menus, the two stacked views and the player strip. It owns no
// media logic: each command button and menu item routes its click to a named command of a
// view.
class TfrmMain : public QMainWindow, public IMainServices {
    Q_OBJECT
public:
    // With Options the first activation sends the first-run notices while FirstRun is set.
    // Without an engine the window plays through GStreamer's playbin.
    explicit TfrmMain(IPrompts& Prompts, TOptions* Options = nullptr, QWidget* Parent = nullptr,
                      IPlayerEngine* Engine = nullptr);
    ~TfrmMain() override;

    // The last steps of the window's creation: the My Music view, then the Playlists view,
    // then the tool bar's playlist box. The views keep these objects until Finalize.
    // Start, when given, is My Music's reading worker with the first list under way.
    void InitializeViews(TMyMediaDB& MediaDB, TPlayListManager& PlayLists,
                         const TCustomStringList& FileTypes, TListingStart Start = {});
    // The Playlists view, built here when it is needed before the window built it.
    TfraPlayLists* PlayListsView();

    // IMainServices
    void PlayFile(const QString& Path) override;
    void PlayTrack(const QString& Path) override;
    void PlayPlayList(const TPlayList& PlayList) override;
    void PlayFromHere(const TPlayList& PlayList, int Index) override;
    void RefreshPlayListNames() override;
    void PlayListsChangedOutside() override;
    void RefreshPlayListTracks() override;
    QString SelectedPlayListName() const override;
    int PlayListModeIndex() const override;
    void SetPlayListModeIndex(int Index) override;
    void SetPlayListInfo(const QString& Text) override;
    void AddToLibrary(const QStringList& Paths, const QString& PlayList) override;
    bool ContinueThroughList() const override;
    // The info label's whole text (the label itself may show it elided).
    QString PlayListInfo() const { return FPlayListInfo; }

    // Files named on the command line or handed over by a second start: playlist files
    // become playlists at once; the rest are checked a slice at a time (only regular files
    // pass), added to the library in the background, then played in order as a queue. Those
    // refused are named in one short message.
    void OpenFiles(const std::vector<std::string>& Paths);
    // Drops the files still to be opened and ends My Music's threads, which read the
    // globals: must run before the globals are freed.
    void EndLibraryWork();
    // Brings the window to the front (a second start asked for it).
    void RaiseWindow();
    // Makes a playlist of each M3U/M3U8 file (a file the program was asked to open) and
    // shows the Playlists view; returns how many were imported.
    int ImportPlayListFiles(const QStringList& Files);

    void SwitchView(EView View);
    void ShowToolButtons(EView View);
    // KeepChoice: the chosen name stays chosen while it is listed; else the first is chosen.
    void FillPlayListCombo(bool KeepChoice = false);
    void ShowAbout();
    // The playing track's cover in the player strip and for the desktop; empty for none.
    void ShowCoverArt(const QImage& Cover);
    // Ends the notice downloads; must run before the settings are freed.
    void StopNotices();

    // The tool bar's button that runs Command, or null.
    QToolButton* ToolButton(ECommand Command) const;
    // The one action of Command, shared by its tool button and its menu item.
    QAction* CommandAction(ECommand Command) const;
    // The bar of the view's command buttons.
    QToolBar* CommandBar(EView View) const;
    QAction* MenuAction(const QString& Name) const;
    // Hands a folder or web address to the desktop; replaceable so tests stay off it.
    std::function<bool(const QString& Target)> OnShellOpen;
    EView CurrentView() const;

    // Tool bar and menus (named as the window's controls). The tool bar row holds the view
    // buttons' bar and, per view, a bar of its commands and a bar of its boxes.
    QWidget* pnlToolButtons = nullptr;
    QToolBar* tlbViews = nullptr;
    QToolBar* tlbMedia = nullptr;
    QToolBar* tlbMediaBoxes = nullptr;
    QToolBar* tlbPlayLists = nullptr;
    QToolBar* tlbPlayListsBoxes = nullptr;
    QToolButton* spdViewMedia = nullptr;
    QToolButton* spdViewPlayLists = nullptr;
    QToolButton* spdPlayFile = nullptr;
    QToolButton* spdPlayPlayList = nullptr;
    QToolButton* spdPlayTrack = nullptr;
    QToolButton* spdAddToPlayList = nullptr;
    QComboBox* cmbPlayLists = nullptr;
    QComboBox* cmbPlayListMode = nullptr;
    QLabel* lblPlayListInfo = nullptr;
    QWidget* pnlPlayer = nullptr;
    TfraTransportBar* wmpPlayer = nullptr;
    TPlaybackControl* Playback = nullptr;
    TMprisService* Mpris = nullptr;
    QAction* mnuPlayPrevious = nullptr;
    QAction* mnuPlayNext = nullptr;
    // Playback > "Continue Through the List" and "Resume at Start-up" (uFrmMainResume.cpp).
    QAction* mnuPlaybackContinue = nullptr;
    QAction* mnuPlaybackResume = nullptr;
    // The player strip's right-click menu; further actions go at the end of its Menu().
    TTransportMenu* TransportMenu = nullptr;
    QAction* mnuViewMedia = nullptr;
    QAction* mnuViewPlayLists = nullptr;
    TfraMedia* fraMedia1 = nullptr;
    // The Playlists view's file commands (import, export); made with the view.
    TPlayListFileCommands* PlayListFiles = nullptr;

signals:
    // The main window is shown for the first time and active.
    void FirstActivated();

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void showEvent(QShowEvent* Event) override;
    void paintEvent(QPaintEvent* Event) override;
    void changeEvent(QEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;

private slots:
    void mnuHelpHomeClick();
    void mnuHelpHelpClick();
    void cmbPlayListModeClick();
    void pnlPlayerResize();

private:
    static constexpr int DesignWidth = 760;
    // The info label's least width, enough for "00:00:00 (0 Tracks)" at the design font.
    static constexpr int InfoRoom = 111;

    void CreateMenus();
    // The Edit and Playback menus and File's playlist item, with their shortcuts
    // (uFrmMainCommands.cpp).
    void CreateCommandMenus(QMenu* File, QMenu* View);
    void PlayPauseClick();
    void RemoveClick();
    void EnableCommandMenus();
    // The commands' actions, the menu items' among them (uFrmMainToolBar.cpp).
    void CreateCommandActions();
    void CreateToolBar();
    // Hands Command to the view its number names.
    void RunToolCommand(ECommand Command);
    void spdToolButtonClick(ECommand Command);
    // The play buttons stop what plays, else run their command.
    void spdPlayClick(ECommand Command);
    void mnuViewClick(EView View);
    void mnuFileAddFilesClick(ECommand Command);
    // The window opens wide enough for every button and never gets narrower than the controls
    // that cannot go to an extension menu.
    void FitMinimumWidth();
    void FitPlayListInfo();
    TViewFrame* FrameOf(EView View);
    void InitializePlayListsView();
    // What the first picture of the window does not show: the Playlists view, then the player's
    // pipeline, each in a turn of the event loop after that picture, or when first needed.
    void BuildRest();

    void FormActivate();
    // Wires the transport bar, the queue, the desktop's media controls and their shortcuts.
    void ConnectPlayback(IPlayerEngine& Engine);
    void ShowNowPlaying();
    // The Playback menu's switches and the strip's menu (uFrmMainResume.cpp).
    void CreatePlaybackOptions(IPlayerEngine& Engine);
    // Writes where playback stands while "Resume at Start-up" is on, else forgets it.
    void SaveResumePoint();
    // Once, after the deferred build: what played before, paused where it was.
    void ResumeAtStartup();
    // The queue's file beside the library; empty without one.
    std::string ResumeQueueFile() const;
    // Says so when the desktop has no program for Target.
    void OpenOrSay(const QString& Target);

    IPrompts& FPrompts;
    TPlayListManager* FPlayListManager = nullptr;
    // Files asked to be opened, checked a slice at a time (uFrmMainOpen.cpp).
    struct TOpenQueue;
    std::shared_ptr<TOpenQueue> FOpenQueue;
    void OpenTick();
    void StartOpened(std::vector<std::string> Music);
    TMyMediaDB* FMediaDB = nullptr;
    const TCustomStringList* FFileTypes = nullptr;
    TOptions* FOptions;
    std::unique_ptr<TFirstRunNotices> FLiveUpdate;
    QStackedWidget* FViews = nullptr;
    TfraPlayLists* fraPlayLists1 = nullptr;
    std::map<ECommand, QAction*> FCommandActions;
    EView FToolView = EView::Media;
    bool FActivated = false;
    QString FPlayListInfo;
    bool FPlaced = false;
    bool FFitted = false;
    std::unique_ptr<TGstPlayerEngine> FOwnEngine;
    QTimer* tmrRest = nullptr;
    std::unique_ptr<TToolPlayButtons> FPlayButtons;
    unsigned FShownTrack = 0;
    // Whether the shown track's cover (or its absence) was read and shown.
    bool FShownCover = false;
    QString FCoverFile;
    // The track and the queue's entries last written for a restart.
    unsigned FResumeSerial = 0;
    std::uint64_t FResumeRevision = 0;
    bool FResumeTried = false;
    bool FRestoring = false;
};

} // namespace orvanta
