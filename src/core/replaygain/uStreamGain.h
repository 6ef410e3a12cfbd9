#pragma once

#include <atomic>
#include <mutex>

#include "core/metadata/uReplayGain.h"

typedef struct _GstElement GstElement;
typedef struct _GstEvent GstEvent;

namespace orvanta {

// The ReplayGain of each stream on a volume element of the sink's chain. The element's sink pad
// sees every stream's start and tags in the order of its samples, so a new stream's gain is set
// before its first sample, even when playbin joins two files without a gap: a file without
// values never keeps the previous one's gain. Runs on the streaming thread; the settings come
// from any thread.
class TStreamGain {
public:
    TStreamGain() = default;
    ~TStreamGain();
    TStreamGain(const TStreamGain&) = delete;
    TStreamGain& operator=(const TStreamGain&) = delete;

    // Takes a reference to Element (a "volume") and watches its sink pad.
    void Attach(GstElement* Element);
    void SetSettings(const TReplayGainSettings& Settings, bool AlbumInOrder);
    // How many streams have begun to flow through the element.
    unsigned Streams() const { return FStreams.load(); }
    // The factor the current stream plays at.
    double Factor();

private:
    void handleEvent(GstEvent* Event);
    void applyLocked();

    GstElement* FElement = nullptr;
    std::mutex FLock;
    TReplayGainSettings FSettings;
    bool FAlbumInOrder = true;
    TGainValues FValues;
    double FFactor = 1.0;
    std::atomic<unsigned> FStreams{0};
};

} // namespace orvanta
