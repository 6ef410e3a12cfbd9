#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <sys/stat.h>

#include "shell/PlayButtonLog.h"
#include "shell/PlaybackTestSupport.h"
#include "support/TempDir.h"
#include "ui/playback/uFraTransportBar.h"
#include "ui/playback/uPlaybackControl.h"
#include "ui/playback/uPlayerEngine.h"

using namespace orvanta;
using namespace orvanta::test;

namespace {

// In what order the files started and ended, and how far into each the engine got, by the
// engine's own reports (stream time, not the clock).
struct TTimeline {
    explicit TTimeline(IPlayerEngine& Engine) : FEngine(Engine) {
        QObject::connect(&Engine, &IPlayerEngine::PlayStateChange, [this](int State) {
            if (State == IPlayerEngine::psPlaying && !Started.contains(FEngine.URL())) {
                Started << FEngine.URL();
            } else if (State == IPlayerEngine::psMediaEnded) {
                Ended << FEngine.URL();
            }
            States << State;
        });
        // A file joined on without a gap starts without a state of its own.
        QObject::connect(&Engine, &IPlayerEngine::NextStarted,
                         [this] { Started << FEngine.URL(); });
        QObject::connect(&FTicker, &QTimer::timeout, [this] {
            if (FEngine.PlayState() == IPlayerEngine::psPlaying)
                Reached[FEngine.URL()] = std::max(Reached[FEngine.URL()], FEngine.Position());
        });
        FTicker.start(10);
    }

    IPlayerEngine& FEngine;
    QTimer FTicker;
    QStringList Started;
    QStringList Ended;
    QHash<QString, std::int64_t> Reached;
    QList<int> States;
};

TPlayList MakePlayList(const QStringList& Paths) {
    TPlayList list;
    list.SetUp("Test", pmNormal);
    for (const QString& path : Paths) {
        list.InsertTrack(MakeTrackEntry(path.toStdString(), 1), -1);
    }
    return list;
}

} // namespace

class TestPlaybackReal : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        FFirst = MakeMp3(FDir.str(), QStringLiteral("first"), 1.3);
        FSecond = MakeMp3(FDir.str(), QStringLiteral("second"), 0.7);
        FThird = MakeMp3(FDir.str(), QStringLiteral("third"), 1.6);
        QVERIFY2(!FFirst.isEmpty() && !FSecond.isEmpty() && !FThird.isEmpty(),
                 "sox and lame are needed to make the test tracks");
    }

    void playsAPlayListToItsEnd() {
        TGstPlayerEngine engine(QStringLiteral("fakesink sync=true"));
        TPlayButtonLog buttons;
        QString caption;
        // Before the controller, which hands on the next file while the end is reported.
        TTimeline timeline(engine);
        TPlaybackControl control(engine, buttons, [&](const QString& Text) { caption = Text; });

        control.PlayPlayList(MakePlayList({FFirst, FSecond, FThird}));
        QCOMPARE(caption, QStringLiteral("first \u2013 Orvanta"));
        QCOMPARE(buttons.Image(TPlayButton::PlayPlayList), 3);
        QVERIFY(QTest::qWaitFor([&] { return !control.Playing(); }, 10000));

        QCOMPARE(timeline.Started, (QStringList{FFirst, FSecond, FThird}));
        // The files join without a gap: only the last one ends.
        QCOMPARE(timeline.Ended, (QStringList{FThird}));
        // Each played to its end, none cut short by the next, its position counted from its
        // own start.
        const QList<QPair<QString, std::int64_t>> lengths = {
            {FFirst, 1300}, {FSecond, 700}, {FThird, 1600}};
        for (const auto& [path, length] : lengths)
            QVERIFY2(timeline.Reached[path] >= length - 200 &&
                         timeline.Reached[path] <= length + 50,
                     qPrintable(QStringLiteral("%1 reached %2 ms, is %3 ms long")
                                    .arg(path)
                                    .arg(timeline.Reached[path])
                                    .arg(length)));
        QVERIFY(buttons.AllPlay());
        QCOMPARE(caption, QStringLiteral("Orvanta"));
        // The end of each file is reported as such, never as a stop.
        QVERIFY(!timeline.States.contains(IPlayerEngine::psStopped));
        // The first-second play timer has done what it would: it must not start anything.
        QTRY_VERIFY_WITH_TIMEOUT(!control.tmrPlay->isActive(), 10000);
        QCOMPARE(engine.PlayState(), int(IPlayerEngine::psMediaEnded));
    }

    void skipsFilesThatCannotBePlayedAndSaysWhy() {
        TGstPlayerEngine engine(QStringLiteral("fakesink sync=true"));
        TfraTransportBar bar(engine);
        TPlayButtonLog buttons;
        QString caption;
        // Before the controller, which hands on the next file while the end is reported.
        TTimeline timeline(engine);
        TPlaybackControl control(engine, buttons, [&](const QString& Text) { caption = Text; });
        QStringList handedOn;
        connect(&engine, &IPlayerEngine::PlayStateChange, [&](int State) {
            if (State == IPlayerEngine::psTransitioning) {
                handedOn << engine.URL();
            }
        });
        const QString missing = QString::fromStdString(FDir.file("missing.mp3"));
        const QString corrupt = QString::fromStdString(
            FDir.write("corrupt.mp3", "ID3\x03" + std::string(5000, '\x11')));
        // A FIFO is neither read for its tags nor handed to GStreamer: either would block the
        // window for good, and the wait below would never end.
        const QString fifo = QString::fromStdString(FDir.file("fifo.mp3"));
        QVERIFY(::mkfifo(fifo.toStdString().c_str(), 0600) == 0);
        QStringList shown;
        connect(&engine, &IPlayerEngine::MediaError, [&] { shown << bar.StatusText(); });
        control.PlayPlayList(MakePlayList({FSecond, missing, fifo, corrupt, FFirst}));
        QVERIFY(QTest::qWaitFor([&] { return !control.Playing(); }, 20000));
        QCOMPARE(handedOn, (QStringList{FSecond, missing, fifo, corrupt, FFirst}));
        QVERIFY(timeline.Ended.contains(FSecond) && timeline.Ended.contains(FFirst));
        QCOMPARE(shown.size(), 3);
        QVERIFY2(shown[0].contains(QStringLiteral("\"missing.mp3\"")), qPrintable(shown[0]));
        QVERIFY2(shown[1].contains(QStringLiteral("\"fifo.mp3\"")), qPrintable(shown[1]));
        QVERIFY2(shown[2].contains(QStringLiteral("\"corrupt.mp3\"")), qPrintable(shown[2]));
        QVERIFY(buttons.AllPlay());
        QCOMPARE(caption, QStringLiteral("Orvanta"));

        // A queue of nothing but broken files stops once each has failed.
        control.PlayPlayList(MakePlayList({corrupt, missing}));
        QVERIFY(QTest::qWaitFor([&] { return !control.Playing(); }, 8000));
        QCOMPARE(handedOn.mid(5), (QStringList{corrupt, missing}));
        QVERIFY2(bar.StatusText().contains(QStringLiteral("\"missing.mp3\"")),
                 qPrintable(bar.StatusText()));
        // The timer's delayed play does not retry the bad file.
        // The first-second play timer has done what it would: it must not retry.
        QTRY_VERIFY_WITH_TIMEOUT(!control.tmrPlay->isActive(), 10000);
        QCOMPARE(engine.PlayState(), int(IPlayerEngine::psStopped));

        // And the next file plays whole, with the message gone.
        control.PlayTrack(FFirst);
        QVERIFY(
            QTest::qWaitFor([&] { return engine.PlayState() == IPlayerEngine::psPlaying; }, 5000));
        QVERIFY(bar.StatusText().isEmpty());
        QVERIFY(QTest::qWaitFor([&] { return !control.Playing(); }, 5000));
        QCOMPARE(engine.PlayState(), int(IPlayerEngine::psMediaEnded));
    }

    void stopDuringPlaybackResetsTheButtons() {
        TGstPlayerEngine engine(QStringLiteral("fakesink sync=true"));
        TfraTransportBar bar(engine);
        TPlayButtonLog buttons;
        TPlaybackControl control(engine, buttons, nullptr);
        control.PlayFile(FThird);
        QVERIFY(
            QTest::qWaitFor([&] { return engine.PlayState() == IPlayerEngine::psPlaying; }, 5000));
        // The transport bar's own stop counts as a stop too.
        bar.cmdStop->click();
        QVERIFY(!control.Playing());
        QVERIFY(buttons.AllPlay());
        // The first-second play timer has done what it would: it must not undo the stop.
        QTRY_VERIFY_WITH_TIMEOUT(!control.tmrPlay->isActive(), 10000);
        QCOMPARE(engine.PlayState(), int(IPlayerEngine::psStopped));
    }

private:
    TempDir FDir;
    QString FFirst;
    QString FSecond;
    QString FThird;
};

QTEST_MAIN(TestPlaybackReal)
#include "test_playback_real.moc"
