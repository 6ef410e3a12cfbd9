#include "core/batch/uBatchSelection.h"

#include "core/common/uOrderedWork.h"
#include "core/library/uLibraryWorker.h"

#include <functional>

namespace orvanta {

namespace {

// Readers working at once: a read waits on the disk as often as on the processor.
constexpr int SelectionReaders = 4;

struct TRead {
    TBatchFile File;
    TBatchSource Source;
    std::string Error;
};

} // namespace

TBatchSelection ReadBatchSelection(const std::vector<std::string>& Paths,
                                   const TBatchHooks& Hooks) {
    TBatchSelection selection;
    selection.Files.reserve(Paths.size());
    selection.Sources.reserve(Paths.size());
    const int total = static_cast<int>(Paths.size());
    const std::function<TRead(std::size_t)> read = [&Paths](std::size_t i) {
        TRead result;
        if (ReadBatchFile(Paths[i], result.File, result.Error))
            ReadBatchSource(Paths[i], result.Source, result.Error);
        return result;
    };
    const std::function<bool(std::size_t, TRead&)> take = [&](std::size_t i, TRead& Read) {
        if (!Read.Error.empty()) {
            selection.Error = std::move(Read.Error);
            return false;
        }
        if (Hooks.Cancelled && Hooks.Cancelled()) {
            selection.Cancelled = true;
            return false;
        }
        if (Hooks.Progress)
            Hooks.Progress(static_cast<int>(i) + 1, total, Paths[i]);
        selection.Files.push_back(std::move(Read.File));
        selection.Sources.push_back(std::move(Read.Source));
        return true;
    };
    RunOrdered<TRead>(Paths.size(), SelectionReaders, 8 * SelectionReaders, read, take,
                      RunBelowTheWindow);
    if (!selection.Error.empty() || selection.Cancelled) {
        selection.Files.clear();
        selection.Sources.clear();
    } else {
        selection.Cover = SharedCover(selection.Files);
    }
    return selection;
}

} // namespace orvanta
