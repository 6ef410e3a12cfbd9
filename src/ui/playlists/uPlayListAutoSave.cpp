#include "ui/playlists/uPlayListAutoSave.h"

#include "core/playlists/uTPlayListManager.h"

namespace orvanta {

namespace {
constexpr int SaveIntervalMs = 500;
}

TPlayListAutoSave::TPlayListAutoSave(TPlayListManager& Manager, TSyncedEvent OnSynced,
                                     QObject* Parent)
    : QObject(Parent), FManager(Manager), FOnSynced(std::move(OnSynced)) {
    tmrSave.setInterval(SaveIntervalMs);
    connect(&tmrSave, &QTimer::timeout, this, &TPlayListAutoSave::tmrSaveTimer);
    tmrSave.start();
}

void TPlayListAutoSave::tmrSaveTimer() {
    // Also while a dialog is open: a view that asked about a playlist finds it again by name
    // once the answer comes, so other programs' changes never wait for the user.
    SaveNow();
}

void TPlayListAutoSave::SaveNow() {
    const TPlayListSync sync = FManager.SaveChanged(false);
    if (FOnSynced)
        FOnSynced(sync);
}

} // namespace orvanta
