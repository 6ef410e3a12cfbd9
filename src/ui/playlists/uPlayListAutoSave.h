#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

namespace orvanta {

class TPlayListManager;
struct TPlayListSync;

// Drives the manager's SaveChanged from the event loop twice a second: edits reach their
// files and other processes' changes come in within about a second. Polling (a directory
// read and a stat per playlist) also sees edits made through symbolic links to files
// outside the folder, which a watcher on the folder would miss.
class TPlayListAutoSave : public QObject {
    Q_OBJECT
public:
    using TSyncedEvent = std::function<void(const TPlayListSync&)>;

    TPlayListAutoSave(TPlayListManager& Manager, TSyncedEvent OnSynced, QObject* Parent = nullptr);

    // Saves and takes in changes at once, as the timer does.
    void SaveNow();

private:
    void tmrSaveTimer();

    TPlayListManager& FManager;
    TSyncedEvent FOnSynced;
    QTimer tmrSave;
};

} // namespace orvanta
