#include "core/library/uMediaSearch.h"

#include <algorithm>
#include <chrono>

namespace orvanta {

namespace {

// Whether every row matching Now matched Before: each earlier pattern lies within a new one.
bool narrows(const std::vector<std::string>& Before, const std::vector<std::string>& Now) {
    return !Before.empty() && std::all_of(Before.begin(), Before.end(), [&Now](const auto& old) {
        return std::any_of(Now.begin(), Now.end(), [&old](const std::string& pattern) {
            return pattern.find(old) != std::string::npos;
        });
    });
}

} // namespace

TMediaSearch::TMediaSearch(std::string LibraryFile) : FLibraryFile(std::move(LibraryFile)) {}

TMediaSearch::~TMediaSearch() {
    {
        const std::lock_guard<std::mutex> hold(FLock);
        FStop = true;
    }
    FStopLoad = true;
    FWake.notify_all();
    if (FThread.joinable())
        FThread.join();
    // Only the search thread starts the reader, and it has ended.
    if (FLoader.joinable())
        FLoader.join();
}

void TMediaSearch::Prepare() {
    {
        const std::lock_guard<std::mutex> hold(FLock);
        FPrepare = true;
        if (!FThread.joinable())
            FThread = std::thread([this] { Run(); });
    }
    FWake.notify_all();
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

bool TMediaSearch::InMemory() {
    const std::lock_guard<std::mutex> hold(FLock);
    return FText && !FLoading;
}

void TMediaSearch::loadText(std::int64_t Version) {
    {
        const std::lock_guard<std::mutex> hold(FLock);
        // A library that cannot be read into memory is not tried again until it changes.
        if (FLoading || FAskedVersion == Version)
            return;
        FAskedVersion = Version;
        FLoading = true;
    }
    if (FLoader.joinable())
        FLoader.join(); // it has ended: FLoading was false
    FLoader = std::thread([this, Version] {
        auto text = std::make_shared<TMediaSearchText>();
        bool read = false;
        try {
            TMyMediaDB library;
            library.OpenReadOnly(FLibraryFile);
            read = text->Load(library, FStopLoad);
        } catch (const std::exception&) { // the library's EEasyError, or out of memory
            read = false;                 // the library keeps answering
        }
        const std::lock_guard<std::mutex> hold(FLock);
        FLoading = false;
        if (read) {
            FText = std::move(text);
            FTextVersion = Version;
        }
    });
}

bool TMediaSearch::listFromText(const TMediaListing& Listing, std::int64_t Version,
                                TAnswer& Answer) {
    std::shared_ptr<const TMediaSearchText> text;
    {
        const std::lock_guard<std::mutex> hold(FLock);
        if (!FText || FTextVersion != Version)
            return false;
        text = FText;
    }
    std::vector<std::string> patterns;
    for (const std::string& word : Listing.Words)
        if (!word.empty())
            patterns.push_back(TMediaSearchText::Compiled(word));
    if (patterns.empty()) {
        Answer.Ids = text->Ids(); // the search cleared: the whole library
        return true;
    }
    const bool narrowed = FLastText == text && narrows(FLastPatterns, patterns);
    std::vector<std::uint32_t> rows = text->Find(patterns, narrowed ? &FLastRows : nullptr);
    Answer.Ids = text->IdsOf(rows);
    FLastText = std::move(text);
    FLastPatterns = std::move(patterns);
    FLastRows = std::move(rows);
    return true;
}

void TMediaSearch::Run() {
    TMyMediaDB library;
    bool opened = false;
    std::int64_t seen = -1;
    for (;;) {
        std::optional<std::pair<TMediaListing, std::uint64_t>> next;
        bool asked = false;
        {
            std::unique_lock<std::mutex> hold(FLock);
            // Once a second a changed library is read again, when it has been quiet since
            // the last look (not over and over while files are added).
            asked = FWake.wait_for(hold, std::chrono::seconds(1),
                                   [this] { return FStop || FPrepare || FNext.has_value(); });
            if (FStop)
                return;
            if (!asked && !opened)
                continue;
            FPrepare = false;
            next.swap(FNext);
        }
        TAnswer answer;
        try {
            if (!opened) {
                library.OpenReadOnly(FLibraryFile);
                opened = true;
            }
            const std::int64_t version = library.DataVersion();
            if (asked || version == seen)
                loadText(version);
            seen = version;
            if (!next)
                continue;
            answer.Ticket = next->second;
            const TMediaListing& listing = next->first;
            // Words narrow a filter's few rows quickly enough through its index.
            if (listing.Kind != TMediaListing::All || !listFromText(listing, version, answer)) {
                answer.Ids = library.ListingIds(listing);
            }
        } catch (const std::exception& error) { // the library's EEasyError, or out of memory
            if (!next)
                continue;
            answer.Ticket = next->second;
            answer.Ids.clear();
            answer.Error = error.what();
        }
        const std::lock_guard<std::mutex> hold(FLock);
        FAnswer = std::move(answer);
    }
}

} // namespace orvanta
