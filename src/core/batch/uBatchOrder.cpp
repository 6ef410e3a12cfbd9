#include "core/batch/uBatchOrder.h"

#include "core/common/uDisplayUtils.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace orvanta {

namespace {

// Whether a name is taken, by anything: a rename that never replaces is refused by any.
bool NameTaken(const std::string& Path) {
    struct stat info {};
    return ::lstat(Path.c_str(), &info) == 0;
}

// A free name beside Target for a file of a ring to wait under. It keeps a short extension, so
// that the file is still known for what it is if a signal leaves it there.
std::string TemporaryName(const std::string& Target) {
    static std::atomic<unsigned> counter{0};
    const std::string name = ExtractFileName(Target);
    const std::size_t dot = name.rfind('.');
    const std::string extension =
        dot == std::string::npos || dot == 0 || name.size() - dot > 16 ? "" : name.substr(dot);
    for (;;) {
        std::string path =
            JoinPath(ExtractFileDir(Target), ".orvanta-batch-" + std::to_string(::getpid()) + "-" +
                                                 std::to_string(counter++)) +
            extension;
        if (!NameTaken(path))
            return path;
    }
}

} // namespace

std::vector<TJournalItem> OrderRenames(std::vector<TJournalItem> Items) {
    const std::size_t count = Items.size();
    std::unordered_map<std::string, std::size_t> holder;
    for (std::size_t i = 0; i < count; ++i)
        if (Items[i].NewPath != Items[i].OldPath)
            holder.emplace(Items[i].OldPath, i);
    // The item whose file holds an item's new name, so must move first.
    std::vector<std::optional<std::size_t>> next(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto found = holder.find(Items[i].NewPath);
        if (Items[i].NewPath != Items[i].OldPath && found != holder.end() && found->second != i)
            next[i] = found->second;
    }
    enum : char { Unseen, OnWay, Placed };
    std::vector<char> state(count, Unseen);
    std::vector<TJournalItem> ordered;
    ordered.reserve(count);
    for (std::size_t first = 0; first < count; ++first) {
        // Follow the items that must go first until one that need not, or back into the way.
        std::vector<std::size_t> way;
        std::optional<std::size_t> at = first;
        for (; at && state[*at] == Unseen; at = next[*at]) {
            state[*at] = OnWay;
            way.push_back(*at);
        }
        std::size_t chain = way.size();
        if (at && state[*at] == OnWay) {
            // A ring from *at on: its head waits under a temporary name while the others move.
            chain = static_cast<std::size_t>(std::ranges::find(way, *at) - way.begin());
            TJournalItem& head = Items[way[chain]];
            TJournalItem hop;
            hop.OldPath = TemporaryName(head.NewPath);
            hop.NewPath = head.NewPath;
            hop.Hop = true;
            head.NewPath = hop.OldPath;
            ordered.push_back(std::move(head));
            for (std::size_t k = way.size(); k-- > chain + 1;)
                ordered.push_back(std::move(Items[way[k]]));
            ordered.push_back(std::move(hop));
        }
        // Each item of the chain leads to the next: the last goes first.
        for (std::size_t k = chain; k-- > 0;)
            ordered.push_back(std::move(Items[way[k]]));
        for (const std::size_t i : way)
            state[i] = Placed;
    }
    return ordered;
}

std::vector<std::optional<std::size_t>> HopStarts(const TBatchJournal& Journal) {
    std::vector<std::optional<std::size_t>> starts(Journal.Items.size());
    for (std::size_t i = 0; i < Journal.Items.size(); ++i) {
        if (!Journal.Items[i].Hop)
            continue;
        for (std::size_t j = i; j-- > 0;)
            if (!Journal.Items[j].Hop && Journal.Items[j].NewPath == Journal.Items[i].OldPath) {
                starts[i] = j;
                break;
            }
    }
    return starts;
}

TJournalWhere JudgeJournal(const TBatchJournal& Journal) {
    const std::size_t count = Journal.Items.size();
    const std::vector<std::optional<std::size_t>> starts = HopStarts(Journal);
    // The view: what each path holds before the items walked so far, as the real path of that
    // file; a path not in it holds what it holds on disk.
    std::map<std::string, std::optional<std::string>> view;
    const auto at = [&](const std::string& Path) -> std::optional<std::string> {
        const auto found = view.find(Path);
        if (found != view.end())
            return found->second;
        return NameTaken(Path) ? std::optional(Path) : std::nullopt;
    };
    const auto marked = [&](std::size_t Item) {
        const auto done = Journal.Done.find(Item);
        return done != Journal.Done.end() && done->second == TItemDone::Written;
    };
    TJournalWhere where;
    where.Moved.assign(count, false);
    where.Now.resize(count);
    for (std::size_t i = count; i-- > 0;) {
        const TJournalItem& item = Journal.Items[i];
        if (item.NewPath == item.OldPath)
            continue;
        bool moved = Journal.Done.contains(i)
                         ? marked(i)
                         : at(item.NewPath).has_value() && !at(item.OldPath).has_value();
        if (item.Hop && !Journal.Done.contains(i))
            moved = moved && starts[i] && marked(*starts[i]);
        if (!moved)
            continue;
        where.Moved[i] = true;
        view[item.OldPath] = at(item.NewPath);
        view[item.NewPath] = std::nullopt;
    }
    for (std::size_t i = 0; i < count; ++i)
        if (!Journal.Items[i].Hop)
            where.Now[i] = at(Journal.Items[i].OldPath);
    return where;
}

TMoves NetMoves(const TMoves& Steps) {
    // Each file's first and latest path, in the order they first moved.
    TMoves files;
    std::unordered_map<std::string, std::size_t> now;
    for (const auto& [from, to] : Steps) {
        const auto found = now.find(from);
        std::size_t file = files.size();
        if (found == now.end()) {
            files.emplace_back(from, from);
        } else {
            file = found->second;
            now.erase(found);
        }
        files[file].second = to;
        now[to] = file;
    }
    std::erase_if(files, [](const auto& Move) { return Move.first == Move.second; });
    return files;
}

} // namespace orvanta
