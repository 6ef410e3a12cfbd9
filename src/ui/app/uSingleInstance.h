#pragma once

#include <QObject>
#include <QString>
#include <QThread>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QLocalServer;

namespace orvanta {

class IPrompts;

// True when another instance holds the lock "Orvanta" in Home. Otherwise this process takes
// the lock and keeps it until it ends; a lock that cannot be made at all lets the program run.
bool IsAlreadyRunning(const QString& Home);
void ShowAlreadyRunning(IPrompts& Prompts);

// What one hand-over may carry at most: the running program refuses more rather than hold it.
constexpr std::size_t HandOverMaxFiles = 250000;
constexpr std::size_t HandOverMaxBytes = std::size_t(16) << 20;

// The full path of the hand-over socket of the program running on Home, where only this user
// can reach it: in $XDG_RUNTIME_DIR when that is a folder of this user closed to others, named
// after the home; otherwise in the home itself (or, when that path is too long for a socket,
// in the user's home folder). Never under a predictable name in a shared folder.
QString InstanceServerName(const QString& Home);

enum class THandOver { Accepted, NoAnswer, TooLarge };

// Hands Files (absolute paths, as bytes) to the program running on Home and waits at most
// TimeoutMs for it to take them.
THandOver HandOverToRunningInstance(const QString& Home, const std::vector<std::string>& Files,
                                    int TimeoutMs = 1500);
// What a second start tells the user when the hand-over failed.
QString HandOverFailureText(THandOver Result);

// The running program's end of the hand-over: each message is the paths, each ended by a
// NUL, then one more NUL. The socket is served on a thread of its own, so a second start is
// answered at once even while the window is busy; the answer comes as soon as the message is
// whole, and the files reach the receiver from the event loop, never inside a socket's
// handler. Messages that arrive before a receiver is set wait for it.
class TInstanceServer : public QObject {
    Q_OBJECT
public:
    using TReceiver = std::function<void(const std::vector<std::string>& Files)>;

    explicit TInstanceServer(QObject* Parent = nullptr);
    ~TInstanceServer() override;
    // Removes a socket left by a program that was killed (only the lock holder listens) and
    // listens on a fresh one.
    bool Listen(const QString& Home);
    // Stops taking hand-overs and removes the socket.
    void Close();
    void SetReceiver(TReceiver Receiver);

private:
    void Deliver(const std::shared_ptr<std::vector<std::string>>& Files);

    QThread FThread;
    QLocalServer* FServer = nullptr; // lives on FThread
    TReceiver FReceiver;
    std::vector<std::vector<std::string>> FPending;
};

} // namespace orvanta
