#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/library/uLibraryWorker.h"
#include "core/library/uMediaSearchText.h"
#include "core/library/uTMyMediaDB.h"

namespace orvanta {

// Lists on a library worker of its own, through a read-only connection, so that a search over a
// long library never waits behind a listing or a purge, nor holds the window. A newer request
// supersedes the older one. Words over the whole library are matched in memory
// (TMediaSearchText), read by a job of its own and read again whenever the library changed;
// until it is there, the library answers.
class TMediaSearch {
public:
    explicit TMediaSearch(std::string LibraryFile);
    // Stops a read of the text under way and waits for the job in hand.
    ~TMediaSearch();
    TMediaSearch(const TMediaSearch&) = delete;
    TMediaSearch& operator=(const TMediaSearch&) = delete;

    struct TAnswer {
        std::vector<std::int64_t> Ids;
        // The library's error, the ids then empty.
        std::string Error;
    };
    // Gets the answer on the worker's thread; the caller queues it on.
    using TDone = std::function<void(TAnswer Answer)>;

    // Reads the library into memory now, ahead of the first request.
    void Prepare();
    // Lists Listing; Done is not called when a newer request came first.
    void Request(TMediaListing Listing, TDone Done);
    // Reads the text again when the library changed and has been quiet since the last look (not
    // over and over while files are added); called about once a second.
    void LookForChanges();
    // Whether the library is read into memory and no further read is under way.
    bool InMemory() const { return FInMemory.load(); }

private:
    // Jobs of a kind supersede each other: a newer keystroke the older search, a newer look the
    // one still waiting. A read of the text is queued only while none is under way, so one
    // begun is never cut short; a change meanwhile is read by a later look.
    static constexpr int SearchLane = 1;
    static constexpr int LookLane = 2;
    static constexpr int LoadLane = 3;

    // The library's version now, reading its text when Asked or quiet since the last look.
    std::int64_t look(TMyMediaDB& Library, bool Asked);
    // A look of its own, whose failure changes nothing.
    void quietLook(TMyMediaDB& Library, bool Asked);
    // Queues a read of the text of the library as it is at Version, unless one is under way or
    // that version was tried.
    void loadText(std::int64_t Version);
    TAnswer answer(TMyMediaDB& Library, const TMediaListing& Listing, const TCancelToken& Cancel);
    // Answers from memory (the whole library without words); false when the text of this
    // version is not there.
    bool listFromText(const TMediaListing& Listing, std::int64_t Version, TAnswer& Answer);
    void showInMemory() { FInMemory = FText && !FLoading; }

    const std::string FLibraryFile;
    std::atomic<bool> FStopLoad{false};
    std::atomic<bool> FInMemory{false};
    // The newest request's Done, told of a library that could not be opened.
    std::mutex FLock;
    TDone FNewest;
    // The rest is the worker's own: the text read, the version it was read at, the version
    // last tried, the version of the last look.
    std::shared_ptr<const TMediaSearchText> FText;
    std::int64_t FTextVersion = -1;
    std::int64_t FAskedVersion = -1;
    std::int64_t FSeen = -1;
    bool FLoading = false;
    // The last answer from memory, which a longer word narrows.
    std::shared_ptr<const TMediaSearchText> FLastText;
    std::vector<std::string> FLastPatterns;
    std::vector<std::uint32_t> FLastRows;
    // Last, so it ends before what its jobs use.
    TLibraryWorker FWorker;
};

} // namespace orvanta
