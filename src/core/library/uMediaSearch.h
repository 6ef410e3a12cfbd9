#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/library/uMediaSearchText.h"
#include "core/library/uTMyMediaDB.h"

namespace orvanta {

// Lists on a thread of its own, through a read-only connection of its own, so that a search
// over a long library never holds the window. The newest request wins: one asked for while
// another runs replaces any still waiting, and callers keep only the answer of their newest.
// Words over the whole library are matched in memory (TMediaSearchText), read on a further
// thread and read again whenever the library changed; until it is there, the library
// answers.
class TMediaSearch {
public:
    explicit TMediaSearch(std::string LibraryFile);
    // Waits for the listing in hand.
    ~TMediaSearch();
    TMediaSearch(const TMediaSearch&) = delete;
    TMediaSearch& operator=(const TMediaSearch&) = delete;

    // Reads the library into memory now, ahead of the first request.
    void Prepare();
    void Request(TMediaListing Listing, std::uint64_t Ticket);

    struct TAnswer {
        std::uint64_t Ticket = 0;
        std::vector<std::int64_t> Ids;
        // The library's error, the ids then empty.
        std::string Error;
    };
    // The newest answer since the last call, if any.
    std::optional<TAnswer> Take();
    // Whether the library is read into memory and no further read is under way.
    bool InMemory();

private:
    void Run();
    // Starts reading the text of the library as it is at Version, unless under way.
    void loadText(std::int64_t Version);
    // Answers from memory (the whole library without words); false when the text of this
    // version is not there.
    bool listFromText(const TMediaListing& Listing, std::int64_t Version, TAnswer& Answer);

    const std::string FLibraryFile;
    std::thread FThread;
    std::thread FLoader;
    std::mutex FLock;
    std::condition_variable FWake;
    std::optional<std::pair<TMediaListing, std::uint64_t>> FNext;
    std::optional<TAnswer> FAnswer;
    bool FStop = false;
    bool FPrepare = false;
    std::atomic<bool> FStopLoad{false};
    // Under FLock: the text read, the version it was read at, the version last asked for.
    std::shared_ptr<const TMediaSearchText> FText;
    std::int64_t FTextVersion = -1;
    std::int64_t FAskedVersion = -1;
    bool FLoading = false;
    // The search thread's last answer from memory, which a longer word narrows.
    std::shared_ptr<const TMediaSearchText> FLastText;
    std::vector<std::string> FLastPatterns;
    std::vector<std::uint32_t> FLastRows;
};

} // namespace orvanta
