#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QProcess>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <sys/stat.h>

#include "shell/PlaybackTestSupport.h"
#include "support/FakePrompts.h"
#include "support/TempDir.h"
#include "ui/playback/uFraTransportBar.h"
#include "ui/playback/uMpris.h"
#include "ui/playback/uPlaybackControl.h"
#include "ui/playback/uPlayerEngine.h"
#include "ui/shell/uFrmMain.h"

using namespace orvanta;
using namespace orvanta::test;

// Collects the names of the player properties announced as changed.
class TChangeLog : public QObject {
    Q_OBJECT
public:
    QStringList Names;
    bool Listen() {
        return QDBusConnection::sessionBus().connect(
            QString(), QStringLiteral("/org/mpris/MediaPlayer2"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"),
            this, SLOT(Changed(QString, QVariantMap, QStringList)));
    }
public slots:
    void Changed(const QString& Interface, const QVariantMap& Values, const QStringList&) {
        if (Interface == QStringLiteral("org.mpris.MediaPlayer2.Player")) {
            Names << Values.keys();
        }
    }
};

// The desktop's side, through playerctl on a session bus of the test's own (the test runs
// under dbus-run-session), with the real engine on a fake sink.
class TestMpris : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (!qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS")) {
            QSKIP("needs a session bus: run under dbus-run-session");
        }
        FFirst =
            MakeMp3(FDir.str(), QStringLiteral("first"), TrackSeconds,
                    {QStringLiteral("--tt"), QStringLiteral("Morning Tone"), QStringLiteral("--ta"),
                     QStringLiteral("Test Band"), QStringLiteral("--tl"), QStringLiteral("Tones")});
        FSecond = MakeMp3(FDir.str(), QStringLiteral("second"), TrackSeconds,
                          {QStringLiteral("--tt"), QStringLiteral("Evening Tone")});
        QVERIFY2(!FFirst.isEmpty() && !FSecond.isEmpty(), "sox and lame make the test tracks");
    }

    void playerctlDrivesAQueueOfTwo() {
        FakePrompts prompts;
        TGstPlayerEngine engine(QStringLiteral("fakesink sync=true"));
        TfrmMain window(prompts, nullptr, nullptr, &engine);
        QVERIFY(window.Mpris->Registered());
        TChangeLog changes;
        QVERIFY(changes.Listen());
        QSignalSpy seeked(window.Mpris, &TMprisService::Seeked);

        TPlayList queue;
        queue.SetUp("Two", pmNormal);
        queue.InsertTrack(MakeTrackEntry(FFirst.toStdString(), TrackSeconds), -1);
        queue.InsertTrack(MakeTrackEntry(FSecond.toStdString(), TrackSeconds), -1);
        window.PlayPlayList(queue);

        QTRY_COMPARE_WITH_TIMEOUT(Ctl({QStringLiteral("status")}), QStringLiteral("Playing"), 5000);
        // The tags come in after the file name, read off the window's thread.
        QTRY_COMPARE(Ctl({QStringLiteral("metadata"), QStringLiteral("xesam:title")}),
                     QStringLiteral("Morning Tone"));
        QCOMPARE(Ctl({QStringLiteral("metadata"), QStringLiteral("xesam:artist")}),
                 QStringLiteral("Test Band"));
        QCOMPARE(Ctl({QStringLiteral("metadata"), QStringLiteral("mpris:length")}),
                 QString::number(TrackSeconds * 1000000));
        QCOMPARE(window.windowTitle(),
                 QStringLiteral("Test Band \u2013 Morning Tone \u2013 Orvanta"));

        Ctl({QStringLiteral("pause")});
        QTRY_COMPARE(engine.PlayState(), int(IPlayerEngine::psPaused));
        QTRY_COMPARE(Ctl({QStringLiteral("status")}), QStringLiteral("Paused"));
        Ctl({QStringLiteral("play")});
        QTRY_COMPARE(engine.PlayState(), int(IPlayerEngine::psPlaying));

        Ctl({QStringLiteral("position"), QStringLiteral("5")});
        QTRY_VERIFY(engine.Position() >= 4900);
        QCOMPARE(seeked.size(), 1);
        QCOMPARE(seeked.first().at(0).toLongLong(), 5000000);

        Ctl({QStringLiteral("volume"), QStringLiteral("0.3")});
        QTRY_COMPARE(window.wmpPlayer->Volume(), 30);

        Ctl({QStringLiteral("next")});
        QTRY_COMPARE(Ctl({QStringLiteral("metadata"), QStringLiteral("xesam:title")}),
                     QStringLiteral("Evening Tone"));
        QTRY_COMPARE(engine.PlayState(), int(IPlayerEngine::psPlaying));
        // The last track of a Normal queue: Next does nothing.
        Ctl({QStringLiteral("next")});
        QTest::qWait(300); // a window for a wrong skip to show; nothing marks its absence
        QCOMPARE(engine.URL(), FSecond);
        QCOMPARE(Ctl({QStringLiteral("status")}), QStringLiteral("Playing"));
        Ctl({QStringLiteral("previous")});
        QTRY_COMPARE(engine.URL(), FFirst);

        Ctl({QStringLiteral("stop")});
        QTRY_COMPARE(Ctl({QStringLiteral("status")}), QStringLiteral("Stopped"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Orvanta"));
        for (const char* name : {"PlaybackStatus", "Metadata", "Volume", "CanGoNext"}) {
            QVERIFY2(changes.Names.contains(QString::fromLatin1(name)), name);
        }

        // A file URI plays that file alone.
        Ctl({QStringLiteral("open"), QUrl::fromLocalFile(FSecond).toString()});
        QTRY_COMPARE(engine.URL(), FSecond);
        QVERIFY(!window.Playback->CanGoNext());
    }

    // Loop and Shuffle are the queue's play modes, set from the desktop and announced; the
    // track's numbers and album artists reach its metadata.
    void loopAndShuffleAreThePlayModes() {
        const QString numbered =
            MakeMp3(FDir.str(), QStringLiteral("numbered"), TrackSeconds,
                    {QStringLiteral("--tt"), QStringLiteral("Numbered"), QStringLiteral("--tn"),
                     QStringLiteral("3/12"), QStringLiteral("--tv"), QStringLiteral("TPOS=2"),
                     QStringLiteral("--tv"), QStringLiteral("TPE2=Band A")});
        QVERIFY(!numbered.isEmpty());
        FakePrompts prompts;
        TGstPlayerEngine engine(QStringLiteral("fakesink sync=true"));
        TfrmMain window(prompts, nullptr, nullptr, &engine);
        QVERIFY(window.Mpris->Registered());
        TChangeLog changes;
        QVERIFY(changes.Listen());
        TPlayList queue;
        queue.SetUp("Three", pmNormal);
        for (const QString& file : {numbered, FFirst, FSecond})
            queue.InsertTrack(MakeTrackEntry(file.toStdString(), TrackSeconds), -1);
        window.PlayPlayList(queue);
        QTRY_COMPARE_WITH_TIMEOUT(Ctl({QStringLiteral("metadata"), QStringLiteral("xesam:title")}),
                                  QStringLiteral("Numbered"), 5000);
        for (const auto& [key, value] :
             {std::pair{"xesam:trackNumber", "3"}, std::pair{"xesam:discNumber", "2"},
              std::pair{"xesam:albumArtist", "Band A"}})
            QCOMPARE(Ctl({QStringLiteral("metadata"), QString::fromLatin1(key)}),
                     QString::fromLatin1(value));

        struct Step {
            const char* Property;
            const char* Value;
            std::int32_t Mode;
            const char* Loop;
            const char* Shuffle;
        };
        // "Track" has no mode of its own: it loops the queue. Random is Shuffle's to end.
        for (const Step& step : {Step{"loop", "Playlist", pmLoop, "Playlist", "Off"},
                                 Step{"shuffle", "On", pmRandom, "None", "On"},
                                 Step{"loop", "None", pmRandom, "None", "On"},
                                 Step{"shuffle", "Off", pmNormal, "None", "Off"},
                                 Step{"loop", "Track", pmLoop, "Playlist", "Off"},
                                 Step{"loop", "None", pmNormal, "None", "Off"}}) {
            Ctl({QString::fromLatin1(step.Property), QString::fromLatin1(step.Value)});
            QTRY_COMPARE(window.Playback->PlayMode(), step.Mode);
            QCOMPARE(Ctl({QStringLiteral("loop")}), QString::fromLatin1(step.Loop));
            QCOMPARE(Ctl({QStringLiteral("shuffle")}), QString::fromLatin1(step.Shuffle));
        }
        QTRY_VERIFY(changes.Names.contains(QStringLiteral("LoopStatus")) &&
                    changes.Names.contains(QStringLiteral("Shuffle")));
        // Back in order, the queue goes on after the track playing.
        Ctl({QStringLiteral("next")});
        QTRY_COMPARE(engine.URL(), FFirst);
    }

    // OpenUri plays only the regular file an absolute "file:" URI names; everything else is
    // refused with an error reply at once, never opened (a FIFO used to freeze the window).
    // A far Seek saturates: past the end it goes to the next track, before the start to 0.
    void openUriRefusesAndSeekSaturates() {
        FakePrompts prompts;
        TGstPlayerEngine engine(QStringLiteral("fakesink sync=true"));
        TfrmMain window(prompts, nullptr, nullptr, &engine);
        QVERIFY(window.Mpris->Registered());
        const std::string fifo = FDir.file("fifo.mp3");
        QVERIFY(::mkfifo(fifo.c_str(), 0600) == 0);
        const QString dir = QString::fromStdString(FDir.str());
        for (const QString& uri :
             {QStringLiteral("file://") + QString::fromStdString(fifo),
              QStringLiteral("file:first.mp3"),
              QUrl::fromLocalFile(FFirst).toString() + QStringLiteral("%00.txt"),
              QStringLiteral("file:///dev/zero"), QStringLiteral("file://") + dir,
              QStringLiteral("http://localhost/a.mp3")}) {
            const auto [exitCode, said] =
                DBusSend({QStringLiteral("org.mpris.MediaPlayer2.Player.OpenUri"),
                          QStringLiteral("string:") + uri});
            QVERIFY2(exitCode != 0 && said.contains(QStringLiteral("InvalidArgs")),
                     qPrintable(uri));
            QVERIFY(engine.URL().isEmpty());
        }

        TPlayList queue;
        queue.SetUp("Two", pmNormal);
        queue.InsertTrack(MakeTrackEntry(FFirst.toStdString(), TrackSeconds), -1);
        queue.InsertTrack(MakeTrackEntry(FSecond.toStdString(), TrackSeconds), -1);
        window.PlayPlayList(queue);
        QTRY_COMPARE_WITH_TIMEOUT(engine.PlayState(), int(IPlayerEngine::psPlaying), 5000);
        DBusSend({QStringLiteral("org.mpris.MediaPlayer2.Player.Seek"),
                  QStringLiteral("int64:-9223372036854775808")});
        QTRY_VERIFY(engine.Position() < 1000);
        QCOMPARE(engine.URL(), FFirst);
        DBusSend({QStringLiteral("org.mpris.MediaPlayer2.Player.Seek"),
                  QStringLiteral("int64:9223372036854775807")});
        QTRY_COMPARE(engine.URL(), FSecond);
    }

private:
    // Long enough that a loaded machine does not reach a track's end before the checks of
    // playing and pausing it are done.
    static constexpr int TrackSeconds = 40;

    // Calls the player over the bus; the exit code and what dbus-send printed.
    std::pair<int, QString> DBusSend(const QStringList& Call) {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QStringLiteral("dbus-send"),
                      QStringList{QStringLiteral("--session"), QStringLiteral("--print-reply"),
                                  QStringLiteral("--dest=org.mpris.MediaPlayer2.orvanta"),
                                  QStringLiteral("/org/mpris/MediaPlayer2")} +
                          Call);
        if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 10000)) {
            process.kill();
            process.waitForFinished();
        }
        return {process.exitCode(), QString::fromUtf8(process.readAll())};
    }

    // Runs playerctl for this player while the event loop answers its calls.
    QString Ctl(const QStringList& Arguments) {
        QProcess process;
        process.start(QStringLiteral("playerctl"),
                      QStringList{QStringLiteral("-p"), QStringLiteral("orvanta")} + Arguments);
        if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 10000)) {
            process.kill();
            process.waitForFinished();
        }
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    }

    TempDir FDir;
    QString FFirst;
    QString FSecond;
};

QTEST_MAIN(TestMpris)
#include "test_mpris.moc"
