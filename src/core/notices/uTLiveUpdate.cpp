#include "core/notices/uTLiveUpdate.h"

#include <condition_variable>
#include <mutex>

#include "core/common/uTCustomStringList.h"
#include "core/notices/uTInet.h"

namespace orvanta {

namespace {
// One running download: its thread, which frees itself after its last event, and the text
// received so far.
struct TDownload : TObject {
    TInet* Thread = nullptr;
    std::string Text;
};
} // namespace

// Shared by the fetcher and its download threads, so it lives until the last thread has ended.
struct TLiveUpdate::TState {
    // Guards Downloads and Active.
    mutable std::mutex Lock;
    mutable std::condition_variable Idle;
    TCustomStringList Downloads; // name -> its TDownload
    // Downloads started and not yet through their last event.
    int Active = 0;

    // Held while an owner's event runs; Owner is cleared under it when the fetcher goes away.
    std::mutex EventLock;
    TLiveUpdate* Owner = nullptr;

    void DataArrived(const std::string& Name, const std::string& Chunk) {
        std::lock_guard guard(Lock);
        const int index = Downloads.IndexOf(Name);
        if (index >= 0)
            Downloads.ObjectAs<TDownload>(index)->Text += Chunk;
    }

    void DownloadFailed(const std::string& Name) {
        Remove(Name);
        {
            std::lock_guard guard(EventLock);
            if (Owner && Owner->OnError)
                Owner->OnError(Name);
        }
        Finish();
    }

    void DownloadDone(const std::string& Name) {
        const std::string text = Remove(Name);
        {
            std::lock_guard guard(EventLock);
            if (Owner && Owner->OnComplete)
                Owner->OnComplete(Name, text);
        }
        Finish();
    }

    // Takes the name out of the list and returns the text it collected.
    std::string Remove(const std::string& Name) {
        std::lock_guard guard(Lock);
        const int index = Downloads.IndexOf(Name);
        if (index < 0)
            return {};
        std::string text = std::move(Downloads.ObjectAs<TDownload>(index)->Text);
        Downloads.Delete(index);
        return text;
    }

    void Finish() {
        std::lock_guard guard(Lock);
        --Active;
        Idle.notify_all();
    }
};

TLiveUpdate::TLiveUpdate() : state_(std::make_shared<TState>()) {
    state_->Owner = this;
}

TLiveUpdate::~TLiveUpdate() {
    {
        // After this no handler of the owner runs, and none is still running.
        std::lock_guard guard(state_->EventLock);
        state_->Owner = nullptr;
    }
    std::unique_lock lock(state_->Lock);
    // A listed download has not yet reached its last event, so its object still lives.
    for (int i = 0; i < state_->Downloads.Count(); ++i)
        state_->Downloads.ObjectAs<TDownload>(i)->Thread->Terminate();
    state_->Idle.wait_for(lock, TeardownWait, [this] { return state_->Active == 0; });
}

void TLiveUpdate::Fetch(const std::string& Name, const std::string& URL) {
    bool started = false;
    {
        std::lock_guard guard(state_->Lock);
        if (state_->Downloads.IndexOf(Name) >= 0)
            return;
        auto inet = std::make_unique<TInet>(Name);
        inet->FreeOnTerminate = true;
        inet->Port = Port;
        inet->StallTimeout = StallTimeout;
        const std::shared_ptr<TState> state = state_;
        inet->OnData = [state](const std::string& N, const std::string& Chunk) {
            state->DataArrived(N, Chunk);
        };
        inet->OnFailed = [state](const std::string& N) { state->DownloadFailed(N); };
        inet->OnDone = [state](const std::string& N) { state->DownloadDone(N); };
        auto download = std::make_unique<TDownload>();
        download->Thread = inet.get();
        state_->Downloads.AddObject(Name, std::move(download));
        ++state_->Active;
        // The thread's first event waits for this lock, so the list is complete before it.
        started = inet->Start(URL, "", "");
        if (started) {
            inet.release(); // the thread frees it after its last event
        } else {
            state_->Downloads.Delete(state_->Downloads.IndexOf(Name));
            --state_->Active;
        }
    }
    if (!started && OnError)
        OnError(Name);
}

bool TLiveUpdate::WaitIdle(std::chrono::milliseconds Timeout) const {
    std::unique_lock lock(state_->Lock);
    return state_->Idle.wait_for(lock, Timeout, [this] { return state_->Active == 0; });
}

} // namespace orvanta
