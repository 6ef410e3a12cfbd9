#pragma once

#include <QString>
#include <QStringList>

namespace orvanta {

class TPlayList;

// What the main window offers the views: playback, refreshing the other view and the tool
// bar, and the tool bar's playlist controls.
class IMainServices {
public:
    virtual ~IMainServices() = default;
    virtual void PlayFile(const QString& Path) = 0;
    virtual void PlayTrack(const QString& Path) = 0;
    virtual void PlayPlayList(const TPlayList& PlayList) = 0;
    // Plays PlayList in its mode from its entry at Index on.
    virtual void PlayFromHere(const TPlayList& PlayList, int Index) = 0;
    virtual void RefreshPlayListNames() = 0;
    // Another program created, removed or renamed playlists: the box lists them again and
    // keeps the user's choice while it is there.
    virtual void PlayListsChangedOutside() = 0;
    virtual void RefreshPlayListTracks() = 0;
    // The name of cmbPlayLists' selected item, the target of "Add Files to Playlist": its
    // bytes as PathToQString gives them.
    virtual QString SelectedPlayListName() const = 0;
    // cmbPlayListMode's index (0 Normal, 1 Loop, 2 Random).
    virtual int PlayListModeIndex() const = 0;
    virtual void SetPlayListModeIndex(int Index) = 0;
    virtual void SetPlayListInfo(const QString& Text) = 0;
    // Adds dropped files and folders to the library in the background and, when PlayList
    // names one (its bytes as PathToQString gives them), appends them to it in the order
    // dropped.
    virtual void AddToLibrary(const QStringList& Paths, const QString& PlayList) = 0;
    // Playback > "Continue Through the List": a double-click or Return on a row plays from
    // that row on through the list as shown, rather than that row alone.
    virtual bool ContinueThroughList() const { return false; }
};

} // namespace orvanta
