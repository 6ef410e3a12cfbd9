#include "core/metadata/uFileBatch.h"

#include "core/metadata/uTagFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <liburing.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvanta {

namespace {

constexpr int OpenFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;

bool readFully(int Fd, std::int64_t Offset, char* Buffer, std::size_t Count) {
    return tagfile::ReadAt(Fd, Offset, Buffer, Count) == static_cast<std::int64_t>(Count);
}

void closeFile(TFileBatch::TFile& File) {
    if (File.Fd >= 0)
        ::close(File.Fd);
    File.Fd = -1;
}

// The byte counts to read once the size is known.
std::size_t headBytes(const TFileBatch::TFile& File) {
    return static_cast<std::size_t>(
        std::min<std::int64_t>(File.Size, std::int64_t(TFileBatch::PageBytes)));
}

void planTail(TFileBatch::TFile& File, std::int64_t TailFrom) {
    File.TailOffset = -1;
    File.TailSize = 0;
    if (File.Size <= TailFrom || File.Size <= std::int64_t(TFileBatch::PageBytes))
        return;
    File.TailOffset = std::max(TailFrom, File.Size - std::int64_t(TFileBatch::PageBytes));
    File.TailSize = static_cast<std::size_t>(File.Size - File.TailOffset);
}

// Everything after the open, with plain calls: for the plain path, and for a file whose ring
// reads came back in an unexpected shape.
void readPlain(TFileBatch::TFile& File, std::int64_t TailFrom) {
    struct stat info {};
    if (::fstat(File.Fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        closeFile(File);
        return;
    }
    File.Size = info.st_size;
    File.ModifiedNs =
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    File.HeadSize = headBytes(File);
    planTail(File, TailFrom);
    if (!readFully(File.Fd, 0, File.Head.data(), File.HeadSize) ||
        (File.TailSize > 0 &&
         !readFully(File.Fd, File.TailOffset, File.Tail.data(), File.TailSize)))
        closeFile(File);
}

} // namespace

struct TFileBatch::TRing {
    io_uring Ring{};
    std::array<struct statx, MaxFiles> Stats{};
};

TFileBatch::TFileBatch(bool UseRing) {
    if (!UseRing)
        return;
    auto ring = std::make_unique<TRing>();
    // Two entries per file at most are queued at once (a head and a tail read).
    if (io_uring_queue_init(2 * MaxFiles, &ring->Ring, 0) == 0)
        FRing = std::move(ring);
}

TFileBatch::~TFileBatch() {
    Close();
    if (FRing)
        io_uring_queue_exit(&FRing->Ring);
}

void TFileBatch::Open(const std::vector<std::string>& Paths, std::size_t First, std::size_t Count,
                      std::int64_t TailFrom) {
    Close();
    FFiles.resize(std::min(Count, MaxFiles));
    for (TFile& file : FFiles) {
        file.Fd = -1;
        file.Size = 0;
        file.ModifiedNs = 0;
        file.HeadSize = 0;
        file.TailOffset = -1;
        file.TailSize = 0;
    }
    if (!FRing || !openRing(Paths, First, TailFrom))
        openPlain(Paths, First, TailFrom);
}

void TFileBatch::openPlain(const std::vector<std::string>& Paths, std::size_t First,
                           std::int64_t TailFrom) {
    for (std::size_t i = 0; i < FFiles.size(); ++i) {
        TFile& file = FFiles[i];
        if (file.Fd < 0)
            file.Fd = ::open(Paths[First + i].c_str(), OpenFlags);
        if (file.Fd >= 0)
            readPlain(file, TailFrom);
    }
}

namespace {

// Submits what is queued and hands each completion to Done(index, result). False only when
// nothing could be submitted; once submitted, every completion is waited for, so no request
// is left running on a buffer or a descriptor the caller goes on to use.
template <class F> bool complete(io_uring& Ring, unsigned Queued, F Done) {
    if (Queued == 0)
        return true;
    int submitted;
    do
        submitted = io_uring_submit_and_wait(&Ring, Queued);
    while (submitted == -EINTR || submitted == -EAGAIN);
    if (submitted <= 0)
        return false;
    for (unsigned seen = 0; seen < static_cast<unsigned>(submitted);) {
        io_uring_cqe* cqe = nullptr;
        if (io_uring_wait_cqe(&Ring, &cqe) < 0)
            continue; // interrupted
        Done(static_cast<std::size_t>(io_uring_cqe_get_data64(cqe)), cqe->res);
        io_uring_cqe_seen(&Ring, cqe);
        ++seen;
    }
    return true;
}

} // namespace

bool TFileBatch::openRing(const std::vector<std::string>& Paths, std::size_t First,
                          std::int64_t TailFrom) {
    io_uring& ring = FRing->Ring;
    const std::size_t n = FFiles.size();
    // Opens; a kernel without ring opens says so on the first, and the ring is given up.
    bool refused = false;
    for (std::size_t i = 0; i < n; ++i) {
        io_uring_sqe* sqe = io_uring_get_sqe(&ring);
        io_uring_prep_openat(sqe, AT_FDCWD, Paths[First + i].c_str(), OpenFlags, 0);
        io_uring_sqe_set_data64(sqe, i);
    }
    if (!complete(ring, static_cast<unsigned>(n),
                  [&](std::size_t i, int res) {
                      if (res == -EINVAL || res == -EOPNOTSUPP)
                          refused = true;
                      FFiles[i].Fd = res >= 0 ? res : -1;
                  }) ||
        refused) {
        for (TFile& file : FFiles)
            closeFile(file);
        io_uring_queue_exit(&ring);
        FRing.reset();
        return false;
    }
    // Sizes and kinds: a FIFO or a device is closed unread.
    unsigned queued = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (FFiles[i].Fd < 0)
            continue;
        io_uring_sqe* sqe = io_uring_get_sqe(&ring);
        io_uring_prep_statx(sqe, FFiles[i].Fd, "", AT_EMPTY_PATH,
                            STATX_TYPE | STATX_SIZE | STATX_MTIME, &FRing->Stats[i]);
        io_uring_sqe_set_data64(sqe, i);
        ++queued;
    }
    std::array<bool, MaxFiles> stated{};
    if (!complete(ring, queued, [&](std::size_t i, int res) { stated[i] = res == 0; }))
        return false; // the files stay open and are read with plain calls
    queued = 0;
    for (std::size_t i = 0; i < n; ++i) {
        TFile& file = FFiles[i];
        if (file.Fd < 0 || !stated[i])
            continue;
        if (!S_ISREG(FRing->Stats[i].stx_mode)) {
            closeFile(file);
            continue;
        }
        const struct statx& info = FRing->Stats[i];
        file.Size = static_cast<std::int64_t>(info.stx_size);
        file.ModifiedNs =
            info.stx_mtime.tv_sec * 1'000'000'000 + std::int64_t(info.stx_mtime.tv_nsec);
        file.HeadSize = headBytes(file);
        planTail(file, TailFrom);
        io_uring_sqe* sqe = io_uring_get_sqe(&ring);
        io_uring_prep_read(sqe, file.Fd, file.Head.data(), unsigned(file.HeadSize), 0);
        io_uring_sqe_set_data64(sqe, 2 * i);
        ++queued;
        if (file.TailSize > 0) {
            sqe = io_uring_get_sqe(&ring);
            io_uring_prep_read(sqe, file.Fd, file.Tail.data(), unsigned(file.TailSize),
                               static_cast<std::uint64_t>(file.TailOffset));
            io_uring_sqe_set_data64(sqe, 2 * i + 1);
            ++queued;
        }
    }
    // A read that came back short or failed is done again with plain calls.
    std::array<bool, MaxFiles> whole{};
    for (std::size_t i = 0; i < n; ++i)
        whole[i] = stated[i];
    if (!complete(ring, queued, [&](std::size_t slot, int res) {
            const std::size_t i = slot / 2;
            const std::size_t wanted = slot % 2 ? FFiles[i].TailSize : FFiles[i].HeadSize;
            if (res < 0 || static_cast<std::size_t>(res) != wanted)
                whole[i] = false;
        }))
        for (std::size_t i = 0; i < n; ++i)
            whole[i] = false;
    for (std::size_t i = 0; i < n; ++i)
        if (FFiles[i].Fd >= 0 && !whole[i])
            readPlain(FFiles[i], TailFrom);
    return true;
}

void TFileBatch::Close() {
    if (!FRing) {
        for (TFile& file : FFiles)
            closeFile(file);
        return;
    }
    io_uring& ring = FRing->Ring;
    unsigned queued = 0;
    for (std::size_t i = 0; i < FFiles.size(); ++i) {
        if (FFiles[i].Fd < 0)
            continue;
        io_uring_sqe* sqe = io_uring_get_sqe(&ring);
        io_uring_prep_close(sqe, FFiles[i].Fd);
        io_uring_sqe_set_data64(sqe, i);
        ++queued;
    }
    // A close the ring refused is done plainly; one it ran is never repeated, as the number
    // may already belong to another thread's file.
    std::array<bool, MaxFiles> closed{};
    complete(ring, queued, [&](std::size_t i, int res) { closed[i] = res != -EINVAL; });
    for (std::size_t i = 0; i < FFiles.size(); ++i) {
        if (!closed[i])
            closeFile(FFiles[i]);
        FFiles[i].Fd = -1;
    }
}

} // namespace orvanta
