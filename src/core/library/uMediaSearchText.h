#pragma once

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/library/uTMyMediaDB.h"

namespace orvanta {

// The four keys of every row, held in one block so that a search of the whole library is a
// scan of memory rather than of the file, and the rows' places in the library's title order,
// in which answers come. A word matches a row exactly when the library's GLOB of KeyPattern
// matches one of its keys.
class TMediaSearchText {
public:
    // Reads the keys through Library; false, and empty, when Stop was set meanwhile or the
    // library keeps no keys.
    bool Load(TMyMediaDB& Library, const std::atomic<bool>& Stop);

    // A word's pattern as the scan reads it: its literal bytes, "any one character" as '\0'.
    // Rows matching a pattern that contains another's match that other too.
    static std::string Compiled(std::string_view Word);

    // The rows (in the block's order, ascending) matching every compiled pattern, out of
    // Within when given (rows in ascending order), else out of all rows.
    std::vector<std::uint32_t> Find(const std::vector<std::string>& Patterns,
                                    const std::vector<std::uint32_t>* Within = nullptr) const;

    // The ids of these rows, in title order.
    std::vector<std::int64_t> IdsOf(const std::vector<std::uint32_t>& Rows) const;
    // Every row's id, in title order: the listing of the whole library.
    const std::vector<std::int64_t>& Ids() const { return FIds; }
    std::size_t Count() const { return FIds.size(); }

private:
    // Where Pattern first matches in [From, To), or npos.
    std::size_t search(const std::string& Pattern, std::size_t From, std::size_t To) const;
    bool matchAt(const std::string& Pattern, std::size_t At, std::size_t To) const;

    void append(std::string_view Key);
    void clear();

    struct TFree {
        void operator()(char* Block) const { std::free(Block); }
    };
    // Each row's keys, each ended by '\0' (which no key and no pattern holds). Grown with
    // realloc, which moves a large block's pages instead of copying them, so that the peak
    // of the read stays near the block's size.
    std::unique_ptr<char, TFree> FText;
    std::size_t FSize = 0;
    std::size_t FRoom = 0;
    // Where each row starts in FText (rows in row id order), and one past the last row.
    std::vector<std::size_t> FStarts;
    // The row ids in title order, and each row's place in it.
    std::vector<std::int64_t> FIds;
    std::vector<std::uint32_t> FPlace;
};

} // namespace orvanta
