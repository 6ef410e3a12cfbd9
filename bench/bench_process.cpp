// How soon the program answers at its process edges: a second start that hands a file over
// and ends, kill -TERM to the end of the first, and the give-up on a program that never
// answers. The tests only stop hangs; these are the figures (each aimed under 1.5 s).
// Usage: bench_process [runs]   (default 5); prints the median and the worst of each.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QProcess>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "ui/app/uSingleInstance.h"

using namespace orvanta;

namespace {

QString MakeHome() {
    char pattern[] = "/tmp/orvanta-bench-process-XXXXXX";
    return QString::fromLocal8Bit(::mkdtemp(pattern));
}

void Start(QProcess& Program, const QString& Home, const QStringList& Files = {}) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ORVANTA_HOME"), Home);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    Program.setProcessEnvironment(environment);
    Program.start(QStringLiteral(ORVANTA_PROGRAM_PATH), Files);
}

bool WaitListening(const QString& Home) {
    for (int i = 0; i < 200; ++i) {
        QLocalSocket probe;
        probe.connectToServer(InstanceServerName(Home));
        if (probe.waitForConnected(100) &&
            std::filesystem::exists((Home + QStringLiteral("/Playlists")).toStdString()))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

void Report(const char* What, std::vector<qint64> Ms) {
    if (Ms.empty())
        return;
    std::sort(Ms.begin(), Ms.end());
    std::printf("%-40s median %5lld ms, worst %5lld ms\n", What,
                static_cast<long long>(Ms[Ms.size() / 2]), static_cast<long long>(Ms.back()));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    std::vector<qint64> handOver, term, noAnswer;
    for (int run = 0; run < runs; ++run) {
        const QString home = MakeHome();
        QProcess first;
        Start(first, home);
        if (!WaitListening(home)) {
            std::fprintf(stderr, "the program did not start\n");
            return 1;
        }
        // Let its start-up work settle, as a user's second start comes later.
        std::this_thread::sleep_for(std::chrono::seconds(2));
        QElapsedTimer clock;
        QProcess second;
        clock.start();
        Start(second, home, {home + QStringLiteral("/gone.mp3")});
        if (second.waitForFinished(30000))
            handOver.push_back(clock.elapsed());
        clock.restart();
        ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
        if (first.waitForFinished(30000))
            term.push_back(clock.elapsed());

        // A socket that listens but never answers.
        const QString name = InstanceServerName(home);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", name.toLocal8Bit().data());
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::listen(fd, 4) == 0) {
            clock.restart();
            HandOverToRunningInstance(home, {(home + QStringLiteral("/a.mp3")).toStdString()});
            noAnswer.push_back(clock.elapsed());
        }
        ::close(fd);
        std::filesystem::remove_all(home.toStdString());
        std::filesystem::remove(name.toStdString());
    }
    Report("second start: hand over and end", handOver);
    Report("kill -TERM to the end", term);
    Report("give up on a program that never answers", noAnswer);
    return 0;
}
