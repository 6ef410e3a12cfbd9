#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace orvanta {

struct TFolderWatchOptions {
    // A batch goes once nothing happened in the watched folders for this long, so that the
    // copy of an album comes as one.
    std::chrono::milliseconds Quiet{1500};
    // A file created or written and not closed since counts as complete after this long
    // without a change (a writer that keeps it open, a file made by mmap).
    std::chrono::milliseconds WriteLimit{30000};
    // How often the folders that cannot be watched are handed over to be looked at.
    std::chrono::milliseconds PollEvery{30000};
    // Watches at most; 0: as many as the system gives (max_user_watches).
    std::size_t MaxWatches = 0;
};

// Follows the library's folders with inotify on a thread of its own and hands over the
// folders whose files were created, changed, moved or deleted, in batches. A file still being
// written holds its folder back until it is closed. Folders that cannot be watched (on a
// network or FUSE mount, whose changes by other machines inotify never sees, or past the limit
// of watches) are handed over every PollEvery instead, for a look at their files.
class TFolderWatch {
public:
    using TBatch = std::function<void(std::vector<std::string> Folders)>;

    // OnBatch runs on the watch's thread; it must not call back into the watch.
    explicit TFolderWatch(TBatch OnBatch, TFolderWatchOptions Options = {});
    ~TFolderWatch();
    TFolderWatch(const TFolderWatch&) = delete;
    TFolderWatch& operator=(const TFolderWatch&) = delete;

    // Follows these folders (spelled with or without the trailing '/'), and no others. Safe on
    // any thread.
    void Follow(const std::vector<std::string>& Folders);
    // The folders followed by inotify, and those looked at every PollEvery instead.
    std::size_t Watched() const;
    std::vector<std::string> Polled() const;

    // Whether a folder lies on a file system whose changes inotify may not see.
    static bool OnNetworkMount(const std::string& Folder);

private:
    using TClock = std::chrono::steady_clock;
    void run();
    void readEvents();
    void flushDue(TClock::time_point Now);
    void addWatch(const std::string& Folder);
    void wake() const;
    // Under FLock: the folders holding a file being written, and whether a changed folder
    // holds none.
    std::set<std::string> writingFolders() const;
    bool readyFolders() const;

    TBatch FOnBatch;
    TFolderWatchOptions FOptions;
    int FInotify = -1;
    int FWake = -1;
    mutable std::mutex FLock;
    std::unordered_map<int, std::string> FFolders; // by watch descriptor
    std::map<std::string, int> FWatches;           // by folder
    std::set<std::string> FPolled;
    // Folders with changes not handed over yet, and files being written, with their last
    // change.
    std::set<std::string> FDirty;
    std::map<std::string, TClock::time_point> FWriting;
    TClock::time_point FLastEvent{};
    TClock::time_point FLastPoll{};
    bool FStop = false;
    std::thread FThread;
};

} // namespace orvanta
