#include <QTimer>
#include <utility>

#include "core/library/uFolderWatch.h"
#include "core/library/uLibraryWorker.h"
#include "core/library/uTMyMediaDB.h"
#include "ui/common/uWorkerInbox.h"
#include "ui/library/uFraMedia.h"

namespace orvanta {

void TfraMedia::FollowFolders(bool On) {
    AssertGuiThread();
    if (On == FollowingFolders() || (On && !FMediaDB))
        return;
    if (!On) {
        FFolderWatch.reset();
        FFollowPending.clear();
        FFollowAll = false;
        return;
    }
    FFolderWatch = std::make_shared<TFolderWatch>(
        [this, send = FInbox->Sender()](std::vector<std::string> Folders) {
            send([this, Folders = std::move(Folders)] {
                if (!FFolderWatch)
                    return;
                FFollowPending.insert(Folders.begin(), Folders.end());
                FollowLater();
            });
        });
    connect(this, &TfraMedia::WorkFinished, this, &TfraMedia::FollowLater, Qt::UniqueConnection);
    // What changed while the library was not followed comes in first.
    FFollowAll = true;
    FollowLater();
}

std::size_t TfraMedia::FollowedFolders() const {
    return FFolderWatch ? FFolderWatch->Watched() + FFolderWatch->Polled().size() : 0;
}

void TfraMedia::FollowLater() {
    // After the command that ended has run its course (its summary, the next add).
    QTimer::singleShot(0, this, [this] { RunGuarded([this] { RunFollowed(); }); });
}

void TfraMedia::RunFollowed() {
    if (!FFolderWatch || !FWriter || Busy() || FController.Imports.Waiting())
        return;
    if (FFollowAll || !FFollowPending.empty()) {
        std::vector<std::string> folders;
        if (!FFollowAll)
            folders.assign(FFollowPending.begin(), FFollowPending.end());
        FFollowAll = false;
        FFollowPending.clear();
        RefreshMedia(true, std::move(folders));
        return;
    }
    // Nothing waits: the folders that hold library files now are the ones followed.
    FWriter->Post([watch = std::weak_ptr<TFolderWatch>(FFolderWatch)](TMyMediaDB& Library,
                                                                      const TCancelToken&) {
        const std::vector<std::string> folders = Library.MediaDirectories();
        if (const std::shared_ptr<TFolderWatch> following = watch.lock())
            following->Follow(folders);
    });
}

} // namespace orvanta
