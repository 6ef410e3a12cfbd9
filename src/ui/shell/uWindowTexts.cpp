#include "ui/shell/uWindowTexts.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QTreeView>

#include "ui/common/uAccessibleTexts.h"
#include "ui/library/uFraMedia.h"
#include "ui/playback/uFraTransportBar.h"
#include "ui/playlists/uFraPlayLists.h"
#include "ui/shell/uFrmMain.h"

namespace orvanta {

void DescribeMainWindow(TfrmMain& Window) {
    // A tool bar too narrow for its buttons hands the rest to this button's menu.
    for (QToolButton* more :
         Window.findChildren<QToolButton*>(QStringLiteral("qt_toolbar_ext_button")))
        SetAccessibleTexts({{more, QStringLiteral("More commands"),
                             QStringLiteral("The tool bar's commands that have no room")}});
    TfraMedia& media = *Window.fraMedia1;
    TfraTransportBar& bar = *Window.wmpPlayer;
    SetAccessibleTexts({
        {Window.spdViewMedia, {}, QStringLiteral("Shows the library, My Music")},
        {Window.spdViewPlayLists, {}, QStringLiteral("Shows the playlists")},
        {Window.cmbPlayLists, QStringLiteral("Playlist"),
         QStringLiteral("The playlist that Add to Playlist adds to")},
        {Window.cmbPlayListMode, QStringLiteral("Play mode"),
         QStringLiteral("How the playlist plays: in order, repeated or at random")},
        {media.cmbFilter, QStringLiteral("Filter by"),
         QStringLiteral("Lists the library by artist, album, genre or album artist")},
        {media.lstItems, QStringLiteral("Filter values"),
         QStringLiteral("Choosing one lists its files")},
        {media.txtSearch, QStringLiteral("Search"),
         QStringLiteral("Lists the files containing every word typed")},
        {media.lvwMedia, QStringLiteral("My Music"),
         QStringLiteral("The library's files; Enter plays the selected one")},
        {media.prgProgress, QStringLiteral("Progress"), QStringLiteral("Progress of the work")},
        {media.cmdCancelWork, {}, QStringLiteral("Stops the work")},
        {bar.cmdPrevious, {}, QStringLiteral("Plays the previous track")},
        {bar.cmdPlayPause, {}, QStringLiteral("Plays or pauses")},
        {bar.cmdNext, {}, QStringLiteral("Plays the next track")},
        {bar.cmdStop, {}, QStringLiteral("Stops playing")},
        {bar.trkSeek, {}, QStringLiteral("The playing position; the arrow keys move it")},
        {bar.cmdMute, {}, QStringLiteral("Turns the sound off or on")},
        {bar.trkVolume, {}, QStringLiteral("The volume")},
    });
}

void DescribePlayListsView(TfraPlayLists& View) {
    SetAccessibleTexts({
        {View.lstPlayLists, QStringLiteral("Playlists"),
         QStringLiteral("The playlists; choosing one lists its tracks")},
        {View.lvwTracks, QStringLiteral("Tracks"),
         QStringLiteral("The chosen playlist's tracks; Enter plays the selected one")},
    });
}

} // namespace orvanta
