#include "core/common/uAtomicReplace.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>
#include <unordered_map>

namespace orvanta {

namespace {

// Whether Folder was not swept for stale temporary files in this process lately: a batch
// replacing thousands of files in one folder would otherwise read the folder once per file.
bool SweepDue(const std::string& Folder) {
    static std::mutex mutex;
    static std::unordered_map<std::string, std::time_t> swept;
    const std::time_t now = std::time(nullptr);
    const std::lock_guard lock(mutex);
    std::time_t& last = swept[Folder];
    if (last != 0 && now - last < TAtomicReplace::StaleSeconds / 2 && now >= last)
        return false;
    last = now;
    return true;
}

std::string FolderOf(const std::string& FileName) {
    const auto slash = FileName.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : FileName.substr(0, slash);
}

// mkostemp's six random characters after our prefix.
bool IsOurTemporaryName(const char* Name) {
    const std::size_t prefix = std::strlen(TAtomicReplace::TemporaryPrefix);
    return std::strncmp(Name, TAtomicReplace::TemporaryPrefix, prefix) == 0 &&
           std::strlen(Name) == prefix + 6;
}

} // namespace

std::string ResolveLinks(const std::string& FileName) {
    std::string path = FileName;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return path;
        std::string link(static_cast<std::size_t>(PATH_MAX), '\0');
        const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
        if (n <= 0)
            return path;
        link.resize(static_cast<std::size_t>(n));
        path = link.front() == '/' ? link : FolderOf(path) + "/" + link;
    }
    return FileName;
}

void TAtomicReplace::RemoveStaleTemporaries(const std::string& Folder) {
    DIR* dir = ::opendir(Folder.c_str());
    if (dir == nullptr)
        return;
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        if (!IsOurTemporaryName(entry->d_name))
            continue;
        struct stat info {};
        if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
            now - info.st_mtime > StaleSeconds)
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

TAtomicReplace::TAtomicReplace(const std::string& FileName, THardLinks HardLinks)
    : FTarget(ResolveLinks(FileName)), FHardLinks(HardLinks) {}

TAtomicReplace::~TAtomicReplace() {
    FFd.Reset();
    if (!FTemporary.empty())
        ::unlink(FTemporary.c_str());
}

bool TAtomicReplace::Begin() {
    FHadOld = ::stat(FTarget.c_str(), &FOld) == 0;
    if (FHadOld && !S_ISREG(FOld.st_mode))
        return false;
    if (FHadOld && FOld.st_nlink > 1 && FHardLinks == THardLinks::Refuse) {
        errno = EMLINK;
        return false;
    }
    const std::string folder = FolderOf(FTarget);
    if (SweepDue(folder))
        RemoveStaleTemporaries(folder);
    std::string name = folder + "/" + TemporaryPrefix + "XXXXXX";
    FFd.Reset(::mkostemp(name.data(), O_CLOEXEC));
    if (!FFd.IsOpen())
        return false;
    FTemporary = name;
    // mkostemp makes the file 0600; a new file gets the usual 0666 & ~umask instead.
    if (!FHadOld) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        FOld.st_mode = 0666 & ~mask;
    }
    return true;
}

bool TAtomicReplace::Commit() {
    if (!FFd.IsOpen())
        return false;
    if (FHadOld && (FOld.st_uid != ::geteuid() || FOld.st_gid != ::getegid())) {
        // Only root may give a file away; a member of the old group may still keep the group.
        if (::fchown(FFd.Get(), FOld.st_uid, FOld.st_gid) != 0) {
            [[maybe_unused]] const int ignored =
                ::fchown(FFd.Get(), static_cast<uid_t>(-1), FOld.st_gid);
        }
    }
    bool ok = ::fchmod(FFd.Get(), FOld.st_mode & 07777) == 0 && ::fsync(FFd.Get()) == 0;
    ok = FFd.Close() && ok;
    ok = ok && ::rename(FTemporary.c_str(), FTarget.c_str()) == 0;
    if (ok)
        FTemporary.clear();
    return ok;
}

} // namespace orvanta
