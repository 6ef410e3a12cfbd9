#include <QLocalSocket>
#include <QProcess>
#include <QTest>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <map>
#include <sys/stat.h>

#include "app/uApplication.h"
#include "app/uFrmSplash.h"
#include "app/uLibraryStart.h"
#include "app/uSingleInstance.h"
#include "common/uDataPaths.h"
#include "common/uDisplayUtils.h"
#include "library/uFraMedia.h"
#include "library/uTMyMediaDB.h"
#include "playlists/uTPlayListManager.h"
#include "shell/FakePlayerEngine.h"
#include "shell/PlaybackTestSupport.h"
#include "shell/uFrmMain.h"
#include "shell/uPlaybackControl.h"
#include "shell/uPlayerEngine.h"
#include "support/FakePrompts.h"
#include "support/Mp3Files.h"
#include "support/TempDir.h"

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

// Started, holding the home, with its data made and its playlists written once.
bool WaitUntilRunning(const std::string& Home) {
    const bool listening = QTest::qWaitFor(
        [&] {
            QLocalSocket probe;
            probe.connectToServer(InstanceServerName(QString::fromStdString(Home)));
            return probe.waitForConnected(100) && std::filesystem::exists(Home + "/Playlists");
        },
        10000);
    QTest::qWait(2500);
    return listening;
}

qint64 MillisecondsToExit(QProcess& Program, int Signal) {
    QElapsedTimer timer;
    timer.start();
    ::kill(static_cast<pid_t>(Program.processId()), Signal);
    if (!Program.waitForFinished(5000))
        return -1;
    return timer.elapsed();
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
        const Snapshot before = TakeSnapshot(home.str());
        QVERIFY(!before.empty());

        QProcess second;
        StartProgram(second, home.str());
        QVERIFY(second.waitForStarted());
        QVERIFY(!second.waitForFinished(1500)); // its message is showing
        QVERIFY(MillisecondsToExit(second, signal) >= 0);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(TakeSnapshot(home.str()) == before);
        QCOMPARE(first.state(), QProcess::Running);
        QVERIFY(MillisecondsToExit(first, SIGTERM) >= 0);
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

        const qint64 took = MillisecondsToExit(first, SIGTERM);
        QVERIFY2(took >= 0 && took < 2000, qPrintable(QString::number(took)));
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QCOMPARE(first.exitCode(), 0);
        QVERIFY(std::filesystem::exists(home.file("Playlists/My Playlist.ply")));
        TMyMediaDB library;
        library.OpenDatabase(home.file("Data/MyMedia.edb"));
        TEasyQuery row;
        library.SelectMedia(row, home.str(), "Handed.mp3");
        QCOMPARE(row.RecordCount(), 1);
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
            library.AddMedia("/m", "a.mp3", 1, "A", "", "", "", "", "", "", 1, 128);
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
                                     "c.execute('COMMIT')\n"),
                      QString::fromStdString(home.file("Data/MyMedia.edb")),
                      QString::number(holdSeconds)});
        QVERIFY(holder.waitForReadyRead(10000));

        qputenv("ORVANTA_HOME", QByteArray::fromStdString(home.str()));
        FakePrompts prompts;
        TStartRequest request;
        request.LibraryWait = std::chrono::milliseconds(waitLimitMs);
        QString said;
        QTimer::singleShot(500, [&said] { said = frmSplash->StatusText(); });
        const auto started = std::chrono::steady_clock::now();
        QVERIFY(InitApplication(prompts, QString::fromStdString(home.str()), request));
        QCOMPARE(said, LibraryWaitingText);
        QCOMPARE(MyMediaDB->ReadOnly(), readOnly);
        if (!readOnly)
            QVERIFY(std::chrono::steady_clock::now() - started > 9s);

        TFakePlayerEngine engine;
        TfrmMain window(prompts, nullptr, nullptr, &engine);
        window.InitializeViews(*MyMediaDB, *PlayListManager, *FileTypes);
        QCOMPARE(window.fraMedia1->MediaModel->rowCount(), 1);
        window.fraMedia1->DoCommand(5); // Refresh Media
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
