#include "ui/shell/uWindowState.h"

#include <QComboBox>
#include <QHeaderView>
#include <QSettings>
#include <QSlider>
#include <QSplitter>
#include <QToolButton>
#include <QTreeView>

#include "ui/common/uColumnState.h"
#include "ui/common/uQtPath.h"
#include "ui/library/uFraMedia.h"
#include "ui/library/uFraMediaState.h"
#include "ui/playback/uFraTransportBar.h"
#include "ui/playlists/uFraPlayLists.h"
#include "ui/shell/uFrmMain.h"

namespace orvanta {

namespace {
const QString GeometryKey = QStringLiteral("Window/Geometry");
const QString StateKey = QStringLiteral("Window/State");
const QString ViewKey = QStringLiteral("Window/View");
const QString PlayListKey = QStringLiteral("Window/PlayList");
const QString PlayListsSplitterKey = QStringLiteral("Playlists/Splitter");
const QString TrackColumnsKey = QStringLiteral("Playlists/Columns");
const QString TrackColumnWidthsKey = QStringLiteral("Playlists/ColumnWidths");
// How many track columns the saved state knew; there were 2 before the library's were added.
const QString TrackColumnCountKey = QStringLiteral("Playlists/ColumnCount");
constexpr int FirstTrackColumnCount = 2;
const QString VolumeKey = QStringLiteral("Player/Volume");
const QString MutedKey = QStringLiteral("Player/Muted");
} // namespace

void SaveWindowState(TfrmMain& Window, QSettings& Settings) {
    Settings.setValue(GeometryKey, Window.saveGeometry());
    Settings.setValue(StateKey, Window.saveState());
    Settings.setValue(ViewKey, static_cast<int>(Window.CurrentView()));
    // Bytes: a name that is not UTF-8 would not survive the settings file as text.
    Settings.setValue(PlayListKey,
                      QByteArray::fromStdString(PathFromQString(Window.SelectedPlayListName())));
    SavePlayListsViewState(*Window.PlayListsView(), Settings);
    Settings.setValue(VolumeKey, Window.wmpPlayer->trkVolume->value());
    Settings.setValue(MutedKey, Window.wmpPlayer->cmdMute->isChecked());
    SaveMediaViewState(*Window.fraMedia1, Settings);
}

bool RestoreWindowState(TfrmMain& Window, const QSettings& Settings) {
    const bool placed = Window.restoreGeometry(Settings.value(GeometryKey).toByteArray());
    Window.restoreState(Settings.value(StateKey).toByteArray());
    if (Settings.value(ViewKey).toInt() == static_cast<int>(EView::PlayLists))
        Window.spdViewPlayLists->click();
    const int playList = Window.cmbPlayLists->findData(
        PathToQString(Settings.value(PlayListKey).toByteArray().toStdString()));
    if (playList >= 0)
        Window.cmbPlayLists->setCurrentIndex(playList);
    Window.wmpPlayer->trkVolume->setValue(
        Settings.value(VolumeKey, Window.wmpPlayer->trkVolume->value()).toInt());
    Window.wmpPlayer->cmdMute->setChecked(Settings.value(MutedKey, false).toBool());
    RestoreMediaViewState(*Window.fraMedia1, Settings);
    return placed;
}

void SavePlayListsViewState(const TfraPlayLists& View, QSettings& Settings) {
    Settings.setValue(PlayListsSplitterKey, View.splPlayLists->saveState());
    SaveColumns(*View.lvwTracks->header(), Settings, TrackColumnsKey, TrackColumnWidthsKey);
    Settings.setValue(TrackColumnCountKey, View.lvwTracks->header()->count());
}

void RestorePlayListsViewState(TfraPlayLists& View, const QSettings& Settings) {
    View.splPlayLists->restoreState(Settings.value(PlayListsSplitterKey).toByteArray());
    QHeaderView* header = View.lvwTracks->header();
    RestoreColumns(*header, Settings, TrackColumnsKey, TrackColumnWidthsKey);
    // A state saved before a column existed keeps it hidden.
    for (int column = Settings.value(TrackColumnCountKey, FirstTrackColumnCount).toInt();
         column < header->count(); ++column)
        header->setSectionHidden(column, true);
}

} // namespace orvanta
