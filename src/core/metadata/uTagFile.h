#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/common/uFileDescriptor.h"
#include "core/metadata/uFileBatch.h"

namespace orvanta {

// Random-access bytes of one file (or of a buffer, for tests and fuzzing). The tag readers and
// the frame search read through this, so one analysis opens the file once.
class TByteSource {
public:
    virtual ~TByteSource() = default;
    virtual std::int64_t Size() const = 0;
    // Reads up to Count bytes at Offset into Buffer: the number read (short at the end), or -1
    // on an input/output error or a negative offset.
    virtual std::int64_t ReadAt(std::int64_t Offset, void* Buffer, std::size_t Count) = 0;
    // A hint that the next reads fall inside [Offset, Offset + Count): a file source fetches
    // that range with one read. Reads elsewhere still work.
    virtual void WillRead(std::int64_t /*Offset*/, std::size_t /*Count*/) {}
};

class TMemorySource : public TByteSource {
public:
    explicit TMemorySource(std::string_view Bytes) : FBytes(Bytes) {}
    std::int64_t Size() const override { return static_cast<std::int64_t>(FBytes.size()); }
    std::int64_t ReadAt(std::int64_t Offset, void* Buffer, std::size_t Count) override;

private:
    std::string_view FBytes;
};

// A regular file opened read-only. Its first page is read at once and the rest of the first
// HeadBytes on the first request inside them, and a range near the end (the one announced by
// WillRead, else the last TailBytes) on the first request inside it; all are served from memory.
// An analysis then costs two reads, as the ID3v2 tag and the start of the first audio block of a
// typical file lie in the first page, and the ID3v1 tag and the last audio block in the tail.
// Each page read costs far more than copying its bytes, so no page is read before it is needed.
class TFileSource : public TByteSource {
public:
    static constexpr std::size_t FirstReadBytes = TFileBatch::PageBytes;
    static constexpr std::size_t HeadBytes = 8192;
    static constexpr std::size_t TailBytes = TFileBatch::PageBytes;

    TFileSource() = default;
    TFileSource(const TFileSource&) = delete;
    TFileSource& operator=(const TFileSource&) = delete;

    bool Open(const std::string& FileName);
    // Takes a file a batch opened and read: its pages serve the reads they cover, its
    // descriptor the rest, and the batch closes it.
    bool Adopt(const TFileBatch::TFile& File);
    std::int64_t Size() const override { return FSize; }
    std::int64_t ReadAt(std::int64_t Offset, void* Buffer, std::size_t Count) override;
    void WillRead(std::int64_t Offset, std::size_t Count) override;

private:
    bool ExtendHead();
    bool LoadTail(std::int64_t Offset, std::size_t Count);

    // The descriptor read from: the one opened here (and closed with the source), or a batch's.
    TFileDescriptor FOwned;
    int FFd = -1;
    std::int64_t FSize = 0;
    // Inside the object rather than on the heap: a source lives for one analysis, and two
    // allocations would cost more than the parsing they serve.
    std::array<char, HeadBytes> FHead;
    std::size_t FHeadSize = 0;
    // A read of the head came back short: the head holds the whole file.
    bool FHeadIsFile = false;
    std::array<char, TailBytes> FTail;
    std::int64_t FTailOffset = -1;
    std::size_t FTailSize = 0;
};

// Small file operations for the tag writers; each returns false on any failure.
namespace tagfile {

// Reads up to Count bytes of an open file at Offset, going on after interruptions and short
// reads: the number read (short only at the end), or -1 on an error.
std::int64_t ReadAt(int Fd, std::int64_t Offset, void* Buffer, std::size_t Count);

// Writes Bytes into the open file at Offset, going on after interruptions and short writes.
[[nodiscard]] bool WriteAllAt(int Fd, std::int64_t Offset, std::string_view Bytes);

// Copies the bytes of the open file From from FromOffset to its end into the open file To at
// ToOffset, going on after interruptions and short writes.
[[nodiscard]] bool CopyRest(int From, std::int64_t FromOffset, int To, std::int64_t ToOffset);

// Writes Bytes over the file's content at Offset, without truncating or creating the file.
[[nodiscard]] bool WriteAt(const std::string& FileName, std::int64_t Offset,
                           std::string_view Bytes);

// Appends Bytes; on a failure the file is cut back to its old length.
bool Append(const std::string& FileName, std::string_view Bytes);

// Replaces the file by Prefix followed by its own bytes from SkipBytes on. The new file is
// written beside the old one, flushed and renamed over it, keeping its permissions; on any
// failure the old file stays whole and the temporary file is removed.
bool RewriteWithPrefix(const std::string& FileName, std::string_view Prefix,
                       std::int64_t SkipBytes);

} // namespace tagfile

} // namespace orvanta
