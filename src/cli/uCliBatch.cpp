#include "cli/uCliBatch.h"

#include "core/batch/uBatchJournal.h"
#include "core/common/uDataPaths.h"

#include <iostream>

namespace orvanta::cli {

TCliBatchTargets::TCliBatchTargets() : FBatchLock(AppPath) {
    FTargets.Home = AppPath;
    if (FileExists(MediaDatabaseFile())) {
        FLibrary.OpenDatabase(MediaDatabaseFile());
        FTargets.Library = &FLibrary;
    }
    if (FolderExists(PlayListsFolder())) {
        FLock = FPlayLists.OpenLocked(PlayListsFolder());
        FTargets.PlayLists = &FPlayLists;
    }
}

bool TCliBatchTargets::FinishInterrupted() {
    std::string error;
    if (orvanta::FinishInterruptedBatch(FTargets, error))
        return true;
    std::cerr << error << "\n";
    return false;
}

bool FinishBatchCutShort() {
    if (!JournalCutShort(AppPath))
        return true;
    return TCliBatchTargets().FinishInterrupted();
}

int ReportBatch(const TBatchOutcome& Outcome) {
    for (const TBatchFailure& failure : Outcome.Failed)
        std::cerr << failure.Error << "\n";
    if (!Outcome.Error.empty())
        std::cerr << Outcome.Error << "\n";
    return Outcome.Failed.empty() && Outcome.Error.empty() ? ExitOk : ExitFailed;
}

namespace {

int RunUndo() {
    TCliBatchTargets targets;
    if (!targets.FinishInterrupted())
        return ExitFailed;
    const TBatchOutcome outcome = UndoLastBatch(targets.Targets(), {});
    for (const auto& [from, to] : outcome.Moves)
        std::cout << "Renamed back: " << from << " -> " << to << "\n";
    std::cout << "Restored " << outcome.Written << " file(s).\n";
    for (const std::string& path : outcome.ChangedSince)
        std::cout << "Changed since the batch, left alone: " << path << "\n";
    std::cout.flush();
    return ReportBatch(outcome);
}

} // namespace

void RegisterBatchCommands(CLI::App& App, CommandAction& Chosen) {
    CLI::App* undo = App.add_subcommand(
        "undo", "Undo the last batch of tag edits and renames (files changed since stay)");
    undo->callback([&Chosen] { Chosen = [] { return RunUndo(); }; });
}

} // namespace orvanta::cli
