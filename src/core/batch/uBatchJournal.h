#pragma once

// The journal of the last batch, in the home's "Batch" folder: written whole before the first
// file is touched, then one line appended per file done, and an end mark, flushed to disk with
// the marks before it. The marks only spare a recovery work: it finds each file where the
// renames done left it whether or not their marks reached the disk; only the mark of a ring's
// first step must, and is flushed (see JudgeJournal).
// It holds, per item, the old and new path and the old and new values of the keys the item
// changes; pictures go to files beside it. A journal without its end mark belongs to a batch
// that was cut short; an ended one is what Undo Last Batch reverses.
#include <map>
#include <mutex>
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
    // The ID3v2 tag before a FLAC stream goes (not brought back by an undo).
    bool RemoveID3v2 = false;
    // The last step of a file that waited under a temporary name while the others of its ring
    // took their names (see OrderRenames).
    bool Hop = false;
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

// One batch at a time per home, across threads and processes: a mutex within the process and
// the journal folder's lock file (flock) between processes. A thread that holds it may take it
// again, so a command can hold it around the calls that take it themselves. Taken before the
// playlists folder's lock wherever both are held. Without Wait, Held() is false when another
// holds it. A home where the lock file cannot be made runs under the mutex alone.
class TBatchLock {
public:
    explicit TBatchLock(const std::string& Home, bool Wait = true);
    ~TBatchLock();
    TBatchLock(const TBatchLock&) = delete;
    TBatchLock& operator=(const TBatchLock&) = delete;
    bool Held() const { return FHeld; }

private:
    std::unique_lock<std::recursive_mutex> FThread;
    bool FHeld = false;
};

// Replaces the journal by Journal (no item done, not ended), pictures first. False, with
// Error, when it could not be written: the batch must not start.
[[nodiscard]] bool WriteJournal(const std::string& Home, const TBatchJournal& Journal,
                                std::string& Error);

// Appends the mark of item Index done as Done, flushed to disk with the marks before it when
// Flush.
[[nodiscard]] bool MarkItemDone(const std::string& Home, std::size_t Index, TItemDone Done,
                                bool Flush = false);

// Appends the end mark, flushed to disk with every mark before it.
[[nodiscard]] bool MarkJournalEnded(const std::string& Home);

// Whether the home has a journal without its end mark, told from the journal's last bytes
// alone: every command that reads the library asks.
bool JournalCutShort(const std::string& Home);

// The journal of the home; empty when there is none or it cannot be read.
std::optional<TBatchJournal> ReadJournal(const std::string& Home);

// The path of the home's journal.
std::string JournalFile(const std::string& Home);

} // namespace orvanta
