#pragma once

// Batches from orvanta-cli: the journal in the home, the library's rows and the playlists'
// entries following each file.
#include <memory>
#include <string>
#include <vector>

#include "cli/uCliCommands.h"
#include "core/batch/uBatchJournal.h"
#include "core/batch/uBatchRun.h"
#include "core/library/uTMyMediaDB.h"
#include "core/playlists/uTPlayListManager.h"

namespace orvanta::cli {

// What a batch of the CLI keeps in step: the home's library when it has one and its playlists,
// held under the batch lock and their folder's lock for as long as this lives.
class TCliBatchTargets {
public:
    TCliBatchTargets();
    const TBatchTargets& Targets() const { return FTargets; }
    // Finishes a batch a signal cut short; false (the message printed) when it could not be.
    bool FinishInterrupted();

private:
    // Before the playlists' lock, as every holder of both takes them.
    TBatchLock FBatchLock;
    TMyMediaDB FLibrary;
    TPlayListManager FPlayLists;
    std::unique_ptr<TPlayListManager::TLock> FLock;
    TBatchTargets FTargets;
};

// Finishes a batch a signal cut short, before a command that reads or changes the library.
bool FinishBatchCutShort();

// Prints each failure of a batch on standard error; the exit code of the run.
int ReportBatch(const TBatchOutcome& Outcome);

// orvanta-cli undo (uCliBatch.cpp).
void RegisterBatchCommands(CLI::App& App, CommandAction& Chosen);

} // namespace orvanta::cli
