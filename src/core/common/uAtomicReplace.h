#pragma once

#include <string>
#include <sys/stat.h>

#include "core/common/uFileDescriptor.h"

namespace orvanta {

// One replacement of a file by a new content written beside it and renamed over it. The file
// written is the target of FileName when that is a symbolic link (the link stays a link); the
// temporary file has a short name of our own in the target's folder, so a 255-byte name can be
// replaced, and stale temporary files that a killed process left in that folder are removed.
class TAtomicReplace {
public:
    // What to do with a file that has several hard links. An audio file is refused (a rename
    // would split it from its other names); a text file such as a playlist is replaced as a
    // text editor's save replaces it, the other links keeping the old text.
    enum class THardLinks { Refuse, Replace };
    explicit TAtomicReplace(const std::string& FileName, THardLinks HardLinks = THardLinks::Refuse);
    ~TAtomicReplace(); // removes the temporary file unless Commit succeeded
    TAtomicReplace(const TAtomicReplace&) = delete;
    TAtomicReplace& operator=(const TAtomicReplace&) = delete;

    // Creates the temporary file; false when the target cannot be replaced (errno EMLINK when
    // the reason is its hard links).
    [[nodiscard]] bool Begin();
    int Fd() const { return FFd.Get(); }
    // Gives the new file the old one's mode, owner and group (where permitted), flushes it and
    // renames it over the target.
    [[nodiscard]] bool Commit();

    const std::string& Target() const { return FTarget; }

    static constexpr const char* TemporaryPrefix = ".orvanta-";
    // Temporary files of ours older than this many seconds belong to a process that is gone.
    static constexpr int StaleSeconds = 60;
    // Removes such stale files from Folder.
    static void RemoveStaleTemporaries(const std::string& Folder);

private:
    std::string FTarget;
    std::string FTemporary;
    THardLinks FHardLinks;
    TFileDescriptor FFd;
    bool FHadOld = false;
    struct stat FOld {};
};

// The file a path finally names, following symbolic links (relative ones from their folder);
// the path itself when it is not a link or the chain is broken or too long.
std::string ResolveLinks(const std::string& FileName);

} // namespace orvanta
