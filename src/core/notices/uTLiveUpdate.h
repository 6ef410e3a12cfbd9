#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace orvanta {

// Fetches named text files in the background, one self-freeing TInet thread per name, and hands
// each whole text to OnComplete (or reports OnError) on that download thread.
//
// Destruction is safe while downloads run: it stops raising OnError and OnComplete (waiting for
// a handler that is running), asks every running download to stop, and waits at most
// TeardownWait for them to end. The state the threads use is shared with them and outlives this
// object, so a late thread never touches freed memory. Do not destroy it from its own handlers.
class TLiveUpdate {
public:
    using TErrorEvent = std::function<void(const std::string& Name)>;
    using TCompleteEvent = std::function<void(const std::string& Name, const std::string& Text)>;

    TLiveUpdate();
    ~TLiveUpdate();
    TLiveUpdate(const TLiveUpdate&) = delete;
    TLiveUpdate& operator=(const TLiveUpdate&) = delete;

    // Set before the first Fetch; raised on the download threads.
    TErrorEvent OnError;
    TCompleteEvent OnComplete;

    // Passed to each download.
    int Port = 80;
    std::chrono::milliseconds StallTimeout{30000};
    std::chrono::milliseconds TeardownWait{1000};

    // Starts a download unless one of that name (any letter case) is running.
    void Fetch(const std::string& Name, const std::string& URL);
    // Waits until no download runs and no handler is busy; false after the time-out.
    bool WaitIdle(std::chrono::milliseconds Timeout) const;

private:
    struct TState;
    std::shared_ptr<TState> state_;
};

} // namespace orvanta
