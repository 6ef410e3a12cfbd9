#pragma once

#include <QImage>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>

#include "core/library/uTrackInfo.h"

namespace orvanta {

// What the file of a track handed on holds for the strip, the title and the desktop.
struct TNowPlayingFile {
    // The serial of the track it was read for; an answer for an older one is dropped.
    unsigned Serial = 0;
    // Whether Tags was read (only when the library had no row).
    bool HasTags = false;
    TTrackInfo Tags;
    // At most 256 px each way; null without a picture.
    QImage Cover;
};

// Reads the playing track's tags and cover on a thread of its own, since a file on a slow
// share would freeze the window at every track change. One read at a time; a newer request
// replaces one not yet begun. Answers come to Receiver's thread, queued, and never once
// Receiver or this reader is gone.
class TNowPlayingReader {
public:
    using TAnswer = std::function<void(const TNowPlayingFile&)>;

    TNowPlayingReader(QObject& Receiver, TAnswer Answer);
    ~TNowPlayingReader();
    TNowPlayingReader(const TNowPlayingReader&) = delete;
    TNowPlayingReader& operator=(const TNowPlayingReader&) = delete;

    void Read(unsigned Serial, const std::string& Path, bool Tags);

private:
    struct TState;
    std::shared_ptr<TState> FState;
};

// The track's picture from its tag or folder, scaled to at most 256 px each way; null when
// there is none or it does not decode. Safe on any thread.
QImage ReadCover(const std::string& Path);

} // namespace orvanta
