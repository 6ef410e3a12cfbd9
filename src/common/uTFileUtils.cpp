#include "common/uTFileUtils.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvanta {

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    bool closeChecked() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

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
    FileDescriptor file(::open(FileName.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0)
        return {};
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return {};
    std::string content(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t got = ::read(file.get(), content.data() + done, content.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return {}; // shorter than its length: the content is not trusted
        done += static_cast<std::size_t>(got);
    }
    return content;
}

std::string TFileUtils::TemporaryNameBeside(const std::string& FileName) {
    static std::atomic<unsigned> counter{0};
    return FileName + ".tmp-" + std::to_string(::getpid()) + "-" +
           std::to_string(counter.fetch_add(1));
}

bool TFileUtils::StringToFile(const std::string& FileName, std::string_view Text) {
    // Keep the permissions of the file being replaced; a new file gets the usual 0666 & ~umask.
    struct stat old {};
    const bool hadOld = ::stat(FileName.c_str(), &old) == 0;
    const std::string temporary = TemporaryNameBeside(FileName);
    FileDescriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (file.get() < 0)
        return false;
    bool ok = writeAll(file.get(), Text);
    if (ok && hadOld)
        ok = ::fchmod(file.get(), old.st_mode & 07777) == 0;
    ok = ok && ::fsync(file.get()) == 0;
    ok = file.closeChecked() && ok;
    ok = ok && ::rename(temporary.c_str(), FileName.c_str()) == 0;
    if (!ok)
        ::unlink(temporary.c_str());
    return ok;
}

} // namespace orvanta
