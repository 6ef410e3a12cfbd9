#pragma once

#include <QStringList>
#include <functional>
#include <string>
#include <vector>

#include "core/library/uLibraryWorker.h"
#include "ui/common/uWorkerInbox.h"

namespace orvanta {

// The library's distinct values for the tag editor's pick lists, read on a library worker of
// their own (a read-only connection): on a large library they take seconds, and the dialog opens
// at once. The answer comes back on the creating thread; a library that cannot be read offers
// no values, so nothing comes.
class TPickListReader {
public:
    // The lists in the order of the fields.
    using TDone = std::function<void(std::vector<QStringList> Lists)>;

    // Fields as TMyMediaDB::DistinctValues takes them.
    TPickListReader(const std::string& LibraryFile, std::vector<const char*> Fields, TDone Done);
    // Stops the read after the row in hand, and nothing arrives any more.
    ~TPickListReader() = default;
    TPickListReader(const TPickListReader&) = delete;
    TPickListReader& operator=(const TPickListReader&) = delete;

private:
    // Declared first, so it goes after the worker has stopped.
    TWorkerInbox FInbox;
    TLibraryWorker FWorker;
};

} // namespace orvanta
