#include "core/metadata/uTagFile.h"

#include "core/common/uAtomicReplace.h"
#include "core/common/uFileDescriptor.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace orvanta {

namespace {

bool RegularFileSize(int F, std::int64_t& Size) {
    struct stat info {};
    if (::fstat(F, &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    Size = info.st_size;
    return true;
}

} // namespace

std::int64_t TMemorySource::ReadAt(std::int64_t Offset, void* Buffer, std::size_t Count) {
    if (Offset < 0)
        return -1;
    if (Offset >= Size() || Count == 0)
        return 0;
    const std::size_t n = std::min(Count, FBytes.size() - static_cast<std::size_t>(Offset));
    std::memcpy(Buffer, FBytes.data() + Offset, n);
    return static_cast<std::int64_t>(n);
}

bool TFileSource::Adopt(const TFileBatch::TFile& File) {
    if (File.Fd < 0)
        return false;
    FOwned.Reset();
    FFd = File.Fd;
    FSize = File.Size;
    FHeadSize = File.HeadSize;
    std::memcpy(FHead.data(), File.Head.data(), File.HeadSize);
    FHeadIsFile = FHeadSize < FirstReadBytes;
    if (File.TailSize > 0) {
        std::memcpy(FTail.data(), File.Tail.data(), File.TailSize);
        FTailOffset = File.TailOffset;
        FTailSize = File.TailSize;
    }
    return true;
}

bool TFileSource::Open(const std::string& FileName) {
    FOwned.Reset(::open(FileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    FFd = FOwned.Get();
    if (FFd < 0)
        return false;
    const std::int64_t got =
        RegularFileSize(FFd, FSize) ? tagfile::ReadAt(FFd, 0, FHead.data(), FirstReadBytes) : -1;
    if (got < 0) {
        FOwned.Reset();
        FFd = -1;
        return false;
    }
    FHeadSize = static_cast<std::size_t>(got);
    FHeadIsFile = FHeadSize < FirstReadBytes;
    return true;
}

bool TFileSource::ExtendHead() {
    const std::int64_t got = tagfile::ReadAt(FFd, std::int64_t(FHeadSize), FHead.data() + FHeadSize,
                                             HeadBytes - FHeadSize);
    if (got < 0)
        return false;
    FHeadSize += static_cast<std::size_t>(got);
    FHeadIsFile = FHeadSize < HeadBytes;
    return true;
}

bool TFileSource::LoadTail(std::int64_t Offset, std::size_t Count) {
    if (tagfile::ReadAt(FFd, Offset, FTail.data(), Count) != std::int64_t(Count))
        return false;
    FTailOffset = Offset;
    FTailSize = Count;
    return true;
}

void TFileSource::WillRead(std::int64_t Offset, std::size_t Count) {
    // A range inside the head is left to the head.
    if (FFd < 0 || Offset < 0 || Count == 0 || Count > TailBytes ||
        Offset + std::int64_t(Count) > FSize || FHeadIsFile ||
        Offset + std::int64_t(Count) <= std::int64_t(HeadBytes))
        return;
    if (FTailOffset >= 0 && Offset >= FTailOffset &&
        Offset + std::int64_t(Count) <= FTailOffset + std::int64_t(FTailSize))
        return; // read already
    LoadTail(Offset, Count);
}

std::int64_t TFileSource::ReadAt(std::int64_t Offset, void* Buffer, std::size_t Count) {
    if (Offset < 0 || FFd < 0)
        return -1;
    if (Count == 0)
        return 0; // TagLib asks for nothing at times, into a buffer that is no buffer
    const std::int64_t end = Offset + std::int64_t(Count);
    if (end > std::int64_t(FHeadSize) && end <= std::int64_t(HeadBytes) && !FHeadIsFile &&
        !ExtendHead())
        return -1;
    const auto head = static_cast<std::int64_t>(FHeadSize);
    if (end <= head || FHeadIsFile) {
        const std::int64_t n = std::clamp<std::int64_t>(head - Offset, 0, std::int64_t(Count));
        std::memcpy(Buffer, FHead.data() + std::min(Offset, head), std::size_t(n));
        return n;
    }
    const auto inTail = [&] {
        return FTailOffset >= 0 && Offset >= FTailOffset &&
               end <= FTailOffset + std::int64_t(FTailSize);
    };
    if (!inTail() && FTailOffset < 0) {
        // Nothing announced: the file's last TailBytes (beyond the head) serve the tag readers.
        const std::int64_t tailStart =
            std::max<std::int64_t>(HeadBytes, FSize - std::int64_t(TailBytes));
        if (Offset >= tailStart && end <= FSize)
            LoadTail(tailStart, std::size_t(FSize - tailStart));
    }
    if (inTail()) {
        std::memcpy(Buffer, FTail.data() + (Offset - FTailOffset), Count);
        return static_cast<std::int64_t>(Count);
    }
    return tagfile::ReadAt(FFd, Offset, Buffer, Count);
}

namespace tagfile {

std::int64_t ReadAt(int F, std::int64_t Offset, void* Buffer, std::size_t Count) {
    auto* out = static_cast<char*>(Buffer);
    std::size_t done = 0;
    while (done < Count) {
        const ssize_t got = ::pread(F, out + done, Count - done, Offset + std::int64_t(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<std::int64_t>(done);
}

bool WriteAt(const std::string& FileName, std::int64_t Offset, std::string_view Bytes) {
    TFileDescriptor file(::open(FileName.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK));
    std::int64_t size = 0;
    if (file.Get() < 0 || !RegularFileSize(file.Get(), size))
        return false;
    return WriteAllAt(file.Get(), Offset, Bytes) && ::fsync(file.Get()) == 0 && file.Close();
}

bool Append(const std::string& FileName, std::string_view Bytes) {
    TFileDescriptor file(::open(FileName.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK));
    std::int64_t size = 0;
    if (file.Get() < 0 || !RegularFileSize(file.Get(), size))
        return false;
    if (WriteAllAt(file.Get(), size, Bytes) && ::fsync(file.Get()) == 0)
        return file.Close();
    [[maybe_unused]] const int ignored = ::ftruncate(file.Get(), size);
    return false;
}

bool WriteAllAt(int F, std::int64_t Offset, std::string_view Bytes) {
    while (!Bytes.empty()) {
        const ssize_t put = ::pwrite(F, Bytes.data(), Bytes.size(), Offset);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        Bytes.remove_prefix(static_cast<std::size_t>(put));
        Offset += put;
    }
    return true;
}

bool CopyRest(int From, std::int64_t FromOffset, int To, std::int64_t ToOffset) {
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const std::int64_t got = ReadAt(From, FromOffset, buffer.data(), buffer.size());
        if (got <= 0)
            return got == 0;
        if (!WriteAllAt(To, ToOffset, {buffer.data(), static_cast<std::size_t>(got)}))
            return false;
        FromOffset += got;
        ToOffset += got;
    }
}

bool RewriteWithPrefix(const std::string& FileName, std::string_view Prefix,
                       std::int64_t SkipBytes) {
    TAtomicReplace replace(FileName);
    TFileDescriptor source(::open(replace.Target().c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info {};
    if (source.Get() < 0 || ::fstat(source.Get(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    // Refuse early what the rename would refuse late: a file we may not change.
    if (::access(replace.Target().c_str(), W_OK) != 0 || !replace.Begin())
        return false;
    const bool ok =
        WriteAllAt(replace.Fd(), 0, Prefix) &&
        CopyRest(source.Get(), SkipBytes, replace.Fd(), static_cast<std::int64_t>(Prefix.size()));
    return ok && replace.Commit();
}

} // namespace tagfile

} // namespace orvanta
