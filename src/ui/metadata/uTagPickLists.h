#pragma once

#include <QStringList>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvanta {

// The library's distinct values for the tag editor's pick lists, read on a thread of its own
// from a connection of its own: on a large library they take seconds, and the dialog opens at
// once. Dropping the reader leaves the thread to end after the value in hand.
class TPickListReader {
public:
    // Fields as TMyMediaDB::DistinctValues takes them.
    TPickListReader(const std::string& LibraryFile, std::vector<const char*> Fields);
    ~TPickListReader();
    TPickListReader(const TPickListReader&) = delete;
    TPickListReader& operator=(const TPickListReader&) = delete;

    // Once every list is read: the lists in the order of the fields (empty ones when the
    // library could not be read). Nothing before, and nothing after the first answer.
    std::optional<std::vector<QStringList>> Take();

private:
    struct TState;
    std::shared_ptr<TState> FState;
};

} // namespace orvanta
