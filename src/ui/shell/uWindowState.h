#pragma once

class QSettings;

namespace orvanta {

class TfraPlayLists;
class TfrmMain;

// What the user arranged in the main window, kept between runs: geometry and state, the view
// shown, both views' splitters and columns, the My Music filter and sort, volume and mute, and
// the playlist chosen in the tool bar's box.
void SaveWindowState(TfrmMain& Window, QSettings& Settings);
// Applied once the views are filled; anything missing or no longer there keeps its default.
// False when no geometry was stored (the window is then centred as at a first start).
bool RestoreWindowState(TfrmMain& Window, const QSettings& Settings);
// The Playlists view's part: its splitter and track columns, which of them are shown included;
// restored when that view is built.
void SavePlayListsViewState(const TfraPlayLists& View, QSettings& Settings);
void RestorePlayListsViewState(TfraPlayLists& View, const QSettings& Settings);

} // namespace orvanta
