#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvanta {

// Whole-file reading and writing. Failures are empty or false results, never exceptions.
class TFileUtils {
public:
    TFileUtils() = delete;

    // The whole content of FileName byte for byte; empty when it cannot be read whole.
    static std::string FileToString(const std::string& FileName);

    // Replaces FileName by a file holding exactly Text. The new content is written beside the
    // old file, flushed and renamed over it, so a failure or a crash leaves the old file whole
    // (see TAtomicReplace for links, owners and temporary names). A file with other hard links
    // is replaced as a text editor's save replaces it: the other links keep the old text.
    [[nodiscard]] static bool StringToFile(const std::string& FileName, std::string_view Text);

    // Whether Path names a regular file (through links). A folder, FIFO or device is never
    // opened for reading: a FIFO would block the reader for ever. A path holding a NUL names
    // no file (the system would read it only up to the NUL).
    static bool IsRegularFile(const std::string& Path);
    // The message for such a path.
    static std::string NotRegularFileMessage(std::string_view Path);
    // Why a rewrite of Path was refused when the reason is its hard links, else "".
    static std::string HardLinkNote(const std::string& Path);

    // The absolute local path a "file:" URI names, percent-decoded to bytes; empty for any
    // other scheme, a remote host, a relative path, a bad escape or a NUL.
    static std::string LocalPathOfFileUri(std::string_view Uri);

    // How many of Paths to read at once. On a cold disk a dozen requests in flight keep it
    // busy; when the files' first pages are already in memory, readers beyond the processors
    // only add hand-overs. A few files spread over the list decide.
    static int ReadersFor(const std::vector<std::string>& Paths);
};

} // namespace orvanta
