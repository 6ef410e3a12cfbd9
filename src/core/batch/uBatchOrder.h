#pragma once

// The order of a batch's renames and, from a journal, what its renames did. Inside the batch
// folder only: RunBatch, FinishInterruptedBatch and UndoLastBatch share them.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/batch/uBatchJournal.h"

namespace orvanta {

using TMoves = std::vector<std::pair<std::string, std::string>>;

// Items (one per file: its whole move and edits, each old path once) in an order of turns in
// which each rename finds its new name free. A file whose new name another file of the batch
// holds goes after that file (a chain). A ring of files taking each other's names (a swap) is
// broken by moving its first file to a temporary name in its new folder, then the others, then
// that file on from the temporary name: an item of its own, marked Hop, without edits, whose
// old path is the new path of the item that began the hop.
std::vector<TJournalItem> OrderRenames(std::vector<TJournalItem> Items);

// For each hop item, the index of the item that began it; nullopt for the others.
std::vector<std::optional<std::size_t>> HopStarts(const TBatchJournal& Journal);

// What the renames of a journal did and where each file now is.
struct TJournalWhere {
    // Per item: whether its rename happened.
    std::vector<bool> Moved;
    // Per item that is not a hop: the path its file is at now, nullopt when none is.
    std::vector<std::optional<std::string>> Now;
};

// Judged from the marks where there are and from the file system where there are not: a
// journal's items ran in order, each a rename that never replaces, so walking them from last
// to first over a view of the file system (undoing in the view each rename found done) an
// unmarked item was done when its new path is taken and its old one free. A hop's last step is
// judged so only once the mark of its first is there: that mark is flushed before the ring goes
// on, and without it a swap done whole looks like one not begun.
TJournalWhere JudgeJournal(const TBatchJournal& Journal);

// The renames done in turn (A to T, B to A, T to B) as where each file went from where it was
// (A to B, B to A): what the playlists' entries follow in one step.
TMoves NetMoves(const TMoves& Steps);

} // namespace orvanta
