#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <functional>
#include <string>
#include <vector>

namespace orvanta {

class IPrompts;

// True when another instance holds the lock "Orvanta" in Home. Otherwise this process takes
// the lock and keeps it until it ends; a lock that cannot be made at all lets the program run.
bool IsAlreadyRunning(const QString& Home);
void ShowAlreadyRunning(IPrompts& Prompts);

// The local socket name of the program running on Home: one per home, so programs on other
// homes (tests among them) never answer each other.
QString InstanceServerName(const QString& Home);

// Hands Files (absolute paths, as bytes) to the program running on Home and waits until it
// has taken them; false when no program answered.
bool HandOverToRunningInstance(const QString& Home, const std::vector<std::string>& Files);

// The running program's end of the hand-over: each message is the paths, each ended by a
// NUL, then one more NUL. Messages that arrive before a receiver is set wait for it.
class TInstanceServer : public QObject {
    Q_OBJECT
public:
    using TReceiver = std::function<void(const std::vector<std::string>& Files)>;

    explicit TInstanceServer(QObject* Parent = nullptr);
    bool Listen(const QString& Home);
    void SetReceiver(TReceiver Receiver);

private:
    void NewConnection();
    void Deliver(std::vector<std::string> Files);

    QLocalServer FServer;
    TReceiver FReceiver;
    std::vector<std::vector<std::string>> FPending;
};

} // namespace orvanta
