#pragma once

// Writing a planned batch: each file atomically, a journal first so that a batch cut short by
// a signal is finished or undone at the next start, and the library's rows and the playlists'
// entries following every rename.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/batch/uBatchPlan.h"

namespace orvanta {

class TMyMediaDB;
class TPlayListManager;

struct TBatchHooks {
    // Called before each file with the number of files done and the total.
    std::function<void(int Done, int Total, const std::string& Path)> Progress;
    // Asked between files: once true, the file in hand is finished and the batch ends there.
    std::function<bool()> Cancelled;
};

// Where a batch keeps its journal and what follows its renames.
struct TBatchTargets {
    // The program's home: the journal of the last batch lives there.
    std::string Home;
    // The library whose rows follow renames and take the new tags; may be null.
    TMyMediaDB* Library = nullptr;
    // Playlists (opened under their folder's lock) whose entries follow renames; may be null.
    // They are saved before the journal is marked ended.
    TPlayListManager* PlayLists = nullptr;
    // The caller's playlists follow Moves on a thread of their own (the window's): a batch
    // that moved files leaves its journal open until the caller, once they are saved, calls
    // EndBatchJournal; until then a restart's FinishInterruptedBatch makes them follow.
    bool PlayListsFollowLater = false;
};

struct TBatchFailure {
    std::string Path;
    std::string Error;
};

struct TBatchOutcome {
    // Files the plan named.
    int Planned = 0;
    int Written = 0;
    // Files whose plan asked for nothing their tag does not already hold.
    int Unchanged = 0;
    std::vector<TBatchFailure> Failed;
    // Renames done, old path to new path: the caller's playlists follow them.
    std::vector<std::pair<std::string, std::string>> Moves;
    bool Cancelled = false;
    // Undo only: files the batch wrote that changed since (another tag, another place); they
    // are left alone.
    std::vector<std::string> ChangedSince;
    // The batch could not start (its journal could not be written, nothing to undo, ...).
    std::string Error;
};

// Renames run in an order where each new name is free when its file moves: files may take each
// other's names along a chain or in a swap.
TBatchOutcome RunBatch(const TBatchPlan& Plan, const TBatchTargets& Targets,
                       const TBatchHooks& Hooks);

// Finishes a batch (or undo) that a signal cut short: the library's rows and the playlists'
// entries are made to agree with where each of its files now is (the old path, the new, or a
// swap's temporary name), and the journal is marked ended. Does nothing when the last batch
// ended. Called before any command that edits, renames or reads the library. False, with
// Error, when the journal could not be finished, or could not be read: then it is set aside as
// "journal.damaged", named in Error, and the next call finds none.
bool FinishInterruptedBatch(const TBatchTargets& Targets, std::string& Error);
// Closes the journal of a batch run with PlayListsFollowLater, once the playlists follow its
// moves and are saved. False when the journal cannot be written.
[[nodiscard]] bool EndBatchJournal(const std::string& Home);

// Whether the home's last batch can be undone: it ended and is not itself an undo.
bool CanUndoLastBatch(const std::string& Home);

// Reverses the home's last batch: each file it wrote that is still as the batch left it (at its
// new path, its changed keys holding the new values, its pictures the new ones) gets its old
// values, pictures and name back, and its library row follows. Every other file is named in
// ChangedSince and left alone. The undo is journaled as a batch is, and cannot be undone itself.
// Error says when there is nothing to undo or the journal cannot be read.
TBatchOutcome UndoLastBatch(const TBatchTargets& Targets, const TBatchHooks& Hooks);

// Makes the entries of every playlist follow Moves (old path to new): an entry names a file by
// its bytes; its seconds and its place stay. True when any entry changed.
bool FollowMoves(TPlayListManager& PlayLists,
                 const std::vector<std::pair<std::string, std::string>>& Moves);

} // namespace orvanta
