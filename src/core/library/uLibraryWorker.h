#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace orvanta {

class TMyMediaDB;

// Asks a job to stop; the job looks at it between rows and ends early, its result unused.
class TCancelToken {
public:
    TCancelToken() : FFlag(std::make_shared<std::atomic<bool>>(false)) {}
    bool Cancelled() const { return FFlag->load(std::memory_order_relaxed); }
    void Cancel() const { FFlag->store(true, std::memory_order_relaxed); }

private:
    std::shared_ptr<std::atomic<bool>> FFlag;
};

// Lowers the calling thread's priority below the window's thread, which then gets the processor
// first; threads it starts inherit it. For good: Linux lets a thread lower its priority, not
// raise it again.
void RunBelowTheWindow();

// Thrown by a job (for example from a walk's row callback) once its token is cancelled: the
// worker ends the job quietly.
struct TJobCancelled {};

// A walk's row callback: every 1,024 rows it looks at the token, and ends the job once a newer
// request cancelled it.
inline auto RowCancelCheck(const TCancelToken& Cancel) {
    return [&Cancel, rows = 0]() mutable {
        if (++rows % 1024 == 0 && Cancel.Cancelled())
            throw TJobCancelled();
    };
}

// Library work that can take longer than a frame, on one thread with a library connection of
// its own (opened on that thread on first use), one job after another in the order posted.
// Jobs of the same lane supersede each other: posting one cancels the lane's job running and
// drops the one waiting, so only the newest request of a kind is answered. A job hands its
// result on itself (the Qt side queues it to the window's thread).
class TLibraryWorker {
public:
    using TJob = std::function<void(TMyMediaDB& Library, const TCancelToken& Cancel)>;
    // Lane 0 never supersedes.
    static constexpr int NoLane = 0;

    // Background workers run below the window's thread: their work is not what the user
    // waits for at that moment (reading ahead, looking for changes).
    enum class TPriority { Window, Background };

    // With no LibraryFile the worker opens none, and its jobs get a library that is not open:
    // work that reads no library still runs in order, superseded by lane.
    TLibraryWorker(std::string LibraryFile, bool ReadOnly, TPriority Priority = TPriority::Window);
    // Cancels every job and waits for the one in hand.
    ~TLibraryWorker();
    TLibraryWorker(const TLibraryWorker&) = delete;
    TLibraryWorker& operator=(const TLibraryWorker&) = delete;

    TCancelToken Post(TJob Job, int Lane = NoLane);
    // Cancels the lane's jobs, running and waiting.
    void CancelLane(int Lane);
    // Nothing waits and nothing runs.
    bool Idle();
    bool OnWorkerThread() const { return std::this_thread::get_id() == FThreadId.load(); }
    // A job that failed reports it here (the library's error text); on the worker's thread.
    std::function<void(const std::string& Error)> OnError;

private:
    struct TEntry {
        TJob Job;
        int Lane = NoLane;
        TCancelToken Cancel;
    };
    void Run();
    // Cancels the lane's waiting and running jobs; FLock is held.
    void cancelLaneLocked(int Lane);

    const std::string FLibraryFile;
    const bool FReadOnly;
    const TPriority FPriority;
    std::mutex FLock;
    std::condition_variable FWake;
    std::deque<TEntry> FQueue;
    // The job in hand, under FLock.
    int FRunningLane = NoLane;
    TCancelToken FRunningCancel;
    bool FRunning = false;
    bool FStop = false;
    std::atomic<std::thread::id> FThreadId;
    std::thread FThread;
};

} // namespace orvanta
