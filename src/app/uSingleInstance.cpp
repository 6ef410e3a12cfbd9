#include "app/uSingleInstance.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>

#include "shell/uPrompts.h"

namespace orvanta {

namespace {
constexpr int ConnectTimeoutMs = 5000;
constexpr int AnswerTimeoutMs = 5000;
const QByteArray Accepted = QByteArrayLiteral("ok\n");

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
} // namespace

bool IsAlreadyRunning(const QString& Home) {
    // Held for the life of the process; never released explicitly.
    static QLockFile* lock = nullptr;
    if (lock)
        return false;
    auto* candidate = new QLockFile(Home + QStringLiteral("/Orvanta.lock"));
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

QString InstanceServerName(const QString& Home) {
    const QByteArray digest =
        QCryptographicHash::hash(Home.toUtf8(), QCryptographicHash::Sha256).toHex().left(24);
    return QStringLiteral("orvanta-") + QString::fromLatin1(digest);
}

bool HandOverToRunningInstance(const QString& Home, const std::vector<std::string>& Files) {
    QByteArray message;
    for (const std::string& file : Files) {
        message.append(file.data(), static_cast<qsizetype>(file.size()));
        message.append('\0');
    }
    message.append('\0');

    // The running program listens just after it takes the lock: allow it a moment.
    QLocalSocket socket;
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        socket.connectToServer(InstanceServerName(Home));
        if (socket.waitForConnected(1000))
            break;
        if (waited.elapsed() > ConnectTimeoutMs)
            return false;
        QThread::msleep(100);
    }
    socket.write(message);
    if (!socket.waitForBytesWritten(AnswerTimeoutMs))
        return false;
    QByteArray answer;
    while (answer.size() < Accepted.size() && socket.waitForReadyRead(AnswerTimeoutMs))
        answer += socket.readAll();
    return answer.startsWith(Accepted);
}

TInstanceServer::TInstanceServer(QObject* Parent) : QObject(Parent) {
    FServer.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&FServer, &QLocalServer::newConnection, this, &TInstanceServer::NewConnection);
}

bool TInstanceServer::Listen(const QString& Home) {
    const QString name = InstanceServerName(Home);
    // Only the lock holder listens, so a socket left by a crashed program is ours to clear.
    QLocalServer::removeServer(name);
    return FServer.listen(name);
}

void TInstanceServer::SetReceiver(TReceiver Receiver) {
    FReceiver = std::move(Receiver);
    auto pending = std::move(FPending);
    FPending.clear();
    for (auto& files : pending)
        Deliver(std::move(files));
}

void TInstanceServer::NewConnection() {
    while (QLocalSocket* socket = FServer.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
            buffer->append(socket->readAll());
            if (!MessageComplete(*buffer))
                return;
            std::vector<std::string> files = ParseMessage(*buffer);
            buffer->clear();
            // Answer first: the second start may end while the files are being added.
            socket->write(Accepted);
            socket->flush();
            Deliver(std::move(files));
        });
    }
}

void TInstanceServer::Deliver(std::vector<std::string> Files) {
    if (FReceiver)
        FReceiver(Files);
    else
        FPending.push_back(std::move(Files));
}

} // namespace orvanta
