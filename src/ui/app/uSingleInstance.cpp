#include "ui/app/uSingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "ui/common/uPrompts.h"

namespace orvanta {

namespace {
const QByteArray Accepted = QByteArrayLiteral("ok\n");
const QByteArray TooLarge = QByteArrayLiteral("too-large\n");
// A connection that has not sent a whole message by then is dropped.
constexpr int ConnectionTimeoutMs = 10000;
// Second starts served at once at most; more are turned away.
constexpr int MaxConnections = 16;
// sockaddr_un holds 108 bytes with the closing NUL.
constexpr qsizetype MaxSocketPath = 107;

// A message is whole once it ends with the empty path: no path is empty, so two NULs in a
// row (or a lone NUL for no files) only ever end it.
bool MessageComplete(const QByteArray& Buffer) {
    return Buffer == QByteArray(1, '\0') || Buffer.endsWith(QByteArray(2, '\0'));
}

std::vector<std::string> ParseMessage(const QByteArray& Buffer) {
    std::vector<std::string> files;
    for (const QByteArray& path : Buffer.split('\0'))
        if (!path.isEmpty())
            files.push_back(path.toStdString());
    return files;
}

// $XDG_RUNTIME_DIR only when it is this user's and nobody else may enter or write it.
bool PrivateFolder(const QString& Folder) {
    struct stat info {};
    return !Folder.isEmpty() && ::stat(QFile::encodeName(Folder).constData(), &info) == 0 &&
           S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

// One connection of a second start, on the server's thread.
struct TConnection {
    QByteArray Buffer;
    std::size_t Paths = 0;
    bool Answered = false;
};
} // namespace

bool IsAlreadyRunning(const QString& Home) {
    // Held for the life of the process; never released explicitly.
    static QLockFile* lock = nullptr;
    if (lock)
        return false;
    auto candidate = std::make_unique<QLockFile>(Home + QStringLiteral("/Orvanta.lock"));
    candidate->setStaleLockTime(0); // a lock of a dead process is taken over, not waited for
    if (candidate->tryLock(0)) {
        lock = candidate.release();
        return false;
    }
    return candidate->error() == QLockFile::LockFailedError;
}

void ShowAlreadyRunning(IPrompts& Prompts) {
    Prompts.Information(QStringLiteral("Orvanta is already running"));
}

QString InstanceServerName(const QString& Home) {
    const QString digest = QString::fromLatin1(
        QCryptographicHash::hash(QFile::encodeName(Home), QCryptographicHash::Sha256)
            .toHex()
            .left(24));
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (PrivateFolder(runtime))
        return runtime + QStringLiteral("/orvanta-") + digest + QStringLiteral(".socket");
    const QString inHome = Home + QStringLiteral("/Orvanta.socket");
    if (QFile::encodeName(inHome).size() <= MaxSocketPath)
        return inHome;
    return QDir::homePath() + QStringLiteral("/.orvanta-") + digest + QStringLiteral(".socket");
}

THandOver HandOverToRunningInstance(const QString& Home, const std::vector<std::string>& Files,
                                    int TimeoutMs) {
    QByteArray message;
    for (const std::string& file : Files) {
        message.append(file.data(), static_cast<qsizetype>(file.size()));
        message.append('\0');
    }
    message.append('\0');
    if (Files.size() > HandOverMaxFiles || std::size_t(message.size()) > HandOverMaxBytes)
        return THandOver::TooLarge;

    QElapsedTimer waited;
    waited.start();
    const auto remaining = [&] { return std::max<int>(1, TimeoutMs - int(waited.elapsed())); };
    // The running program listens just after it takes the lock: allow it a moment.
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(InstanceServerName(Home));
        if (socket.waitForConnected(std::min(remaining(), 250)))
            break;
        socket.abort();
        if (waited.elapsed() >= TimeoutMs)
            return THandOver::NoAnswer;
        QThread::msleep(50);
    }
    socket.write(message);
    // A long list of names takes a while to move: the limit is on silence, not on the whole.
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(remaining()))
            break;
        waited.restart();
    }
    QByteArray answer;
    while (!answer.contains('\n') && waited.elapsed() < TimeoutMs &&
           socket.waitForReadyRead(remaining()))
        answer += socket.readAll();
    answer += socket.readAll();
    if (answer.startsWith(Accepted))
        return THandOver::Accepted;
    if (answer.startsWith(TooLarge))
        return THandOver::TooLarge;
    return THandOver::NoAnswer;
}

QString HandOverFailureText(THandOver Result) {
    if (Result == THandOver::TooLarge)
        return QStringLiteral("Orvanta is already running, but these are too many files to hand "
                              "over at once (at most %1 files, %2 MiB of names). Open fewer "
                              "at a time.")
            .arg(HandOverMaxFiles)
            .arg(HandOverMaxBytes >> 20);
    return QStringLiteral("Orvanta is already running but did not answer, so the files were not "
                          "opened. Try again in a moment.");
}

TInstanceServer::TInstanceServer(QObject* Parent) : QObject(Parent) {
    FThread.setObjectName(QStringLiteral("hand-over"));
}

TInstanceServer::~TInstanceServer() {
    Close();
}

bool TInstanceServer::Listen(const QString& Home) {
    if (FServer)
        return false;
    const QString name = InstanceServerName(Home);
    FServer = new QLocalServer;
    FServer->moveToThread(&FThread);
    connect(&FThread, &QThread::finished, FServer, &QObject::deleteLater);
    FThread.start();
    bool listening = false;
    QLocalServer* server = FServer;
    const auto serve = [this, server, name, &listening] {
        // Only the lock holder listens, so a socket left by a killed program is ours to clear.
        QLocalServer::removeServer(name);
        server->setSocketOptions(QLocalServer::UserAccessOption);
        listening = server->listen(name);
        QObject::connect(server, &QLocalServer::newConnection, server, [this, server] {
            while (QLocalSocket* socket = server->nextPendingConnection()) {
                // The socket is the server's child on this thread, where no nested event loop
                // runs: it is deleted only once its own handlers are done with it.
                QObject::connect(socket, &QLocalSocket::disconnected, socket,
                                 &QObject::deleteLater);
                if (server->findChildren<QLocalSocket*>().size() > MaxConnections) {
                    socket->abort();
                    continue;
                }
                QTimer::singleShot(ConnectionTimeoutMs, socket, [socket] { socket->abort(); });
                auto state = std::make_shared<TConnection>();
                QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket, state] {
                    const QByteArray chunk = socket->readAll();
                    if (state->Answered)
                        return;
                    state->Paths += std::size_t(chunk.count('\0'));
                    state->Buffer += chunk;
                    // The closing NUL is not a path.
                    if (std::size_t(state->Buffer.size()) > HandOverMaxBytes ||
                        state->Paths > HandOverMaxFiles + 1) {
                        state->Answered = true;
                        state->Buffer.clear();
                        socket->write(TooLarge);
                        socket->disconnectFromServer();
                        return;
                    }
                    if (!MessageComplete(state->Buffer))
                        return;
                    state->Answered = true;
                    auto files =
                        std::make_shared<std::vector<std::string>>(ParseMessage(state->Buffer));
                    state->Buffer.clear();
                    // Answer first: the second start ends while the files are being added.
                    socket->write(Accepted);
                    socket->disconnectFromServer();
                    QMetaObject::invokeMethod(
                        this, [this, files] { Deliver(files); }, Qt::QueuedConnection);
                });
            }
        });
    };
    QMetaObject::invokeMethod(FServer, serve, Qt::BlockingQueuedConnection);
    return listening;
}

void TInstanceServer::Close() {
    if (!FThread.isRunning())
        return;
    // The server is deleted on its thread as the thread ends; closing removes the socket.
    FThread.quit();
    FThread.wait();
    FServer = nullptr;
}

void TInstanceServer::SetReceiver(TReceiver Receiver) {
    FReceiver = std::move(Receiver);
    auto pending = std::move(FPending);
    FPending.clear();
    for (auto& files : pending)
        Deliver(std::make_shared<std::vector<std::string>>(std::move(files)));
}

void TInstanceServer::Deliver(const std::shared_ptr<std::vector<std::string>>& Files) {
    if (FReceiver)
        FReceiver(*Files);
    else
        FPending.push_back(std::move(*Files));
}

} // namespace orvanta
