#include "ui/metadata/uTagPickLists.h"

#include <string_view>

#include "core/library/uTMyMediaDB.h"

namespace orvanta {

TPickListReader::TPickListReader(const std::string& LibraryFile, std::vector<const char*> Fields,
                                 TDone Done)
    : FWorker(LibraryFile, true) {
    FInbox.Post<std::vector<QStringList>>(
        FWorker, TLibraryWorker::NoLane,
        [Fields = std::move(Fields)](TMyMediaDB& Library, const TCancelToken& Cancel) {
            // The reader lives as long as the dialog: its sorts of a whole column keep the
            // usual cache, and spill less.
            Library.KeepCacheSmall(false);
            std::vector<QStringList> lists(Fields.size());
            for (std::size_t i = 0; i < Fields.size() && !Cancel.Cancelled(); ++i)
                Library.DistinctValues(Fields[i], [&](std::string_view value) {
                    lists[i] << QString::fromUtf8(value.data(),
                                                  static_cast<qsizetype>(value.size()));
                    return !Cancel.Cancelled();
                });
            return lists;
        },
        std::move(Done));
}

} // namespace orvanta
