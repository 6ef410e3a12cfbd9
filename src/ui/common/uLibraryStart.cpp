#include "ui/common/uLibraryStart.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "core/library/uTMyMediaDB.h"

namespace orvanta {

namespace {
constexpr int RetryMs = 250;
} // namespace

TLibraryAccess OpenLibraryWaiting(TMyMediaDB& Library, const std::string& FileName,
                                  const TLibraryWait& Wait) {
    QElapsedTimer waited;
    waited.start();
    bool opened = false;
    bool told = false;
    for (;;) {
        try {
            if (!opened) {
                Library.OpenDatabase(FileName);
                opened = true;
            }
            // The first write (the purge of missing files) must not meet the lock either.
            if (Library.CanWriteNow())
                return TLibraryAccess::ReadWrite;
        } catch (const EEasyError& error) {
            if (!error.Busy())
                throw;
        }
        if (!told && Wait.ShowWaiting) {
            Wait.ShowWaiting(LibraryWaitingText);
            told = true;
        }
        if (waited.elapsed() >= Wait.Limit.count()) {
            Library.OpenReadOnly(FileName);
            return TLibraryAccess::ReadOnly;
        }
        // The splash keeps painting and a quit signal gets through while we wait.
        QEventLoop pause;
        QTimer::singleShot(RetryMs, &pause, &QEventLoop::quit);
        pause.exec();
        if (Wait.Stopping && Wait.Stopping()) {
            Library.CloseDatabase();
            return TLibraryAccess::Stopped;
        }
    }
}

} // namespace orvanta
