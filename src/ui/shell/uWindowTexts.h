#pragma once

namespace orvanta {

class TfrmMain;
class TfraPlayLists;

// The accessible names and descriptions of the main window's controls: its bars, My Music and
// the transport bar; the Playlists view's when it is made.
void DescribeMainWindow(TfrmMain& Window);
void DescribePlayListsView(TfraPlayLists& View);

} // namespace orvanta
