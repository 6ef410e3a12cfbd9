#include "library/uMediaSearch.h"

namespace orvanta {

TMediaSearch::TMediaSearch(std::string LibraryFile) : FLibraryFile(std::move(LibraryFile)) {}

TMediaSearch::~TMediaSearch() {
    {
        const std::lock_guard<std::mutex> hold(FLock);
        FStop = true;
    }
    FWake.notify_all();
    if (FThread.joinable())
        FThread.join();
}

void TMediaSearch::Request(TMediaListing Listing, std::uint64_t Ticket) {
    {
        const std::lock_guard<std::mutex> hold(FLock);
        FNext.emplace(std::move(Listing), Ticket);
        if (!FThread.joinable())
            FThread = std::thread([this] { Run(); });
    }
    FWake.notify_all();
}

std::optional<TMediaSearch::TAnswer> TMediaSearch::Take() {
    const std::lock_guard<std::mutex> hold(FLock);
    std::optional<TAnswer> answer;
    answer.swap(FAnswer);
    return answer;
}

void TMediaSearch::Run() {
    TMyMediaDB library;
    bool opened = false;
    for (;;) {
        std::pair<TMediaListing, std::uint64_t> next;
        {
            std::unique_lock<std::mutex> hold(FLock);
            FWake.wait(hold, [this] { return FStop || FNext.has_value(); });
            if (FStop)
                return;
            next = std::move(*FNext);
            FNext.reset();
        }
        TAnswer answer;
        answer.Ticket = next.second;
        try {
            if (!opened) {
                library.OpenReadOnly(FLibraryFile);
                opened = true;
            }
            TEasyQuery query;
            library.SelectListingIds(query, next.first);
            answer.Ids.reserve(static_cast<std::size_t>(query.RecordCount()));
            for (; !query.Eof(); query.Next())
                answer.Ids.push_back(query.Fields(0).AsInt64());
        } catch (const std::exception& error) { // the library's EEasyError, or out of memory
            answer.Ids.clear();
            answer.Error = error.what();
        }
        const std::lock_guard<std::mutex> hold(FLock);
        FAnswer = std::move(answer);
    }
}

} // namespace orvanta
