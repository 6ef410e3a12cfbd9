#pragma once

namespace orvanta {

// The views' commands by name. A command's number says where it belongs: the hundreds name
// the view that runs it (1 My Music, 2 Playlists), the rest its place in that view's list.
enum class ECommand {
    MediaPlayFile = 100,
    MediaLocateFile = 101,
    MediaEditMP3Tag = 102,
    MediaAddFiles = 103,
    MediaRemoveFiles = 104,
    MediaRefreshMedia = 105,
    // Listed in the view's menu but hidden; it does nothing.
    MediaFindMedia = 106,
    MediaAddFilesToPlayList = 107,
    MediaAddFolder = 108,
    MediaPlayAlbum = 109,
    MediaReplayGain = 110,
    PlayListsPlay = 200,
    PlayListsNew = 201,
    PlayListsRename = 202,
    PlayListsRemove = 203,
    PlayListsShuffle = 204,
    PlayListsPlayTrack = 205,
    PlayListsRemoveTracks = 206,
    PlayListsMoveTrackUp = 207,
    PlayListsMoveTrackDown = 208,
    PlayListsPlayFromHere = 209,
    // No view runs it.
    FindMedia = 300,
};

// The two views of the main window, numbered as the hundreds of their commands.
enum class EView { None = 0, Media = 1, PlayLists = 2 };

constexpr EView ViewOf(ECommand Command) {
    switch (static_cast<int>(Command) / 100) {
    case 1:
        return EView::Media;
    case 2:
        return EView::PlayLists;
    default:
        return EView::None;
    }
}

} // namespace orvanta
