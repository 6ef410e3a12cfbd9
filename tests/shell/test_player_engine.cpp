#include <QSignalSpy>
#include <QTest>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "shell/PlaybackTestSupport.h"
#include "support/TempDir.h"
#include "ui/playback/uPlayerEngine.h"

using namespace orvanta;
using namespace orvanta::test;

namespace {

const QString FakeSink = QStringLiteral("fakesink sync=true");

// Every state the engine reports, in order.
struct TStateLog {
    explicit TStateLog(IPlayerEngine& Engine) {
        QObject::connect(&Engine, &IPlayerEngine::PlayStateChange,
                         [this](int State) { States.push_back(State); });
    }
    bool Saw(int State) const { return States.contains(State); }
    QList<int> States;
};

} // namespace

class TestPlayerEngine : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        FTrack = MakeMp3(FDir.str(), QStringLiteral("tone"), 1.5);
        QVERIFY2(!FTrack.isEmpty(), "sox and lame are needed to make the test tracks");
    }

    void startsAtHalfVolumeAndClamps() {
        TGstPlayerEngine engine(FakeSink);
        QVERIFY(engine.IsReady());
        QCOMPARE(engine.Volume(), 50);
        engine.SetVolume(140);
        QCOMPARE(engine.Volume(), 100);
        engine.SetVolume(-3);
        QCOMPARE(engine.Volume(), 0);
        QCOMPARE(engine.PlayState(), int(IPlayerEngine::psUndefined));
    }

    // The volume scales the samples the sink receives, linearly.
    void theVolumeIsWhatIsHeard() {
        QMap<int, int> peaks;
        for (const int volume : {100, 25}) {
            const std::string raw = FDir.file("heard-" + std::to_string(volume) + ".raw");
            TGstPlayerEngine engine(
                QStringLiteral("audioconvert ! audio/x-raw,format=S16LE ! filesink location=%1")
                    .arg(QString::fromStdString(raw)));
            TStateLog log(engine);
            engine.SetVolume(volume);
            engine.SetURL(FTrack);
            QVERIFY(QTest::qWaitFor([&] { return log.Saw(IPlayerEngine::psMediaEnded); }, 5000));
            const std::string bytes = readAll(raw);
            QVERIFY(bytes.size() > 10000);
            int peak = 0;
            for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
                const auto sample =
                    static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[i]) |
                                              static_cast<std::uint8_t>(bytes[i + 1]) << 8);
                peak = std::max(peak, std::abs(int(sample)));
            }
            peaks[volume] = peak;
        }
        QVERIFY2(peaks[100] > 20000, qPrintable(QString::number(peaks[100])));
        QVERIFY2(qAbs(peaks[25] * 4 - peaks[100]) < peaks[100] / 20,
                 qPrintable(QStringLiteral("%1 %2").arg(peaks[25]).arg(peaks[100])));
    }

    void endOfFileReportsMediaEndedOnly() {
        TGstPlayerEngine engine(FakeSink);
        TStateLog log(engine);
        QSignalSpy errors(&engine, &IPlayerEngine::MediaError);
        engine.SetURL(FTrack);
        QVERIFY(QTest::qWaitFor([&] { return log.Saw(IPlayerEngine::psPlaying); }, 5000));
        QVERIFY(QTest::qWaitFor([&] { return engine.Duration() > 0; }, 2000));
        QVERIFY(qAbs(engine.Duration() - 1500) < 200);
        QVERIFY(QTest::qWaitFor([&] { return log.Saw(IPlayerEngine::psMediaEnded); }, 5000));
        QTest::qWait(100); // a window for a stray stop to show; there is no event to wait for
        QVERIFY(!log.Saw(IPlayerEngine::psStopped));
        QCOMPARE(errors.count(), 0);
        QCOMPARE(log.States.last(), int(IPlayerEngine::psMediaEnded));
        QCOMPARE(engine.Position(), 0);
    }

    void pauseSeekResumeAndStop() {
        TGstPlayerEngine engine(FakeSink);
        TStateLog log(engine);
        engine.SetURL(FTrack);
        QVERIFY(QTest::qWaitFor([&] { return log.Saw(IPlayerEngine::psPlaying); }, 5000));
        engine.Pause();
        QVERIFY(QTest::qWaitFor([&] { return log.Saw(IPlayerEngine::psPaused); }, 2000));
        const auto paused = engine.Position();
        QTest::qWait(300); // time must pass for a paused position to (not) move
        QVERIFY(qAbs(engine.Position() - paused) < 50);
        engine.Seek(1000);
        QVERIFY(QTest::qWaitFor([&] { return qAbs(engine.Position() - 1000) < 150; }, 2000));
        engine.Play();
        QVERIFY(
            QTest::qWaitFor([&] { return engine.PlayState() == IPlayerEngine::psPlaying; }, 2000));
        engine.Stop();
        QCOMPARE(engine.PlayState(), int(IPlayerEngine::psStopped));
        QCOMPARE(engine.Position(), 0);
        QTest::qWait(800); // longer than what was left of the file: an end would have come
        // A stop is not an end: nothing follows it, and nothing plays on.
        QVERIFY(!log.Saw(IPlayerEngine::psMediaEnded));
        QCOMPARE(log.States.last(), int(IPlayerEngine::psStopped));

        // Play after a stop starts the file again from its beginning.
        engine.Play();
        QVERIFY(
            QTest::qWaitFor([&] { return engine.PlayState() == IPlayerEngine::psPlaying; }, 2000));
        QVERIFY(engine.Position() < 500);
        engine.Stop();
    }

    void unplayableFilesReportOneErrorAndStop_data() {
        QTest::addColumn<QString>("Path");
        QTest::newRow("missing") << QString::fromStdString(FDir.file("gone.mp3"));
        QTest::newRow("noise") << QString::fromStdString(
            FDir.write("noise.mp3", std::string(20000, '\x5a') + "not audio at all"));
        QTest::newRow("empty") << QString::fromStdString(FDir.write("empty.mp3", ""));
        QTest::newRow("folder") << QString::fromStdString(FDir.str());
        // Never opened: a FIFO would hold the streaming thread, and the next stop with it.
        ::mkfifo(FDir.file("fifo.mp3").c_str(), 0600);
        QTest::newRow("fifo") << QString::fromStdString(FDir.file("fifo.mp3"));
        QTest::newRow("device") << QStringLiteral("/dev/zero");
        QTest::newRow("no name") << QString();
        QTest::newRow("quote and backslash")
            << QString::fromStdString(FDir.write("it's \\ \"bad\".mp3", "ID3 garbage"));
    }

    void unplayableFilesReportOneErrorAndStop() {
        QFETCH(QString, Path);
        TGstPlayerEngine engine(FakeSink);
        TStateLog log(engine);
        QSignalSpy errors(&engine, &IPlayerEngine::MediaError);
        engine.SetURL(Path);
        // The window never waits for the verdict on a bad file: it comes from the event loop.
        QCOMPARE(errors.count(), 0);
        QVERIFY(QTest::qWaitFor([&] { return errors.count() > 0; }, 5000));
        QTest::qWait(300); // a window for a second error to show; nothing marks its absence
        QCOMPARE(errors.count(), 1);
        QVERIFY(!errors.at(0).at(0).toString().isEmpty());
        QCOMPARE(errors.at(0).at(1).toString(), Path);
        QCOMPARE(engine.PlayState(), int(IPlayerEngine::psStopped));
        QCOMPARE(log.States.count(IPlayerEngine::psStopped), 1);
        QVERIFY(!log.Saw(IPlayerEngine::psMediaEnded));
        QVERIFY(!log.Saw(IPlayerEngine::psPlaying));
        // Play on a failed load does not try again.
        engine.Play();
        QTest::qWait(300); // a window for a retry to show; nothing marks its absence
        QCOMPARE(errors.count(), 1);

        // The error of the bad file does not reach the next one.
        engine.SetURL(FTrack);
        QVERIFY(QTest::qWaitFor([&] { return log.Saw(IPlayerEngine::psPlaying); }, 5000));
        QTest::qWait(300); // a window for a late error of the old file to show
        QCOMPARE(errors.count(), 1);
        QCOMPARE(engine.PlayState(), int(IPlayerEngine::psPlaying));
        engine.Stop();
    }

    void newFileWhilePlayingDropsTheOldOnesMessages() {
        TGstPlayerEngine engine(FakeSink);
        TStateLog log(engine);
        QSignalSpy errors(&engine, &IPlayerEngine::MediaError);
        engine.SetURL(QString::fromStdString(FDir.file("gone-too.mp3")));
        // Replaced before its error is handled: the error belongs to a load that is gone.
        engine.SetURL(FTrack);
        QVERIFY(QTest::qWaitFor([&] { return log.Saw(IPlayerEngine::psPlaying); }, 5000));
        QTest::qWait(200); // a window for the old load's error to show; nothing marks its absence
        QCOMPARE(errors.count(), 0);
        QVERIFY(!log.Saw(IPlayerEngine::psStopped));
        engine.Stop();
    }

private:
    TempDir FDir;
    QString FTrack;
};

QTEST_GUILESS_MAIN(TestPlayerEngine)
#include "test_player_engine.moc"
