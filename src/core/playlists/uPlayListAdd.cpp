#include "core/playlists/uPlayListAdd.h"

#include "core/playlists/uTPlayListManager.h"

namespace orvanta {

std::string AddEntries(const TPlayListManager& Manager, TPlayList& List,
                       const std::vector<std::string>& Entries) {
    if (Manager.IsUnread(&List))
        return UnreadPlayListMessage(List.Name);
    std::string refused;
    for (const std::string& entry : Entries)
        if (!List.AddTrack(entry, -1))
            refused += (refused.empty() ? "" : "\r\n") + PlayListRefusalMessage(TrackPath(entry));
    return refused;
}

} // namespace orvanta
