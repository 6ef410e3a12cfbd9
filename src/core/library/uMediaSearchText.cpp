#include "core/library/uMediaSearchText.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>
#include <thread>

#include "core/library/uMediaKeys.h"

namespace orvanta {

namespace {

constexpr char AnyChar = '\0';
// Rows from which a scan of every row is split between two threads.
constexpr std::uint32_t SplitRows = 1u << 16;

} // namespace

void TMediaSearchText::clear() {
    FText.reset();
    FSize = FRoom = 0;
    FStarts = {};
    FIds = {};
    FPlace = {};
}

void TMediaSearchText::append(std::string_view Key) {
    if (FSize + Key.size() + 1 > FRoom) {
        const std::size_t room = std::max(FRoom + FRoom / 2, FSize + Key.size() + (1u << 20));
        char* grown = static_cast<char*>(std::realloc(FText.get(), room));
        if (!grown)
            throw std::bad_alloc();
        (void)FText.release();
        FText.reset(grown);
        FRoom = room;
    }
    std::memcpy(FText.get() + FSize, Key.data(), Key.size());
    FSize += Key.size();
    FText.get()[FSize++] = '\0';
}

bool TMediaSearchText::Load(TMyMediaDB& Library, const std::atomic<bool>& Stop) {
    clear();
    if (!Library.HasListingKeys())
        return false;
    std::vector<std::pair<std::int64_t, std::uint32_t>> byId;
    bool seenAlike = true;
    Library.ReadSearchKeys(
        [&](std::vector<std::int64_t> TitleOrder) {
            FIds = std::move(TitleOrder);
            byId.resize(FIds.size());
            for (std::size_t place = 0; place < FIds.size(); ++place)
                byId[place] = {FIds[place], static_cast<std::uint32_t>(place)};
            std::sort(byId.begin(), byId.end());
            FPlace.reserve(byId.size());
            FStarts.reserve(byId.size() + 1);
        },
        [&](std::int64_t Id, const std::array<std::string_view, 4>& Keys) {
            const std::size_t row = FStarts.size();
            // Rows that the two reads saw differently: read again once the library changes.
            if (Stop.load(std::memory_order_relaxed) || row >= byId.size() ||
                byId[row].first != Id) {
                seenAlike = false;
                return false;
            }
            FPlace.push_back(byId[row].second);
            FStarts.push_back(FSize);
            // A row without keys (written by another program) is matched by no word.
            for (const std::string_view key : Keys)
                append(key);
            return true;
        });
    if (!seenAlike) {
        clear();
        return false;
    }
    if (FStarts.size() != byId.size()) {
        clear();
        return false;
    }
    FStarts.push_back(FSize);
    return true;
}

std::string TMediaSearchText::Compiled(std::string_view Word) {
    const std::string pattern = KeyPattern(Word);
    std::string out;
    // Between the leading and the trailing '*'.
    for (std::size_t i = 1; i + 1 < pattern.size(); ++i) {
        if (pattern[i] == '?')
            out += AnyChar;
        else if (pattern[i] == '[' && i + 2 < pattern.size()) {
            out += pattern[i + 1];
            i += 2;
        } else
            out += pattern[i];
    }
    return out;
}

bool TMediaSearchText::matchAt(const std::string& Pattern, std::size_t At, std::size_t To) const {
    const char* const text = FText.get();
    for (const char p : Pattern) {
        if (At >= To || text[At] == '\0')
            return false;
        const auto c = static_cast<unsigned char>(text[At++]);
        if (p != AnyChar) {
            if (static_cast<char>(c) != p)
                return false;
            continue;
        }
        // One character, as the library's GLOB reads UTF-8.
        if (c >= 0xC0)
            while (At < To && (static_cast<unsigned char>(text[At]) & 0xC0) == 0x80)
                ++At;
    }
    return true;
}

std::size_t TMediaSearchText::search(const std::string& Pattern, std::size_t From,
                                     std::size_t To) const {
    if (Pattern.empty() || Pattern.front() == AnyChar) {
        for (std::size_t at = From; at < To; ++at)
            if (matchAt(Pattern, at, To))
                return at;
        return std::string::npos;
    }
    // The leading literal run is looked for with memmem, the rest checked where it is found.
    const std::size_t run = std::min(Pattern.find(AnyChar), Pattern.size());
    const char* const text = FText.get();
    while (From < To) {
        const void* found = memmem(text + From, To - From, Pattern.data(), run);
        if (!found)
            return std::string::npos;
        const auto at = static_cast<std::size_t>(static_cast<const char*>(found) - text);
        if (matchAt(Pattern, at, To))
            return at;
        From = at + 1;
    }
    return std::string::npos;
}

std::vector<std::uint32_t> TMediaSearchText::Find(const std::vector<std::string>& Patterns,
                                                  const std::vector<std::uint32_t>* Within) const {
    std::vector<std::uint32_t> rows;
    if (Patterns.empty() || FIds.empty())
        return rows;
    // The longest pattern first: it leaves the fewest rows for the others.
    std::vector<const std::string*> order;
    for (const std::string& pattern : Patterns)
        order.push_back(&pattern);
    std::stable_sort(order.begin(), order.end(), [](const std::string* a, const std::string* b) {
        return a->size() > b->size();
    });
    const auto matches = [this, &order](std::uint32_t Row, std::size_t First) {
        for (std::size_t i = First; i < order.size(); ++i)
            if (search(*order[i], FStarts[Row], FStarts[Row + 1]) == std::string::npos)
                return false;
        return true;
    };
    if (Within) {
        for (const std::uint32_t row : *Within)
            if (matches(row, 0))
                rows.push_back(row);
        return rows;
    }
    // One pass over the block for the first pattern, from each hit to the next row, over
    // the rows First to Last.
    const auto scan = [this, &order, &matches](std::uint32_t First, std::uint32_t Last,
                                               std::vector<std::uint32_t>& Found) {
        std::uint32_t row = First;
        for (std::size_t from = FStarts[First];;) {
            const std::size_t at = search(*order.front(), from, FStarts[Last]);
            if (at == std::string::npos)
                break;
            // Hits come in text order: the row of each is found by walking on from the last.
            while (FStarts[row + 1] <= at)
                ++row;
            if (matches(row, 1))
                Found.push_back(row);
            from = FStarts[++row];
        }
    };
    const auto count = static_cast<std::uint32_t>(FIds.size());
    // A large library is scanned in two halves at once: a one-letter word holds the window's
    // answer for the whole scan.
    if (count < SplitRows || std::thread::hardware_concurrency() < 2) {
        scan(0, count, rows);
        return rows;
    }
    std::vector<std::uint32_t> upper;
    std::exception_ptr failed;
    std::thread second([&] {
        try {
            scan(count / 2, count, upper);
        } catch (...) { // out of memory: raised here, on the caller's thread
            failed = std::current_exception();
        }
    });
    try {
        scan(0, count / 2, rows);
    } catch (...) {
        second.join();
        throw;
    }
    second.join();
    if (failed)
        std::rethrow_exception(failed);
    rows.insert(rows.end(), upper.begin(), upper.end());
    return rows;
}

std::vector<std::int64_t> TMediaSearchText::IdsOf(const std::vector<std::uint32_t>& Rows) const {
    // Marked at their places, then read off in title order: no sort.
    std::vector<std::uint8_t> found(FIds.size(), 0);
    for (const std::uint32_t row : Rows)
        found[FPlace[row]] = 1;
    // Every place written, the next one only kept when marked: no branch to mispredict on a
    // word that half the rows hold. One slot more takes the last write.
    std::vector<std::int64_t> ids(Rows.size() + 1);
    std::size_t kept = 0;
    for (std::size_t place = 0; place < found.size(); ++place) {
        ids[kept] = FIds[place];
        kept += found[place];
    }
    ids.resize(kept);
    return ids;
}

} // namespace orvanta
