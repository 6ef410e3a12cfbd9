#pragma once

// The journal of the last batch, in the home's "Batch" folder: written whole before the first
// file is touched, then one line appended (and flushed to disk) per file done, and an end mark.
// It holds, per item, the old and new path and the old and new values of the keys the item
// changes; pictures go to files beside it. A journal without its end mark belongs to a batch
// that was cut short; an ended one is what Undo Last Batch reverses.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/metadata/uTagWriteAny.h"

namespace orvanta {

struct TJournalItem {
    std::string OldPath;
    std::string NewPath; // equal to OldPath when the file keeps its name
    TFieldValues OldFields;
    TFieldValues NewFields;
    // Set when the item changes the pictures.
    std::optional<std::vector<TPicture>> OldPictures;
    std::optional<std::vector<TPicture>> NewPictures;
};

enum class TJournalKind { Batch, Undo };

// What an item's file became: Written (tag written and/or renamed), Unchanged, Failed.
enum class TItemDone { Written, Unchanged, Failed };

struct TBatchJournal {
    TJournalKind Kind = TJournalKind::Batch;
    std::vector<TJournalItem> Items;
    std::map<std::size_t, TItemDone> Done;
    bool Ended = false;
};

// The journal folder of a home.
std::string JournalFolder(const std::string& Home);

// Replaces the journal by Journal (no item done, not ended), pictures first. False, with
// Error, when it could not be written: the batch must not start.
[[nodiscard]] bool WriteJournal(const std::string& Home, const TBatchJournal& Journal,
                                std::string& Error);

// Appends the mark of item Index done as Done, flushed to disk.
[[nodiscard]] bool MarkItemDone(const std::string& Home, std::size_t Index, TItemDone Done);

// Appends the end mark, flushed to disk.
[[nodiscard]] bool MarkJournalEnded(const std::string& Home);

// The journal of the home; empty when there is none or it cannot be read.
std::optional<TBatchJournal> ReadJournal(const std::string& Home);

} // namespace orvanta
