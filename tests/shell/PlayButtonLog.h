#pragma once

#include <QString>

#include "ui/playback/uPlaybackControl.h"

namespace orvanta::test {

// Remembers the picture and hint each play button shows.
class TPlayButtonLog : public IPlayButtons {
public:
    void SetPlayButton(TPlayButton Button, int ImageIndex, const QString& Hint) override {
        Images[static_cast<int>(Button)] = ImageIndex;
        Hints[static_cast<int>(Button)] = Hint;
    }
    // All three show their play pictures.
    bool AllPlay() const {
        return Images[0] == 0 && Images[1] == 2 && Images[2] == 4 &&
               Hints[0] == QStringLiteral("Play File") &&
               Hints[1] == QStringLiteral("Play Playlist") &&
               Hints[2] == QStringLiteral("Play Track");
    }
    int Image(TPlayButton Button) const { return Images[static_cast<int>(Button)]; }
    QString Hint(TPlayButton Button) const { return Hints[static_cast<int>(Button)]; }

    int Images[3] = {-1, -1, -1};
    QString Hints[3];
};

} // namespace orvanta::test
