#include <QLocalSocket>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <future>
#include <map>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "core/common/uDataPaths.h"
#include "core/common/uDisplayUtils.h"
#include "core/common/uTFileUtils.h"
#include "core/library/uTMyMediaDB.h"
#include "core/playlists/uTPlayListManager.h"
#include "shell/FakePlayerEngine.h"
#include "shell/PlaybackTestSupport.h"
#include "support/FakePrompts.h"
#include "support/LibraryQueries.h"
#include "support/Mp3Files.h"
#include "support/TempDir.h"
#include "ui/app/uApplication.h"
#include "ui/app/uFrmSplash.h"
#include "ui/app/uSingleInstance.h"
#include "ui/common/uLibraryStart.h"
#include "ui/library/uFraMedia.h"
#include "ui/playback/uPlaybackControl.h"
#include "ui/playback/uPlayerEngine.h"
#include "ui/shell/uFrmMain.h"

using namespace orvanta;
using namespace orvanta::test;
using namespace std::chrono_literals;

namespace {
using Snapshot = std::map<std::string, std::pair<std::string, long long>>;

// Every file under Data/ and Playlists/ with its bytes and its modification time.
Snapshot TakeSnapshot(const std::string& Home) {
    Snapshot files;
    for (const char* folder : {"/Data", "/Playlists"}) {
        for (const auto& entry : std::filesystem::directory_iterator(Home + folder)) {
            struct stat info {};
            ::stat(entry.path().c_str(), &info);
            files[entry.path().string()] = {readAll(entry.path().string()),
                                            info.st_mtim.tv_sec * 1000000000LL +
                                                info.st_mtim.tv_nsec};
        }
    }
    return files;
}

void StartProgram(QProcess& Program, const std::string& Home, const QStringList& Files = {}) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ORVANTA_HOME"), QString::fromStdString(Home));
    Program.setProcessEnvironment(environment);
    Program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    Program.start(QStringLiteral(ORVANTA_PROGRAM_PATH), Files);
}

// Started, holding the home, its window running: the playlists' first save is the window's.
bool WaitUntilRunning(const std::string& Home) {
    return QTest::qWaitFor(
        [&] {
            QLocalSocket probe;
            probe.connectToServer(InstanceServerName(QString::fromStdString(Home)));
            return probe.waitForConnected(100) &&
                   std::filesystem::exists(Home + "/Playlists/My Playlist.ply");
        },
        10000);
}

// A socket file at Path as a program leaves it: listening but never answering, or (when
// killed) bound with nobody behind it. Returns its descriptor.
int LeaveSocket(const std::string& Path, bool Listening) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", Path.c_str());
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        (Listening && ::listen(fd, 4) != 0))
        return -1;
    if (Listening)
        return fd;
    ::close(fd);
    return 0;
}

// The program ends on Signal. How soon is bench_process's figure; the limit here only stops a
// hang.
bool EndsOn(QProcess& Program, int Signal) {
    ::kill(static_cast<pid_t>(Program.processId()), Signal);
    return Program.waitForFinished(30000);
}
} // namespace

class TestProcess : public QObject {
    Q_OBJECT

private slots:
    // A second start, with no file to hand over, shows its message and touches nothing,
    // whichever way it is ended; the first program goes on.
    void secondStartChangesNothing_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }
    void secondStartChangesNothing() {
        QFETCH(int, signal);
        TempDir home;
        QProcess first;
        StartProgram(first, home.str());
        QVERIFY(WaitUntilRunning(home.str()));
        // The first program is held still, so that any change is the second start's.
        QVERIFY(::kill(static_cast<pid_t>(first.processId()), SIGSTOP) == 0);
        const Snapshot before = TakeSnapshot(home.str());
        QVERIFY(!before.empty());

        QProcess second;
        StartProgram(second, home.str());
        QVERIFY(second.waitForStarted());
        // Its message is showing. Nothing outside marks the box: this is the window for a
        // wrong early end to show.
        QVERIFY(!second.waitForFinished(1500));
        QVERIFY(EndsOn(second, signal));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(TakeSnapshot(home.str()) == before);
        QVERIFY(::kill(static_cast<pid_t>(first.processId()), SIGCONT) == 0);
        QCOMPARE(first.state(), QProcess::Running);
        QVERIFY(EndsOn(first, SIGTERM));
    }

    // kill -TERM closes the program as File > Exit does: at once, status 0, playlists written;
    // a file handed over by a second start is in the library by then.
    void termClosesLikeExitWithHandedOverFileKept() {
        TempDir home;
        WriteMp3(home.file("Handed.mp3"));
        QProcess first;
        StartProgram(first, home.str());
        QVERIFY(WaitUntilRunning(home.str()));
        QProcess second;
        StartProgram(second, home.str(), {QString::fromStdString(home.file("Handed.mp3"))});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitCode(), 0);
        // The file comes in on the add's thread; a slow (sanitizer) build may need longer than
        // the second a quit grants it.
        const auto added = [&] {
            TMyMediaDB reader;
            reader.OpenReadOnly(home.file("Data/MyMedia.edb"));
            TEasyQuery found;
            TMyMediaDBTestAccess::SelectMedia(reader, found, home.str(), "Handed.mp3");
            return found.RecordCount() == 1;
        };
        QTRY_VERIFY_WITH_TIMEOUT(added(), 20000);

        QVERIFY(EndsOn(first, SIGTERM));
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QCOMPARE(first.exitCode(), 0);
        QVERIFY(std::filesystem::exists(home.file("Playlists/My Playlist.ply")));
        QVERIFY(added());
    }

    // Files handed over by a second start are added and played in order as one queue; the
    // second start ends with status 0.
    void handedOverFilesPlayAsAQueue() {
        TempDir home;
        const QString a = MakeMp3(home.str(), QStringLiteral("Alpha"), 4);
        const QString b = MakeMp3(home.str(), QStringLiteral("Beta"), 4);
        QVERIFY2(!a.isEmpty() && !b.isEmpty(), "sox and lame are needed");
        qputenv("ORVANTA_HOME", QByteArray::fromStdString(home.str()));
        FakePrompts prompts;
        TInstanceServer server;
        TStartRequest request;
        request.Server = &server;
        QVERIFY(InitApplication(prompts, QString::fromStdString(home.str()), request));
        TGstPlayerEngine engine(QStringLiteral("fakesink sync=true"));
        TfrmMain window(prompts, nullptr, nullptr, &engine);
        window.InitializeViews(*MyMediaDB, *PlayListManager, *FileTypes);
        server.SetReceiver([&window](const std::vector<std::string>& Files) {
            window.RaiseWindow();
            window.OpenFiles(Files);
        });
        QProcess second;
        StartProgram(second, home.str(), {a, b});
        QVERIFY(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 10000));
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(QTest::qWaitFor([&] { return window.Playback->Playing(); }, 5000));
        QCOMPARE(window.Playback->NowPlaying().Count(), 2);
        QVERIFY(window.isVisible());
        QCOMPARE(window.fraMedia1->MediaModel->rowCount(), 2);
        QVERIFY(prompts.Messages.empty());
        window.fraMedia1->Finalize();
        ReleaseGlobals();
        qunsetenv("ORVANTA_HOME");
    }

    // The hand-over socket is in the user's private runtime folder (an open one is passed
    // by); a socket left by a killed program is replaced once the lock is taken, and a clean
    // end removes it.
    void handOverSocketIsPrivateAndStaleOneReplaced() {
        TempDir home, runtime;
        const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.str()));
        const QString qhome = QString::fromStdString(home.str());
        ::chmod(runtime.str().c_str(), 0777);
        QCOMPARE(InstanceServerName(qhome), qhome + QStringLiteral("/Orvanta.socket"));
        ::chmod(runtime.str().c_str(), 0700);
        const std::string name = InstanceServerName(qhome).toStdString();
        QVERIFY(name.rfind(runtime.str() + "/", 0) == 0);
        QVERIFY(LeaveSocket(name, false) >= 0);

        QProcess first;
        StartProgram(first, home.str());
        QVERIFY(WaitUntilRunning(home.str()));
        struct stat info {};
        QVERIFY(::stat(name.c_str(), &info) == 0 && S_ISSOCK(info.st_mode));
        QCOMPARE(info.st_mode & 077, 0u);
        QCOMPARE(HandOverToRunningInstance(qhome, {home.file("gone.mp3")}), THandOver::Accepted);
        QVERIFY(EndsOn(first, SIGTERM));
        QVERIFY(!std::filesystem::exists(name));
        qputenv("XDG_RUNTIME_DIR", savedRuntime);
    }

    // Files that cannot be opened, handed over twice, then SIGTERM: the program ends normally
    // each time, and the playlist handed over with them is written.
    void failedHandOversThenTermLoseNothing() {
        for (int attempt = 0; attempt < 3; ++attempt) {
            TempDir home;
            WriteMp3(home.file("Kept.mp3"));
            QVERIFY(
                TFileUtils::StringToFile(home.file("Handed.m3u"), home.file("Kept.mp3") + "\n"));
            QProcess first;
            StartProgram(first, home.str());
            QVERIFY(WaitUntilRunning(home.str()));
            for (const QStringList& files :
                 {QStringList{QString::fromStdString(home.file("gone1.mp3")),
                              QString::fromStdString(home.file("gone2.mp3")),
                              QString::fromStdString(home.file("Handed.m3u"))},
                  QStringList{QString::fromStdString(home.file("gone3.mp3"))}}) {
                QProcess second;
                StartProgram(second, home.str(), files);
                QVERIFY(second.waitForFinished(5000));
                QCOMPARE(second.exitCode(), 0);
            }
            QVERIFY(EndsOn(first, SIGTERM));
            QCOMPARE(first.exitStatus(), QProcess::NormalExit);
            QCOMPARE(first.exitCode(), 0);
            QVERIFY(std::filesystem::exists(home.file("Playlists/Handed.ply")));
        }
    }

    // The socket is answered on a thread of its own: at once while the window is busy, and
    // for a large hand-over, which is then checked a slice at a time, the window's loop
    // turning between the slices; its one message names a few files and counts the rest. Too many
    // files are refused, and a program that never answers is given up on in time.
    void largeAndBusyHandOvers() {
        TempDir home;
        const QString qhome = QString::fromStdString(home.str());
        qputenv("ORVANTA_HOME", QByteArray::fromStdString(home.str()));
        FakePrompts prompts;
        TInstanceServer server;
        TStartRequest request;
        request.Server = &server;
        QVERIFY(InitApplication(prompts, qhome, request));
        TFakePlayerEngine engine;
        TfrmMain window(prompts, nullptr, nullptr, &engine);
        window.InitializeViews(*MyMediaDB, *PlayListManager, *FileTypes);
        bool largeArrived = false;
        server.SetReceiver([&window, &largeArrived](const std::vector<std::string>& Files) {
            largeArrived = Files.size() > 1;
            window.OpenFiles(Files);
        });
        // The large one may take longer than a second start waits in a sanitizer build (its
        // speed is bench_process's to show); what is checked is that it is taken whole.
        const auto handOver = [&qhome](std::vector<std::string> Files, int TimeoutMs = 1500) {
            return std::async(std::launch::async, [qhome, Files, TimeoutMs] {
                return HandOverToRunningInstance(qhome, Files, TimeoutMs);
            });
        };

        // The window's thread is busy waiting here, so an answer that needed it never comes.
        auto busy = handOver({home.file("busy.mp3")});
        QVERIFY(busy.wait_for(30s) == std::future_status::ready);
        QCOMPARE(busy.get(), THandOver::Accepted);
        QTRY_COMPARE(prompts.Messages.size(), size_t(1));

        std::vector<std::string> many;
        for (int i = 0; i < 200000; ++i)
            many.push_back(home.file("gone/" + std::to_string(i) + ".mp3"));
        // Turns of the window's loop while the files are checked (before their message).
        int turns = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] {
            if (largeArrived && prompts.Messages.size() == 1)
                ++turns;
        });
        ticker.start(0);
        auto large = handOver(many, 30000);
        QVERIFY(QTest::qWaitFor([&] { return large.wait_for(0s) == std::future_status::ready; }));
        QCOMPARE(large.get(), THandOver::Accepted);
        QTRY_COMPARE_WITH_TIMEOUT(prompts.Messages.size(), size_t(2), 30000);
        ticker.stop();
        // Checked all at once (it froze the window for 23 s when paths were read in one go),
        // the loop would not turn in between.
        QVERIFY2(turns > 2, qPrintable(QString::number(turns)));
        const QString text = prompts.Messages.back().Text;
        QCOMPARE(text.count(QStringLiteral("\r\n")), 11);
        QVERIFY(text.endsWith(QStringLiteral("(and 199990 more)")));

        many.resize(HandOverMaxFiles + 1);
        QCOMPARE(handOver(many).get(), THandOver::TooLarge);
        QLocalSocket raw;
        raw.connectToServer(InstanceServerName(qhome));
        QVERIFY(raw.waitForConnected(1000));
        raw.write(QByteArray(int(HandOverMaxBytes) + 1, 'a'));
        QVERIFY(QTest::qWaitFor([&] { return raw.canReadLine(); }, 5000));
        QCOMPARE(raw.readLine(), QByteArray("too-large\n"));

        // A program that never answers, and one that is gone: each given up on in time.
        for (const bool listening : {true, false}) {
            TempDir other;
            const QString otherHome = QString::fromStdString(other.str());
            const int socket = LeaveSocket(InstanceServerName(otherHome).toStdString(), listening);
            QVERIFY(socket >= 0);
            auto given = std::async(std::launch::async, [&] {
                return HandOverToRunningInstance(otherHome, {other.file("a.mp3")});
            });
            QVERIFY(given.wait_for(30s) == std::future_status::ready);
            QCOMPARE(given.get(), THandOver::NoAnswer);
            if (listening)
                ::close(socket);
        }
        QCOMPARE(prompts.Messages.size(), size_t(2));
        window.fraMedia1->Finalize();
        ReleaseGlobals();
        qunsetenv("ORVANTA_HOME");
    }

    // Another process holds the library's write lock while the program starts: it waits,
    // saying so, and lists the library once free; after the wait's limit it starts read-only
    // and its library commands say so.
    void busyLibraryAtStartUp_data() {
        QTest::addColumn<int>("holdSeconds");
        QTest::addColumn<int>("waitLimitMs");
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("freed within the wait") << 10 << 30000 << false;
        QTest::newRow("held past the wait") << 4 << 1000 << true;
    }
    void busyLibraryAtStartUp() {
        QFETCH(int, holdSeconds);
        QFETCH(int, waitLimitMs);
        QFETCH(bool, readOnly);
        TempDir home;
        ForceFolder(home.file("Data"));
        {
            TMyMediaDB library;
            library.OpenDatabase(home.file("Data/MyMedia.edb"));
            library.AddMedia({.Directory = "/m",
                              .FileName = "a.mp3",
                              .Stamp = {1},
                              .Title = "A",
                              .Seconds = 1,
                              .Quality = 128});
        }
        QProcess holder;
        holder.start(QStringLiteral("python3"),
                     {QStringLiteral("-c"),
                      QStringLiteral("import sqlite3,sys,time\n"
                                     "c=sqlite3.connect(sys.argv[1],isolation_level=None)\n"
                                     "c.execute('BEGIN IMMEDIATE')\n"
                                     "c.execute('UPDATE tMedia SET fTitle=fTitle')\n"
                                     "print('held',flush=True)\n"
                                     "time.sleep(float(sys.argv[2]))\n"
                                     "open(sys.argv[3],'w').close()\n"
                                     "c.execute('COMMIT')\n"),
                      QString::fromStdString(home.file("Data/MyMedia.edb")),
                      QString::number(holdSeconds), QString::fromStdString(home.file("freed"))});
        QVERIFY(holder.waitForReadyRead(10000));

        qputenv("ORVANTA_HOME", QByteArray::fromStdString(home.str()));
        FakePrompts prompts;
        TStartRequest request;
        request.LibraryWait = std::chrono::milliseconds(waitLimitMs);
        // What the splash says while the start waits.
        QString said;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&said] {
            if (frmSplash && !frmSplash->StatusText().isEmpty())
                said = frmSplash->StatusText();
        });
        watch.start(0);
        QVERIFY(InitApplication(prompts, QString::fromStdString(home.str()), request));
        watch.stop();
        QCOMPARE(said, LibraryWaitingText);
        QCOMPARE(MyMediaDB->ReadOnly(), readOnly);
        // Writable only once the other process let go (it marks that just before).
        if (!readOnly)
            QVERIFY(std::filesystem::exists(home.file("freed")));

        TFakePlayerEngine engine;
        TfrmMain window(prompts, nullptr, nullptr, &engine);
        window.InitializeViews(*MyMediaDB, *PlayListManager, *FileTypes);
        QVERIFY(QTest::qWaitFor(
            [&] { return !window.fraMedia1->ListPending() && !window.fraMedia1->Busy(); }));
        QCOMPARE(window.fraMedia1->MediaModel->rowCount(), 1);
        window.fraMedia1->DoCommand(ECommand::MediaRefreshMedia);
        const bool toldReadOnly =
            !prompts.Messages.empty() && prompts.Messages.back().Text == LibraryReadOnlyText;
        QCOMPARE(toldReadOnly, readOnly);
        window.fraMedia1->Finalize();
        ReleaseGlobals();
        qunsetenv("ORVANTA_HOME");
        QVERIFY(holder.state() == QProcess::NotRunning || holder.waitForFinished(10000));
    }
};

QTEST_MAIN(TestProcess)
#include "test_process.moc"
