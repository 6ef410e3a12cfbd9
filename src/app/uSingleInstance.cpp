#include "app/uSingleInstance.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

#include "shell/uPrompts.h"

namespace orvanta {

namespace {
QString lockFolder() {
    // With their own home, parallel test runs do not see each other.
    const QString home = qEnvironmentVariable("ORVANTA_HOME");
    if (!home.isEmpty())
        return home;
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}
} // namespace

bool IsAlreadyRunning() {
    // Held for the life of the process; never released explicitly.
    static QLockFile* lock = nullptr;
    if (lock)
        return false;
    auto* candidate = new QLockFile(lockFolder() + QStringLiteral("/Orvanta.lock"));
    candidate->setStaleLockTime(0); // a lock of a dead process is taken over, not waited for
    if (candidate->tryLock(0)) {
        lock = candidate;
        return false;
    }
    const bool heldByOther = candidate->error() == QLockFile::LockFailedError;
    delete candidate;
    return heldByOther;
}

void ShowAlreadyRunning(IPrompts& Prompts) {
    Prompts.Information(QStringLiteral("Orvanta is already running"));
}

} // namespace orvanta
