#include "core/library/uFolderWatch.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include "core/library/uMediaRecord.h"

namespace orvanta {

namespace {

constexpr std::uint32_t FolderEvents = IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB |
                                       IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE | IN_DELETE_SELF |
                                       IN_MOVE_SELF | IN_ONLYDIR;

std::string bareFolder(const std::string& Folder) {
    std::string bare = FolderSpellings(Folder).first;
    return bare.empty() ? "/" : bare;
}

std::string folderOf(const std::string& Path) {
    const std::size_t slash = Path.rfind('/');
    return slash == 0 ? "/" : Path.substr(0, slash);
}

} // namespace

bool TFolderWatch::OnNetworkMount(const std::string& Folder) {
    struct statfs info {};
    if (::statfs(Folder.c_str(), &info) != 0)
        return false;
    switch (static_cast<std::uint32_t>(info.f_type)) {
    case 0x6969u:     // NFS
    case 0x517Bu:     // SMB
    case 0xFF534D42u: // CIFS
    case 0xFE534D42u: // SMB2
    case 0x65735546u: // FUSE: sshfs, rclone and the like
    case 0x01021997u: // 9P
    case 0x00C36400u: // Ceph
    case 0x5346414Fu: // AFS
    case 0x73757245u: // Coda
        return true;
    default:
        return false;
    }
}

TFolderWatch::TFolderWatch(TBatch OnBatch, TFolderWatchOptions Options)
    : FOnBatch(std::move(OnBatch)), FOptions(Options), FLastPoll(TClock::now()) {
    FInotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    FWake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    FThread = std::thread([this] { run(); });
}

TFolderWatch::~TFolderWatch() {
    {
        std::lock_guard lock(FLock);
        FStop = true;
    }
    wake();
    FThread.join();
    if (FInotify >= 0)
        ::close(FInotify);
    if (FWake >= 0)
        ::close(FWake);
}

void TFolderWatch::wake() const {
    const std::uint64_t one = 1;
    if (FWake >= 0)
        (void)!::write(FWake, &one, sizeof one);
}

void TFolderWatch::Follow(const std::vector<std::string>& Folders) {
    std::set<std::string> wanted;
    for (const std::string& folder : Folders)
        wanted.insert(bareFolder(folder));
    std::lock_guard lock(FLock);
    for (auto watch = FWatches.begin(); watch != FWatches.end();) {
        if (wanted.contains(watch->first)) {
            ++watch;
            continue;
        }
        ::inotify_rm_watch(FInotify, watch->second);
        FFolders.erase(watch->second);
        watch = FWatches.erase(watch);
    }
    // Watches freed, or given back by the system, go to folders looked at until now.
    FPolled.clear();
    for (const std::string& folder : wanted)
        if (!FWatches.contains(folder))
            addWatch(folder);
    wake();
}

void TFolderWatch::addWatch(const std::string& Folder) {
    const bool full = FOptions.MaxWatches > 0 && FWatches.size() >= FOptions.MaxWatches;
    if (FInotify < 0 || full || OnNetworkMount(Folder)) {
        FPolled.insert(Folder);
        return;
    }
    const int watch = ::inotify_add_watch(FInotify, Folder.c_str(), FolderEvents);
    // Out of watches (ENOSPC), or a folder away for now: looked at instead.
    if (watch < 0) {
        FPolled.insert(Folder);
        return;
    }
    FWatches[Folder] = watch;
    FFolders[watch] = Folder;
}

std::size_t TFolderWatch::Watched() const {
    std::lock_guard lock(FLock);
    return FWatches.size();
}

std::vector<std::string> TFolderWatch::Polled() const {
    std::lock_guard lock(FLock);
    return {FPolled.begin(), FPolled.end()};
}

std::set<std::string> TFolderWatch::writingFolders() const {
    std::set<std::string> folders;
    for (const auto& [path, last] : FWriting)
        folders.insert(folderOf(path));
    return folders;
}

bool TFolderWatch::readyFolders() const {
    if (FDirty.empty())
        return false;
    const std::set<std::string> writing = writingFolders();
    return std::any_of(FDirty.begin(), FDirty.end(),
                       [&](const std::string& folder) { return !writing.contains(folder); });
}

void TFolderWatch::run() {
    for (;;) {
        int timeout = -1;
        {
            std::lock_guard lock(FLock);
            if (FStop)
                return;
            const auto now = TClock::now();
            auto due = TClock::time_point::max();
            if (readyFolders())
                due = std::min(due, FLastEvent + FOptions.Quiet);
            for (const auto& [path, last] : FWriting)
                due = std::min(due, last + FOptions.WriteLimit);
            if (!FPolled.empty())
                due = std::min(due, FLastPoll + FOptions.PollEvery);
            if (due != TClock::time_point::max())
                timeout = static_cast<int>(std::clamp<std::int64_t>(
                    std::chrono::ceil<std::chrono::milliseconds>(due - now).count(), 0, INT_MAX));
        }
        pollfd fds[2] = {{FInotify, POLLIN, 0}, {FWake, POLLIN, 0}};
        if (::poll(fds, 2, timeout) < 0 && errno != EINTR)
            return;
        if (fds[1].revents & POLLIN) {
            std::uint64_t count = 0;
            (void)!::read(FWake, &count, sizeof count);
        }
        if (fds[0].revents & POLLIN)
            readEvents();
        flushDue(TClock::now());
    }
}

void TFolderWatch::readEvents() {
    alignas(inotify_event) char buffer[65536];
    for (;;) {
        const ssize_t length = ::read(FInotify, buffer, sizeof buffer);
        if (length <= 0)
            return;
        std::lock_guard lock(FLock);
        const auto now = TClock::now();
        FLastEvent = now;
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                // Events were lost: every folder is looked at.
                for (const auto& [folder, watch] : FWatches)
                    FDirty.insert(folder);
                continue;
            }
            const auto found = FFolders.find(event->wd);
            if (found == FFolders.end())
                continue;
            const std::string folder = found->second;
            if (event->mask & IN_IGNORED) {
                // The folder went: its files are looked at, and it is watched again if it
                // comes back and still holds library files.
                FWatches.erase(folder);
                FFolders.erase(found);
                FPolled.insert(folder);
                FDirty.insert(folder);
                continue;
            }
            FDirty.insert(folder);
            if (event->len == 0 || (event->mask & IN_ISDIR))
                continue;
            const std::string path = (folder == "/" ? "" : folder) + "/" + event->name;
            if (event->mask & (IN_CLOSE_WRITE | IN_DELETE | IN_MOVED_FROM)) {
                FWriting.erase(path);
            } else if (event->mask & IN_MODIFY) {
                FWriting[path] = now;
            } else if (event->mask & IN_CREATE) {
                // A link is complete when made; a new file is once its writer closes it.
                struct stat info {};
                if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
                    info.st_nlink == 1)
                    FWriting[path] = now;
            }
        }
    }
}

void TFolderWatch::flushDue(TClock::time_point Now) {
    std::vector<std::string> batch;
    {
        std::lock_guard lock(FLock);
        std::erase_if(FWriting,
                      [&](const auto& entry) { return Now - entry.second >= FOptions.WriteLimit; });
        if (readyFolders() && Now - FLastEvent >= FOptions.Quiet) {
            const std::set<std::string> writing = writingFolders();
            for (auto folder = FDirty.begin(); folder != FDirty.end();) {
                if (writing.contains(*folder)) {
                    ++folder;
                    continue;
                }
                batch.push_back(*folder);
                folder = FDirty.erase(folder);
            }
        }
        if (!FPolled.empty() && Now - FLastPoll >= FOptions.PollEvery) {
            FLastPoll = Now;
            for (const std::string& folder : FPolled)
                if (std::find(batch.begin(), batch.end(), folder) == batch.end())
                    batch.push_back(folder);
        }
        if (FStop)
            return;
    }
    if (!batch.empty() && FOnBatch)
        FOnBatch(std::move(batch));
}

} // namespace orvanta
