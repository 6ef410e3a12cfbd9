#include "playlists/uPlayListAutoSave.h"

#include <QApplication>

#include "playlists/uTPlayListManager.h"

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
    // A view waiting in a dialog still holds the playlist it asked about; taking in another
    // process's changes now could free it under its feet. Nothing is edited meanwhile.
    if (QApplication::activeModalWidget() != nullptr ||
        QApplication::activePopupWidget() != nullptr)
        return;
    SaveNow();
}

void TPlayListAutoSave::SaveNow() {
    const TPlayListSync sync = FManager.SaveChanged(false);
    if (FOnSynced)
        FOnSynced(sync);
}

} // namespace orvanta
