#include "core/library/uLibraryWorker.h"

#include <cassert>
#include <exception>
#include <optional>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include "core/library/uTMyMediaDB.h"

namespace orvanta {

void RunBelowTheWindow() {
    // A thread inherits its creator's policy: under a real-time one a niceness means nothing,
    // and two busy workers would shut the window's thread out.
    sched_param none{};
    ::pthread_setschedparam(::pthread_self(), SCHED_OTHER, &none);
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
}

TLibraryWorker::TLibraryWorker(std::string LibraryFile, bool ReadOnly, TPriority Priority)
    : FLibraryFile(std::move(LibraryFile)), FReadOnly(ReadOnly), FPriority(Priority) {
    FThread = std::thread([this] { Run(); });
}

TLibraryWorker::~TLibraryWorker() {
    {
        const std::lock_guard<std::mutex> hold(FLock);
        FStop = true;
        for (const TEntry& entry : FQueue)
            entry.Cancel.Cancel();
        FQueue.clear();
        if (FRunning)
            FRunningCancel.Cancel();
    }
    FWake.notify_all();
    FThread.join();
}

TCancelToken TLibraryWorker::Post(TJob Job, int Lane) {
    TEntry entry{std::move(Job), Lane, TCancelToken()};
    const TCancelToken token = entry.Cancel;
    {
        const std::lock_guard<std::mutex> hold(FLock);
        if (Lane != NoLane)
            cancelLaneLocked(Lane);
        FQueue.push_back(std::move(entry));
    }
    FWake.notify_one();
    return token;
}

void TLibraryWorker::CancelLane(int Lane) {
    const std::lock_guard<std::mutex> hold(FLock);
    cancelLaneLocked(Lane);
}

void TLibraryWorker::cancelLaneLocked(int Lane) {
    std::erase_if(FQueue, [Lane](const TEntry& waiting) {
        if (waiting.Lane != Lane)
            return false;
        waiting.Cancel.Cancel();
        return true;
    });
    if (FRunning && FRunningLane == Lane)
        FRunningCancel.Cancel();
}

bool TLibraryWorker::Idle() {
    const std::lock_guard<std::mutex> hold(FLock);
    return FQueue.empty() && !FRunning;
}

void TLibraryWorker::Run() {
    FThreadId = std::this_thread::get_id();
    if (FPriority == TPriority::Background)
        RunBelowTheWindow();
    // Opened here, so the connection is only ever used on this thread.
    std::optional<TMyMediaDB> library;
    bool opened = false;
    for (;;) {
        TEntry entry;
        {
            std::unique_lock<std::mutex> hold(FLock);
            FRunning = false;
            FWake.wait(hold, [this] { return FStop || !FQueue.empty(); });
            if (FStop)
                return;
            entry = std::move(FQueue.front());
            FQueue.pop_front();
            FRunning = true;
            FRunningLane = entry.Lane;
            FRunningCancel = entry.Cancel;
        }
        assert(OnWorkerThread());
        if (entry.Cancel.Cancelled())
            continue;
        try {
            if (!opened) {
                library.emplace();
                if (!FLibraryFile.empty() && FReadOnly) {
                    library->OpenReadOnly(FLibraryFile);
                    library->KeepCacheSmall();
                } else if (!FLibraryFile.empty()) {
                    library->OpenDatabase(FLibraryFile);
                }
                opened = true;
            }
            entry.Job(*library, entry.Cancel);
        } catch (const TJobCancelled&) {
        } catch (const std::exception& error) { // the library's EEasyError, or out of memory
            // A connection that failed to open is tried again by the next job.
            if (!opened)
                library.reset();
            if (OnError && !entry.Cancel.Cancelled())
                OnError(error.what());
        }
    }
}

} // namespace orvanta
