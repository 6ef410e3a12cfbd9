#pragma once

#include <QObject>
#include <functional>
#include <memory>

#include "core/common/uFileDescriptor.h"

class QSocketNotifier;

namespace orvanta {

// Turns SIGTERM, SIGINT and SIGHUP (logout, shutdown, Ctrl+C, a closed terminal) into one
// call of OnQuit on the Qt thread. The handler only writes a byte to a socket pair; a second
// signal, once the first was taken, ends the process the usual way.
class TQuitSignals : public QObject {
    Q_OBJECT
public:
    explicit TQuitSignals(std::function<void()> OnQuit, QObject* Parent = nullptr);
    ~TQuitSignals() override;

private:
    void SignalArrived();

    std::function<void()> FOnQuit;
    // The socket pair the handler writes to.
    TFileDescriptor FEnds[2];
    // Ended before the socket pair is closed.
    std::unique_ptr<QSocketNotifier> FNotifier;
};

} // namespace orvanta
