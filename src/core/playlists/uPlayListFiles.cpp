#include "core/playlists/uPlayListFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "core/common/uDataPaths.h"
#include "core/common/uDisplayUtils.h"

namespace orvanta {

namespace {

// Hidden, and not a ".ply" file, so it is never taken for a playlist.
constexpr const char* LockFileName = ".lock";
// As the kernel does, give up on a chain this long: it is a loop.
constexpr int MaxLinks = 40;

} // namespace

TFileStamp StampOf(const std::string& Path) {
    struct stat info {};
    TFileStamp stamp;
    if (::stat(Path.c_str(), &info) != 0)
        return stamp;
    stamp.Device = info.st_dev;
    stamp.Inode = info.st_ino;
    stamp.Size = info.st_size;
    stamp.ModifiedNs =
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return stamp;
}

std::string LinkTargetOf(const std::string& Path) {
    std::string current = Path;
    for (int i = 0; i < MaxLinks; ++i) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return current;
        std::string target(4096, '\0');
        const ssize_t length = ::readlink(current.c_str(), target.data(), target.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= target.size())
            return current;
        target.resize(static_cast<std::size_t>(length));
        current = target.front() == '/' ? target : JoinPath(ExtractFileDir(current), target);
    }
    return current;
}

TFolderLock::TResult TFolderLock::Acquire(const std::string& Folder, bool Wait) {
    Release();
    const std::string path = JoinPath(Folder, LockFileName);
    TFileDescriptor fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (!fd.IsOpen())
        return TResult::Unavailable;
    int result;
    while ((result = ::flock(fd.Get(), Wait ? LOCK_EX : LOCK_EX | LOCK_NB)) != 0 &&
           errno == EINTR) {
    }
    if (result != 0)
        return errno == EWOULDBLOCK ? TResult::Busy : TResult::Unavailable;
    FDescriptor = std::move(fd);
    return TResult::Held;
}

void TFolderLock::Release() {
    FDescriptor.Reset(); // closing drops the lock
}

} // namespace orvanta
