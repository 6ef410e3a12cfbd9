#pragma once

#include "shell/uViewFrame.h"

namespace orvanta {

// The "Playlists" view: the playlist names and the tracks of the selected one.
class TfraPlayLists : public TViewFrame {
    Q_OBJECT
public:
    explicit TfraPlayLists(QWidget* Parent = nullptr);
    void DoCommand(int Number) override;
    // Redisplays the selected playlist's tracks and the info label.
    void RefreshTracks() {}
    // The selected playlist takes the mode picked in the tool bar.
    void ApplyPlayMode() {}
};

} // namespace orvanta
