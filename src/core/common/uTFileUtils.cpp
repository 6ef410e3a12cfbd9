#include "core/common/uTFileUtils.h"

#include "core/common/uAtomicReplace.h"
#include "core/common/uFileDescriptor.h"
#include "core/common/uTStringUtils.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <thread>
#include <unistd.h>

namespace orvanta {

namespace {

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace

std::string TFileUtils::FileToString(const std::string& FileName) {
    TFileDescriptor file(::open(FileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.Get() < 0)
        return {};
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode))
        return {};
    std::string content(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t got = ::read(file.Get(), content.data() + done, content.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return {}; // shorter than its length: the content is not trusted
        done += static_cast<std::size_t>(got);
    }
    return content;
}

bool TFileUtils::IsRegularFile(const std::string& Path) {
    if (Path.empty() || Path.find('\0') != std::string::npos)
        return false;
    struct stat info {};
    return ::stat(Path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string TFileUtils::LocalPathOfFileUri(std::string_view Uri) {
    if (!StartsWithNoCase(Uri, "file:"))
        return {};
    std::string_view rest = Uri.substr(5);
    // RFC 8089: "file:///p" and "file://localhost/p" name a local path, "file:/p" too.
    if (rest.substr(0, 2) == "//") {
        rest.remove_prefix(2);
        const std::size_t slash = rest.find('/');
        if (slash == std::string_view::npos)
            return {};
        const std::string_view host = rest.substr(0, slash);
        if (!host.empty() && !(host.size() == 9 && StartsWithNoCase(host, "localhost")))
            return {};
        rest.remove_prefix(slash);
    }
    if (rest.empty() || rest.front() != '/' || rest.find_first_of("?#") != std::string_view::npos)
        return {};
    std::string path;
    path.reserve(rest.size());
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] != '%') {
            path += rest[i];
            continue;
        }
        const int high = i + 2 < rest.size() ? HexDigitValue(rest[i + 1]) : -1;
        const int low = high >= 0 ? HexDigitValue(rest[i + 2]) : -1;
        if (low < 0)
            return {};
        path += static_cast<char>(high * 16 + low);
        i += 2;
    }
    if (path.find('\0') != std::string::npos)
        return {};
    return path;
}

std::string TFileUtils::NotRegularFileMessage(std::string_view Path) {
    return "Not a regular file (a folder, FIFO or device): " + std::string(Path);
}

std::string TFileUtils::HardLinkNote(const std::string& Path) {
    struct stat info {};
    if (::stat(Path.c_str(), &info) != 0 || info.st_nlink < 2)
        return {};
    return "The file has other hard links; it was left as it was rather than split from them.";
}

bool TFileUtils::StringToFile(const std::string& FileName, std::string_view Text) {
    TAtomicReplace replace(FileName, TAtomicReplace::THardLinks::Replace);
    return replace.Begin() && writeAll(replace.Fd(), Text) && replace.Commit();
}

namespace {

// Whether the first page of Path is in memory: a read that must not wait for the disk says so.
// A file that cannot be read counts as in memory, as no disk time is spent on it.
bool StartIsInMemory(const std::string& Path) {
    const TFileDescriptor file(::open(Path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!file.IsOpen())
        return true;
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0)
        return true;
    char byte = 0;
    iovec one{&byte, 1};
    return !(::preadv2(file.Get(), &one, 1, 0, RWF_NOWAIT) < 0 && errno == EAGAIN);
}

} // namespace

int TFileUtils::ReadersFor(const std::vector<std::string>& Paths) {
    constexpr int ColdReaders = 12;
    constexpr std::size_t Samples = 8;
    const std::size_t step = std::max<std::size_t>(1, Paths.size() / Samples);
    for (std::size_t i = 0; i < Paths.size(); i += step)
        if (!StartIsInMemory(Paths[i]))
            return ColdReaders;
    return static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
}

} // namespace orvanta
