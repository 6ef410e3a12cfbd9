#include "core/notices/uTLiveUpdate.h"

#include <condition_variable>
#include <mutex>

#include "core/common/uTCustomStringList.h"
#include "core/notices/uTInet.h"

namespace orvanta {

namespace {
// Collects the text of one download.
class TStringStream : public TObject {
public:
    std::string DataString;
};
} // namespace

// Shared by the fetcher and its download threads, so it lives until the last thread has ended.
struct TLiveUpdate::TState {
    // Guards Requests, Buffers and Active.
    mutable std::mutex Lock;
    mutable std::condition_variable Idle;
    TCustomStringList Requests; // name -> its TInet, which frees itself
    TCustomStringList Buffers;  // name -> its TStringStream
    // Downloads started and not yet through their last event.
    int Active = 0;

    // Held while an owner's event runs; Owner is cleared under it when the fetcher goes away.
    std::mutex EventLock;
    TLiveUpdate* Owner = nullptr;

    TState() { Requests.OwnsObjects = false; }

    void DataArrived(const std::string& Name, const std::string& Chunk) {
        std::lock_guard guard(Lock);
        const int index = Buffers.IndexOf(Name);
        if (index >= 0)
            Buffers.ObjectAs<TStringStream>(index)->DataString += Chunk;
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

    // Takes the name out of both lists and returns the text it collected.
    std::string Remove(const std::string& Name) {
        std::lock_guard guard(Lock);
        const int request = Requests.IndexOf(Name);
        if (request >= 0)
            Requests.Delete(request);
        std::string text;
        const int buffer = Buffers.IndexOf(Name);
        if (buffer >= 0) {
            text = std::move(Buffers.ObjectAs<TStringStream>(buffer)->DataString);
            Buffers.Delete(buffer);
        }
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
    for (int i = 0; i < state_->Requests.Count(); ++i)
        state_->Requests.ObjectAs<TInet>(i)->Terminate();
    state_->Idle.wait_for(lock, TeardownWait, [this] { return state_->Active == 0; });
}

void TLiveUpdate::Fetch(const std::string& Name, const std::string& URL) {
    bool started = false;
    {
        std::lock_guard guard(state_->Lock);
        if (state_->Requests.IndexOf(Name) >= 0 || state_->Buffers.IndexOf(Name) >= 0)
            return;
        auto* inet = new TInet(Name);
        inet->FreeOnTerminate = true;
        inet->Port = Port;
        inet->StallTimeout = StallTimeout;
        const std::shared_ptr<TState> state = state_;
        inet->OnData = [state](const std::string& N, const std::string& Chunk) {
            state->DataArrived(N, Chunk);
        };
        inet->OnFailed = [state](const std::string& N) { state->DownloadFailed(N); };
        inet->OnDone = [state](const std::string& N) { state->DownloadDone(N); };
        state_->Requests.AddObject(Name, inet);
        state_->Buffers.AddObject(Name, new TStringStream);
        ++state_->Active;
        // The thread's first event waits for this lock, so the lists are complete before it.
        started = inet->Start(URL, "", "");
        if (!started) {
            state_->Requests.Delete(state_->Requests.IndexOf(Name));
            state_->Buffers.Delete(state_->Buffers.IndexOf(Name));
            --state_->Active;
            delete inet;
        }
    }
    if (!started && OnError)
        OnError(Name);
}

bool TLiveUpdate::IsRunning(const std::string& Name) const {
    std::lock_guard guard(state_->Lock);
    return state_->Requests.IndexOf(Name) >= 0;
}

bool TLiveUpdate::WaitIdle(std::chrono::milliseconds Timeout) const {
    std::unique_lock lock(state_->Lock);
    return state_->Idle.wait_for(lock, Timeout, [this] { return state_->Active == 0; });
}

} // namespace orvanta
