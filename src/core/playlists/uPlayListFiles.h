#pragma once

#include <cstdint>
#include <string>

#include "core/common/uFileDescriptor.h"

namespace orvanta {

// What identifies one version of a file on disk: another process replacing or editing it
// changes at least one of these. Size -1 means there is no file.
struct TFileStamp {
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    std::int64_t Size = -1;
    std::int64_t ModifiedNs = 0;

    bool Exists() const { return Size >= 0; }
    bool operator==(const TFileStamp&) const = default;
};

// The stamp of the file a path names, through symbolic links.
TFileStamp StampOf(const std::string& Path);

// The file a chain of symbolic links ends at (Path itself when it is no link), so that a
// rewrite replaces the target and the link stays a link.
std::string LinkTargetOf(const std::string& Path);

// An exclusive lock on a folder's lock file, held from Acquire to Release or destruction.
// Processes that change the folder's files take it around reading, changing and writing.
class TFolderLock {
public:
    TFolderLock() = default;
    ~TFolderLock() { Release(); }
    TFolderLock(const TFolderLock&) = delete;
    TFolderLock& operator=(const TFolderLock&) = delete;

    enum class TResult { Held, Busy, Unavailable };
    // Takes the lock, waiting for it unless told not to (then Busy while another holds it).
    // Unavailable when the lock file cannot be made (a read-only folder).
    TResult Acquire(const std::string& Folder, bool Wait = true);
    void Release();
    bool Held() const { return FDescriptor.IsOpen(); }

private:
    TFileDescriptor FDescriptor;
};

} // namespace orvanta
