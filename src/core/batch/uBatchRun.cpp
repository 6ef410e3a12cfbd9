#include "core/batch/uBatchRun.h"

#include "core/batch/uBatchJournal.h"
#include "core/batch/uBatchOrder.h"
#include "core/common/uAtomicReplace.h"
#include "core/common/uDataPaths.h"
#include "core/common/uDisplayUtils.h"
#include "core/common/uOrderedWork.h"
#include "core/library/uLibraryWorker.h"
#include "core/library/uMediaMaintenance.h"
#include "core/library/uTMyMediaDB.h"
#include "core/playlists/uTPlayListManager.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace orvanta {

namespace {

// Moves a file without ever replacing another: refused when the new name is taken.
bool MoveFile(const std::string& From, const std::string& To, std::string& Error) {
    std::error_code code;
    const std::filesystem::path folder = std::filesystem::path(To).parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder, code);
    if (::renameat2(AT_FDCWD, From.c_str(), AT_FDCWD, To.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    Error = errno == EEXIST ? "A file of that name already exists:\n" + To
                            : "Cannot rename " + From + "\nto " + To + ": " + std::strerror(errno);
    return false;
}

// What a file holds, read as the import reads it: by the batch's writers, beside each save, so
// that the turns in order only write the rows.
struct TFileRead {
    TMediaRead Result = TMediaRead::Unreadable;
    TMediaRecord Record;
};

// The library row of a file follows it to Path and takes what the file now holds (Read, when
// the file was read already); a file without a row stays out of the library. A file not
// readable at Path (a recovery follows a file step by step, and it may have moved on since)
// keeps its row as it was, moved to Path.
void FollowRow(TMyMediaDB& Library, const std::string& OldPath, const std::string& Path,
               const TFileRead* Read = nullptr) {
    TMediaRecord row;
    bool found = Library.FindMedia(ExtractFileDir(Path), ExtractFileName(Path), row);
    if (OldPath != Path) {
        TMediaRecord old;
        if (Library.FindMedia(ExtractFileDir(OldPath), ExtractFileName(OldPath), old)) {
            Library.DeleteMedia(old.Directory, old.FileName);
            if (!found)
                row = old;
            found = true;
        }
    }
    if (!found)
        return;
    row.Directory = ExtractFileDir(Path);
    row.FileName = ExtractFileName(Path);
    TMediaStamp stamp;
    const bool readable = ReadFileStamp(Path, stamp);
    // A row that already has the file as it is now (a recovery finds most so) stays.
    if (OldPath == Path && (!readable || !FileChanged(row.Stamp, stamp)))
        return;
    if (readable) {
        TMediaRecord read = row;
        TMediaRead result = TMediaRead::Unreadable;
        if (Read) {
            // As ReadMediaInfo fills a row: every field but its identity and stamp.
            read = Read->Record;
            read.Id = row.Id;
            read.Directory = row.Directory;
            read.FileName = row.FileName;
            result = Read->Result;
        } else {
            result = ReadMediaInfo(Path, read);
        }
        read.Stamp = stamp;
        if (result == TMediaRead::Audio)
            row = std::move(read);
        else if (OldPath == Path)
            return;
    }
    if (!Library.AddMedia(row))
        Library.RewriteMedia(row);
}

// As one write: a signal between taking out the old row and adding the new must not lose it.
void FollowInLibrary(TMyMediaDB& Library, const std::string& OldPath, const std::string& Path,
                     const TFileRead* Read = nullptr) {
    Library.BeginBatch();
    try {
        FollowRow(Library, OldPath, Path, Read);
    } catch (...) {
        Library.CancelBatch();
        throw;
    }
    Library.EndBatch();
}

// The rows of files that keep their names, many to a transaction: each commit waits on a flush
// to disk, which one row per file would make the slowest step of a batch. A recovery follows
// every such file again, marked done or not, so a signal that loses the open rows loses nothing.
class TRowGroup {
public:
    explicit TRowGroup(TMyMediaDB* Library) : FLibrary(Library) {}
    ~TRowGroup() {
        // Left open only when an exception ends the batch.
        if (FOpen) {
            try {
                FLibrary->CancelBatch();
            } catch (...) {
            }
        }
    }
    TRowGroup(const TRowGroup&) = delete;
    TRowGroup& operator=(const TRowGroup&) = delete;

    void Follow(const std::string& Path, const TFileRead* Read) {
        if (!FOpen) {
            FLibrary->BeginBatch();
            FOpen = true;
            FRows = 0;
        }
        FollowRow(*FLibrary, Path, Path, Read);
        if (++FRows == RowsPerCommit)
            Commit();
    }
    void Commit() {
        if (!FOpen)
            return;
        FOpen = false;
        FLibrary->EndBatch();
    }

private:
    static constexpr int RowsPerCommit = 500;
    TMyMediaDB* FLibrary;
    bool FOpen = false;
    int FRows = 0;
};

TTagChanges ChangesOf(const TFieldValues& Fields,
                      const std::optional<std::vector<TPicture>>& Pictures) {
    TTagChanges changes;
    changes.Fields = Fields;
    changes.Pictures = Pictures;
    return changes;
}

// Playlists follow, then the end mark: a journal is only ended once everything agrees.
bool EndJournal(const TBatchTargets& Targets,
                const std::vector<std::pair<std::string, std::string>>& Moves, std::string& Error) {
    if (!Targets.PlayLists && Targets.PlayListsFollowLater && !Moves.empty())
        return true; // the caller ends it once its playlists follow
    if (Targets.PlayLists && FollowMoves(*Targets.PlayLists, Moves)) {
        const TPlayListSync saved = Targets.PlayLists->SaveChanged();
        if (!saved.Failed.empty()) {
            Error = saved.Errors.empty() ? "Cannot save the playlists." : saved.Errors.front();
            return false;
        }
    }
    if (!MarkJournalEnded(Targets.Home)) {
        Error = "Cannot write the batch journal in " + JournalFolder(Targets.Home);
        return false;
    }
    return true;
}

// Writers working at once. Each save waits mostly on its flush to disk, and a disk serves many
// flushes at once (a virtual disk or an SSD takes a deep queue), so that the rate grows with
// the writers well past the cores: 8 wrote 1,000 files/s where 32 wrote 2,000.
constexpr int BatchWriters = 32;

// Readers of the old values a journal keeps: the reads of a warm cache, on two cores or more.
constexpr int PlanReaders = 4;

// Whether two items name one file, through links: their saves must then run one after the
// other, each on what the one before left.
bool SharesAFile(const TBatchJournal& Journal) {
    std::unordered_set<std::string> files;
    for (const TJournalItem& item : Journal.Items)
        if (!files.insert(ResolveLinks(item.OldPath)).second)
            return true;
    return false;
}

// What a writer made of an item's tag, for the item's turn.
struct TItemWrite {
    TTagWrite Written = TTagWrite::Unchanged;
    std::string Error;
    bool Skipped = false; // cancelled before it began
    // What the file written holds, for its library row.
    std::optional<TFileRead> Read;
};

// Saves an item's tags to its file under its old name.
TTagWrite WriteItemTags(const TJournalItem& Item, std::string& Error) {
    if (Item.NewFields.empty() && !Item.NewPictures && !Item.RemoveID3v2)
        return TTagWrite::Unchanged;
    TTagChanges changes = ChangesOf(Item.NewFields, Item.NewPictures);
    changes.RemoveID3v2 = Item.RemoveID3v2;
    return WriteTagChangesAny(Item.OldPath, changes, Error);
}

// Runs a journal already written. The tags are saved by a few writers ahead of the turn; each
// item's turn, in order on this thread, then renames it, rewrites its row and marks it done.
// Once cancelled, no further save begins, and every save already made still takes its turn; a
// ring begun runs to its end, so that no file is left under its temporary name.
TBatchOutcome RunJournal(const TBatchJournal& Journal, const TBatchTargets& Targets,
                         const TBatchHooks& Hooks) {
    TBatchOutcome outcome;
    const std::size_t count = Journal.Items.size();
    const int total = static_cast<int>(count);
    // Per item of a ring after its first, that first; and the firsts.
    std::vector<std::optional<std::size_t>> ringOf(count);
    std::vector<bool> beginsRing(count, false);
    const std::vector<std::optional<std::size_t>> hopStarts = HopStarts(Journal);
    for (std::size_t hop = 0; hop < count; ++hop)
        if (hopStarts[hop]) {
            beginsRing[*hopStarts[hop]] = true;
            for (std::size_t i = *hopStarts[hop] + 1; i <= hop; ++i)
                ringOf[i] = hopStarts[hop];
        }
    std::vector<bool> moved(count, false);
    TMoves steps;
    TRowGroup rows(Targets.Library);
    std::atomic<bool> stop{false};
    const auto write = [&](std::size_t i) {
        TItemWrite result;
        const TJournalItem& item = Journal.Items[i];
        result.Written = WriteItemTags(item, result.Error);
        if (Targets.Library && result.Written == TTagWrite::Written) {
            result.Read.emplace();
            result.Read->Result = ReadMediaInfo(item.OldPath, result.Read->Record);
        }
        return result;
    };
    const std::function<TItemWrite(std::size_t)> save = [&](std::size_t i) {
        if (!stop.load())
            return write(i);
        TItemWrite skipped;
        skipped.Skipped = true;
        return skipped;
    };
    const auto mark = [&](std::size_t i, TItemDone Done, bool Flush) {
        if (MarkItemDone(Targets.Home, i, Done, Flush))
            return true;
        outcome.Error = "Cannot write the batch journal in " + JournalFolder(Targets.Home);
        stop = true; // the saves under way still take their turns, unmarked
        return false;
    };
    const std::function<bool(std::size_t, TItemWrite&)> turn = [&](std::size_t i,
                                                                   TItemWrite& Write) {
        if (!stop.load() && Hooks.Cancelled && Hooks.Cancelled())
            stop = true;
        const TJournalItem& item = Journal.Items[i];
        const bool ringRuns = ringOf[i] && moved[*ringOf[i]];
        if (Write.Skipped && ringRuns)
            Write = write(i);
        if (Write.Skipped) {
            outcome.Cancelled = true;
            return true;
        }
        if (item.Hop && !ringRuns) {
            // Its file never left: the failure of the ring's first step is told already.
            mark(i, TItemDone::Failed, false);
            return true;
        }
        if (Hooks.Progress && !item.Hop)
            Hooks.Progress(static_cast<int>(i), total, item.OldPath);
        const TTagWrite written = Write.Written;
        std::string& error = Write.Error;
        if (written != TTagWrite::Failed && item.NewPath != item.OldPath) {
            moved[i] = MoveFile(item.OldPath, item.NewPath, error);
            if (!moved[i] && item.Hop)
                error += "\nThe file is kept as " + item.OldPath;
        }
        const auto follow = [&](const std::string& From, const std::string& To,
                                const TFileRead* Read) {
            if (!Targets.Library)
                return;
            if (From == To)
                return rows.Follow(To, Read);
            rows.Commit(); // the rows follow the steps in their order
            FollowInLibrary(*Targets.Library, From, To, Read);
        };
        if (written == TTagWrite::Written || moved[i])
            follow(item.OldPath, moved[i] ? item.NewPath : item.OldPath,
                   Write.Read ? &*Write.Read : nullptr);
        // A ring goes on only once the mark of its first step is on disk, row and all; else
        // that step is taken back, as if the ring never began.
        std::string ignored;
        if (moved[i] && beginsRing[i] && !mark(i, TItemDone::Written, true) &&
            MoveFile(item.NewPath, item.OldPath, ignored)) {
            follow(item.NewPath, item.OldPath, Write.Read ? &*Write.Read : nullptr);
            moved[i] = false;
            error = outcome.Error;
        }
        if (moved[i])
            steps.emplace_back(item.OldPath, item.NewPath);
        const bool renamed = moved[i];
        const bool failed =
            written == TTagWrite::Failed || (item.NewPath != item.OldPath && !renamed);
        if (failed)
            outcome.Failed.push_back({item.OldPath, error});
        else if (!item.Hop) // a hop's file counts at the ring's first step
            ++(written == TTagWrite::Written || renamed ? outcome.Written : outcome.Unchanged);
        const TItemDone done = failed                                     ? TItemDone::Failed
                               : written == TTagWrite::Written || renamed ? TItemDone::Written
                                                                          : TItemDone::Unchanged;
        if (!(beginsRing[i] && renamed))
            mark(i, done, false);
        return true;
    };
    const int writers = SharesAFile(Journal) ? 1 : BatchWriters;
    RunOrdered<TItemWrite>(count, writers, 4 * BatchWriters, save, turn, RunBelowTheWindow);
    rows.Commit();
    outcome.Moves = NetMoves(steps);
    if (!outcome.Error.empty() || !EndJournal(Targets, outcome.Moves, outcome.Error))
        return outcome;
    if (Hooks.Progress && !outcome.Cancelled)
        Hooks.Progress(total, total, {});
    return outcome;
}

// The old values of what an item changes, read before anything is written.
bool JournalItemOf(const TBatchItem& Item, TJournalItem& Entry, std::string& Error) {
    Entry.OldPath = Item.Path;
    Entry.NewPath = Item.Renames() ? Item.NewPath : Item.Path;
    Entry.NewFields = Item.Changes.Fields;
    Entry.NewPictures = Item.Changes.Pictures;
    Entry.RemoveID3v2 = Item.Changes.RemoveID3v2;
    if (!Item.Edits())
        return true;
    TTagState state;
    if (!ReadTagState(Item.Path, ChangedKeys(Item.Changes), Item.Changes.Pictures.has_value(),
                      state, Error))
        return false;
    Entry.OldFields = std::move(state.Fields);
    if (Item.Changes.Pictures)
        Entry.OldPictures = std::move(state.Pictures);
    return true;
}

// Whether an item's file already is what the item asks: its name, its values and pictures.
bool HoldsAlready(const TJournalItem& Item) {
    if (Item.NewPath != Item.OldPath || Item.RemoveID3v2)
        return false;
    for (const auto& [key, values] : Item.NewFields) {
        const auto old = Item.OldFields.find(key);
        if (old == Item.OldFields.end() || !SameTagValues(key, old->second, values))
            return false;
    }
    return !Item.NewPictures || SamePictures(*Item.NewPictures, *Item.OldPictures);
}

// Whether the file at Path holds what the item wrote.
bool HoldsNew(const TJournalItem& Item, const std::string& Path) {
    if (!FileExists(Path))
        return false;
    if (Item.NewFields.empty() && !Item.NewPictures)
        return true;
    TTagState state;
    std::string ignored;
    if (!ReadTagState(Path, ChangedKeys(ChangesOf(Item.NewFields, {})),
                      Item.NewPictures.has_value(), state, ignored))
        return false;
    for (const auto& [key, values] : Item.NewFields)
        if (!SameTagValues(key, state.Fields[key], values))
            return false;
    return !Item.NewPictures || SamePictures(state.Pictures, *Item.NewPictures);
}

// A ring cut short after its first step runs to its end, each step as the batch takes it and
// marked so: else its first file would wait under its temporary name. A step that can no
// longer be taken (its name taken since, its file gone) leaves its file where it is.
bool FinishRings(const TBatchJournal& Journal, const std::string& Home, TJournalWhere& Where) {
    const std::vector<std::optional<std::size_t>> starts = HopStarts(Journal);
    for (std::size_t hop = 0; hop < Journal.Items.size(); ++hop) {
        if (!starts[hop] || Journal.Done.contains(hop) || !Where.Moved[*starts[hop]])
            continue;
        const std::size_t start = *starts[hop];
        // As in the batch: the mark of the first step is on disk before the ring goes on.
        if (!Journal.Done.contains(start) && !MarkItemDone(Home, start, TItemDone::Written, true))
            return false;
        for (std::size_t i = start + 1; i <= hop; ++i) {
            const TJournalItem& item = Journal.Items[i];
            std::string ignored;
            if (Where.Moved[i] || Journal.Done.contains(i) ||
                WriteItemTags(item, ignored) == TTagWrite::Failed ||
                !MoveFile(item.OldPath, item.NewPath, ignored))
                continue;
            Where.Moved[i] = true;
            if (!MarkItemDone(Home, i, TItemDone::Written, i == hop))
                return false;
        }
    }
    return true;
}

// A journal that cannot be read (cut off mid-line, overwritten) is set aside in place of the one
// set aside before, so that the next command runs; False, with Error naming it for the caller
// to tell once. Its files stay where they are.
bool SetAsideDamaged(const std::string& Home, std::string& Error) {
    const std::string path = JournalFile(Home);
    const std::string aside = path + ".damaged";
    if (std::rename(path.c_str(), aside.c_str()) != 0) {
        Error = "The batch journal cannot be read: " + path +
                "\nNor can it be set aside: " + std::strerror(errno);
        return false;
    }
    Error = "The batch journal cannot be read: " + path + "\nIt is kept as " + aside +
            ", and the files of its batch are left where they are.";
    return false;
}

} // namespace

TBatchOutcome RunBatch(const TBatchPlan& Plan, const TBatchTargets& Targets,
                       const TBatchHooks& Hooks) {
    const TBatchLock lock(Targets.Home);
    TBatchOutcome outcome;
    outcome.Planned = static_cast<int>(Plan.size());
    TBatchJournal journal;
    struct TEntry {
        TJournalItem Item;
        std::string Error;
        bool Read = false;
    };
    const std::function<TEntry(std::size_t)> read = [&](std::size_t i) {
        TEntry entry;
        entry.Read = JournalItemOf(Plan[i], entry.Item, entry.Error);
        return entry;
    };
    const std::function<bool(std::size_t, TEntry&)> take = [&](std::size_t i, TEntry& Entry) {
        if (!Entry.Read) // a file that cannot be read is not touched; the others still are
            outcome.Failed.push_back({Plan[i].Path, Entry.Error});
        else if (HoldsAlready(Entry.Item))
            ++outcome.Unchanged;
        else
            journal.Items.push_back(std::move(Entry.Item));
        return true;
    };
    RunOrdered<TEntry>(Plan.size(), PlanReaders, 8 * PlanReaders, read, take, RunBelowTheWindow);
    // A batch that changes nothing leaves the last one's journal, so that it can still be
    // undone.
    if (journal.Items.empty())
        return outcome;
    journal.Items = OrderRenames(std::move(journal.Items));
    if (!WriteJournal(Targets.Home, journal, outcome.Error))
        return outcome;
    TBatchOutcome run = RunJournal(journal, Targets, Hooks);
    run.Planned = outcome.Planned;
    run.Unchanged += outcome.Unchanged;
    run.Failed.insert(run.Failed.begin(), outcome.Failed.begin(), outcome.Failed.end());
    return run;
}

bool FinishInterruptedBatch(const TBatchTargets& Targets, std::string& Error) {
    if (!JournalCutShort(Targets.Home))
        return true; // the usual case, told without the lock
    const TBatchLock lock(Targets.Home);
    const std::optional<TBatchJournal> journal = ReadJournal(Targets.Home);
    if (!journal)
        return !FileExists(JournalFile(Targets.Home)) || SetAsideDamaged(Targets.Home, Error);
    if (journal->Ended)
        return true;
    // Every file is whole where the renames done left it: the rows follow each step done, in
    // turn, and the entries each file's way from where it was.
    TJournalWhere where = JudgeJournal(*journal);
    if (!FinishRings(*journal, Targets.Home, where)) {
        Error = "Cannot write the batch journal in " + JournalFolder(Targets.Home);
        return false;
    }
    TMoves steps;
    for (std::size_t i = 0; i < journal->Items.size(); ++i) {
        const TJournalItem& item = journal->Items[i];
        // An item marked done that moved has its row already; one that kept its name may have
        // lost its row with the last rows' transaction (TRowGroup), and follows again.
        if (Targets.Library && (!journal->Done.contains(i) || item.NewPath == item.OldPath))
            FollowInLibrary(*Targets.Library, item.OldPath,
                            where.Moved[i] ? item.NewPath : item.OldPath);
        if (where.Moved[i])
            steps.emplace_back(item.OldPath, item.NewPath);
    }
    return EndJournal(Targets, NetMoves(steps), Error);
}

bool EndBatchJournal(const std::string& Home) {
    // Another batch under way has mended this one first, when it began.
    const TBatchLock lock(Home, false);
    if (!lock.Held())
        return true;
    const std::optional<TBatchJournal> journal = ReadJournal(Home);
    return !journal || journal->Ended || MarkJournalEnded(Home);
}

bool CanUndoLastBatch(const std::string& Home) {
    const std::optional<TBatchJournal> journal = ReadJournal(Home);
    return journal && journal->Ended && journal->Kind == TJournalKind::Batch &&
           std::ranges::any_of(journal->Done,
                               [](const auto& Done) { return Done.second == TItemDone::Written; });
}

TBatchOutcome UndoLastBatch(const TBatchTargets& Targets, const TBatchHooks& Hooks) {
    const TBatchLock lock(Targets.Home);
    TBatchOutcome outcome;
    const std::optional<TBatchJournal> last = ReadJournal(Targets.Home);
    if (!last || !last->Ended || last->Kind != TJournalKind::Batch) {
        outcome.Error = last && last->Kind == TJournalKind::Undo
                            ? "The last batch was undone already."
                        : !last && FileExists(JournalFile(Targets.Home))
                            ? "The batch journal cannot be read: " + JournalFile(Targets.Home)
                            : "There is no batch to undo.";
        return outcome;
    }
    // Each file goes back from where it is now to where it was, as one item, and the items are
    // ordered as a batch's are: the steps of the batch need not be retraced.
    const TJournalWhere where = JudgeJournal(*last);
    // Where the batch left each file: its new path, or the end of its hop.
    std::vector<std::string> left(last->Items.size());
    const std::vector<std::optional<std::size_t>> hopStarts = HopStarts(*last);
    for (std::size_t i = 0; i < last->Items.size(); ++i)
        left[hopStarts[i].value_or(i)] = last->Items[i].NewPath;
    std::vector<TJournalItem> items;
    for (std::size_t i = 0; i < last->Items.size(); ++i) {
        const TJournalItem& item = last->Items[i];
        const auto done = last->Done.find(i);
        if (item.Hop || (done != last->Done.end() && done->second != TItemDone::Written))
            continue;
        const std::optional<std::string>& now = where.Now[i];
        // Moved (even if only to a temporary name), or not renamed: the file holds what the
        // batch wrote where it is. A batch cut short before this file's rename may have left
        // its new tag under its old name.
        const bool edits = !item.NewFields.empty() || item.NewPictures;
        const bool wrote =
            item.NewPath == item.OldPath || where.Moved[i] || (done == last->Done.end() && edits);
        if (now && wrote && HoldsNew(item, *now)) {
            items.push_back({*now, item.OldPath, item.NewFields, item.OldFields, item.NewPictures,
                             item.OldPictures, false, false});
        } else if (done != last->Done.end()) {
            outcome.ChangedSince.push_back(left[i]);
        }
    }
    TBatchJournal undo;
    undo.Kind = TJournalKind::Undo;
    undo.Items = OrderRenames(std::move(items));
    if (!WriteJournal(Targets.Home, undo, outcome.Error))
        return outcome;
    TBatchOutcome run = RunJournal(undo, Targets, Hooks);
    run.ChangedSince = std::move(outcome.ChangedSince);
    return run;
}

bool FollowMoves(TPlayListManager& PlayLists,
                 const std::vector<std::pair<std::string, std::string>>& Moves) {
    if (Moves.empty())
        return false;
    const std::unordered_map<std::string, std::string> moves(Moves.begin(), Moves.end());
    bool changed = false;
    for (int p = 0; p < PlayLists.Count(); ++p) {
        TPlayList& list = *PlayLists.GetPlayList(p);
        for (int i = 0; i < list.Count(); ++i) {
            const std::string entry = list.GetTrack(i);
            const auto found = moves.find(TrackPath(entry));
            if (found == moves.end())
                continue;
            list.DeleteTrack(i);
            list.InsertTrack(MakeTrackEntry(found->second, TrackSeconds(entry)), i);
            changed = true;
        }
    }
    return changed;
}

} // namespace orvanta
