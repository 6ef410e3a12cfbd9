#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "library/uTMyMediaDB.h"

namespace orvanta {

// Lists on a thread of its own, through a read-only connection of its own, so that a search
// over a long library never holds the window. The newest request wins: one asked for while
// another runs replaces any still waiting, and callers keep only the answer of their newest.
class TMediaSearch {
public:
    explicit TMediaSearch(std::string LibraryFile);
    // Waits for the listing in hand.
    ~TMediaSearch();
    TMediaSearch(const TMediaSearch&) = delete;
    TMediaSearch& operator=(const TMediaSearch&) = delete;

    void Request(TMediaListing Listing, std::uint64_t Ticket);

    struct TAnswer {
        std::uint64_t Ticket = 0;
        std::vector<std::int64_t> Ids;
        // The library's error, the ids then empty.
        std::string Error;
    };
    // The newest answer since the last call, if any.
    std::optional<TAnswer> Take();

private:
    void Run();

    const std::string FLibraryFile;
    std::thread FThread;
    std::mutex FLock;
    std::condition_variable FWake;
    std::optional<std::pair<TMediaListing, std::uint64_t>> FNext;
    std::optional<TAnswer> FAnswer;
    bool FStop = false;
};

} // namespace orvanta
