#include "core/library/uMediaSearch.h"

#include <algorithm>

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

TMediaSearch::TMediaSearch(std::string LibraryFile)
    : FLibraryFile(std::move(LibraryFile)),
      FWorker(FLibraryFile, true, TLibraryWorker::TPriority::Background) {
    // Only a library that could not be opened fails outside a job's own catch.
    FWorker.OnError = [this](const std::string& Error) {
        TDone done;
        {
            const std::lock_guard<std::mutex> hold(FLock);
            done.swap(FNewest);
        }
        if (done)
            done({{}, Error});
    };
}

TMediaSearch::~TMediaSearch() {
    FStopLoad = true;
}

void TMediaSearch::Prepare() {
    // Not superseded by the looks that follow.
    FWorker.Post([this](TMyMediaDB& Library, const TCancelToken&) { quietLook(Library, true); });
}

void TMediaSearch::LookForChanges() {
    FWorker.Post([this](TMyMediaDB& Library, const TCancelToken&) { quietLook(Library, false); },
                 LookLane);
}

void TMediaSearch::quietLook(TMyMediaDB& Library, bool Asked) {
    try {
        look(Library, Asked);
    } catch (const std::exception&) { // the library's EEasyError: the next request tells it
    }
}

void TMediaSearch::Request(TMediaListing Listing, TDone Done) {
    {
        const std::lock_guard<std::mutex> hold(FLock);
        FNewest = Done;
    }
    FWorker.Post(
        [this, Listing = std::move(Listing), Done = std::move(Done)](TMyMediaDB& Library,
                                                                     const TCancelToken& Cancel) {
            TAnswer found = answer(Library, Listing, Cancel);
            if (!Cancel.Cancelled())
                Done(std::move(found));
        },
        SearchLane);
}

std::int64_t TMediaSearch::look(TMyMediaDB& Library, bool Asked) {
    const std::int64_t version = Library.DataVersion();
    if (Asked || version == FSeen)
        loadText(version);
    FSeen = version;
    return version;
}

void TMediaSearch::loadText(std::int64_t Version) {
    // A library that cannot be read into memory is not tried again until it changes.
    if (FLoading || FAskedVersion == Version)
        return;
    FAskedVersion = Version;
    FLoading = true;
    showInMemory();
    FWorker.Post(
        [this, Version](TMyMediaDB& Library, const TCancelToken&) {
            auto text = std::make_shared<TMediaSearchText>();
            bool read = false;
            try {
                read = text->Load(Library, FStopLoad);
            } catch (const std::exception&) { // the library's EEasyError, or out of memory
                read = false;                 // the library keeps answering
            }
            FLoading = false;
            if (read) {
                FText = std::move(text);
                FTextVersion = Version;
            }
            showInMemory();
        },
        LoadLane);
}

TMediaSearch::TAnswer TMediaSearch::answer(TMyMediaDB& Library, const TMediaListing& Listing,
                                           const TCancelToken& Cancel) {
    TAnswer found;
    try {
        const std::int64_t version = look(Library, true);
        // Words narrow a filter's few rows quickly enough through its index.
        if (Listing.Kind != TMediaListing::All || !listFromText(Listing, version, found)) {
            found.Ids = Library.ListingIds(Listing, RowCancelCheck(Cancel));
        }
    } catch (const std::exception& error) { // the library's EEasyError, or out of memory
        found.Ids.clear();
        found.Error = error.what();
    }
    return found;
}

bool TMediaSearch::listFromText(const TMediaListing& Listing, std::int64_t Version,
                                TAnswer& Answer) {
    if (!FText || FTextVersion != Version)
        return false;
    std::vector<std::string> patterns;
    for (const std::string& word : Listing.Words)
        if (!word.empty())
            patterns.push_back(TMediaSearchText::Compiled(word));
    if (patterns.empty()) {
        Answer.Ids = FText->Ids(); // the search cleared: the whole library
        return true;
    }
    const bool narrowed = FLastText == FText && narrows(FLastPatterns, patterns);
    std::vector<std::uint32_t> rows = FText->Find(patterns, narrowed ? &FLastRows : nullptr);
    Answer.Ids = FText->IdsOf(rows);
    FLastText = FText;
    FLastPatterns = std::move(patterns);
    FLastRows = std::move(rows);
    return true;
}

} // namespace orvanta
