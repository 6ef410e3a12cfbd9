#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orvanta {

// Opens a run of files and reads the first and the last page of each with a handful of system
// calls for the whole run (io_uring), where one file read alone costs five. An analysis needs
// little more than those pages; what else it reads comes through the open descriptor. Where
// the kernel refuses a ring (an old kernel, a sandbox), each file is read with plain calls.
class TFileBatch {
public:
    static constexpr std::size_t PageBytes = 4096;
    static constexpr std::size_t MaxFiles = 32;

    struct TFile {
        int Fd = -1; // -1: not a regular file, or it could not be opened or read
        std::int64_t Size = 0;
        std::int64_t ModifiedNs = 0; // modification time, nanoseconds since the epoch
        std::array<char, PageBytes> Head;
        std::size_t HeadSize = 0;
        // The last page, when the file is longer than the head's reach (else TailSize is 0).
        std::array<char, PageBytes> Tail;
        std::int64_t TailOffset = -1;
        std::size_t TailSize = 0;
    };

    // Without UseRing every file is read with plain calls.
    explicit TFileBatch(bool UseRing = true);
    ~TFileBatch();
    TFileBatch(const TFileBatch&) = delete;
    TFileBatch& operator=(const TFileBatch&) = delete;

    // Closes the previous run and opens Count (at most MaxFiles) paths from First on; Files()[i]
    // is Paths[First + i]. TailFrom is the offset below which no tail is read (the part the
    // head may grow into).
    void Open(const std::vector<std::string>& Paths, std::size_t First, std::size_t Count,
              std::int64_t TailFrom);
    std::vector<TFile>& Files() { return FFiles; }
    // Closes every file of the run.
    void Close();

private:
    struct TRing;
    void openPlain(const std::vector<std::string>& Paths, std::size_t First, std::int64_t TailFrom);
    bool openRing(const std::vector<std::string>& Paths, std::size_t First, std::int64_t TailFrom);

    std::unique_ptr<TRing> FRing; // null when the kernel gave none
    std::vector<TFile> FFiles;
};

} // namespace orvanta
