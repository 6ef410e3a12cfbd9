#include "ui/metadata/uTagPickLists.h"

#include <atomic>
#include <exception>
#include <mutex>
#include <string_view>
#include <thread>

#include "core/library/uTMyMediaDB.h"

namespace orvanta {

struct TPickListReader::TState {
    std::atomic<bool> Stop{false};
    std::mutex Lock;
    std::optional<std::vector<QStringList>> Lists;
};

TPickListReader::TPickListReader(const std::string& LibraryFile, std::vector<const char*> Fields)
    : FState(std::make_shared<TState>()) {
    // Detached: the thread keeps the state alive, and a closed dialog does not wait for it.
    std::thread([state = FState, LibraryFile, Fields = std::move(Fields)] {
        std::vector<QStringList> lists(Fields.size());
        try {
            TMyMediaDB library;
            library.OpenReadOnly(LibraryFile);
            for (std::size_t i = 0; i < Fields.size() && !state->Stop; ++i)
                library.DistinctValues(Fields[i], [&](std::string_view value) {
                    lists[i] << QString::fromUtf8(value.data(),
                                                  static_cast<qsizetype>(value.size()));
                    return !state->Stop;
                });
        } catch (const std::exception&) { // a damaged library offers no values
            lists.assign(Fields.size(), QStringList());
        }
        const std::lock_guard hold(state->Lock);
        state->Lists = std::move(lists);
    }).detach();
}

TPickListReader::~TPickListReader() {
    FState->Stop = true;
}

std::optional<std::vector<QStringList>> TPickListReader::Take() {
    const std::lock_guard hold(FState->Lock);
    return std::exchange(FState->Lists, std::nullopt);
}

} // namespace orvanta
