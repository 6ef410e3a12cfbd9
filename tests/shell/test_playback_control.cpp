#include <QTest>
#include <QTimer>

#include "shell/FakePlayerEngine.h"
#include "shell/PlayButtonLog.h"
#include "ui/playback/uPlaybackControl.h"

using namespace orvanta;
using namespace orvanta::test;

namespace {

const QString A = QStringLiteral("/music/Artist/a.mp3");
const QString B = QStringLiteral("/music/Artist/b.mp3");
const QString C = QStringLiteral("/music/Artist/c.d.mp3");

TPlayList MakePlayList(std::int32_t Mode, const QStringList& Paths) {
    TPlayList list;
    list.SetUp("Mine", Mode);
    for (const QString& path : Paths) {
        list.InsertTrack(MakeTrackEntry(path.toStdString(), 215), -1);
    }
    return list;
}

// A controller with a fake engine, recorded buttons and caption.
struct TRig {
    TRig()
        : Control(
              Engine, Buttons, [this](const QString& Text) { Caption = Text; }, &Random) {}
    TFakePlayerEngine Engine;
    TPlayButtonLog Buttons;
    QString Caption = QStringLiteral("Orvanta");
    TRandom Random{12345};
    TPlaybackControl Control;
};

} // namespace

class TestPlaybackControl : public QObject {
    Q_OBJECT

private slots:
    void normalPlaysEachTrackOnceThenResetsTheButtons() {
        TRig rig;
        QVERIFY(rig.Buttons.AllPlay());
        QVERIFY(!rig.Control.Playing());
        rig.Control.PlayPlayList(MakePlayList(pmNormal, {A, B, C}));
        QCOMPARE(rig.Engine.URLs(), QStringList{A});
        QVERIFY(rig.Control.Playing());
        QCOMPARE(rig.Buttons.Image(TPlayButton::PlayPlayList), 3);
        QCOMPARE(rig.Buttons.Hint(TPlayButton::PlayPlayList),
                 QStringLiteral("Stop Playing Playlist"));
        // Only the button that started playback shows a stop picture.
        QCOMPARE(rig.Buttons.Image(TPlayButton::PlayFile), 0);
        QCOMPARE(rig.Buttons.Image(TPlayButton::PlayTrack), 4);
        QCOMPARE(rig.Caption, QStringLiteral("a – Orvanta"));

        rig.Engine.Report(IPlayerEngine::psMediaEnded);
        rig.Engine.Report(IPlayerEngine::psMediaEnded);
        QCOMPARE(rig.Engine.URLs(), (QStringList{A, B, C}));
        QCOMPARE(rig.Caption, QStringLiteral("c.d – Orvanta"));
        QVERIFY(rig.Control.Playing());

        rig.Engine.Report(IPlayerEngine::psMediaEnded);
        QCOMPARE(rig.Engine.URLs(), (QStringList{A, B, C}));
        QVERIFY(!rig.Control.Playing());
        QVERIFY(rig.Buttons.AllPlay());
        // Nothing plays: the caption is the program's name again.
        QCOMPARE(rig.Caption, QStringLiteral("Orvanta"));
    }

    void loopAndRandomNeverEnd() {
        TRig loop;
        loop.Control.PlayPlayList(MakePlayList(pmLoop, {A, B, C}));
        for (int i = 0; i < 7; ++i) {
            loop.Engine.Report(IPlayerEngine::psMediaEnded);
        }
        QCOMPARE(loop.Engine.URLs(), (QStringList{A, B, C, A, B, C, A, B}));
        QVERIFY(loop.Control.Playing());

        TRig random;
        random.Control.PlayPlayList(MakePlayList(pmRandom, {A, B}));
        for (int i = 0; i < 40; ++i) {
            random.Engine.Report(IPlayerEngine::psMediaEnded);
        }
        const QStringList urls = random.Engine.URLs();
        QCOMPARE(urls.size(), 41);
        QVERIFY(random.Control.Playing());
        QVERIFY(urls.contains(A) && urls.contains(B));
        bool repeated = false;
        for (int i = 1; i < urls.size(); ++i) {
            repeated = repeated || urls[i] == urls[i - 1];
        }
        QVERIFY2(repeated, "a random draw may give the same track twice in a row");
    }

    void singleFileAndTrackPlayOnceInNormalMode() {
        TRig rig;
        rig.Control.PlayPlayList(MakePlayList(pmLoop, {A, B}));
        rig.Control.PlayFile(C);
        QCOMPARE(rig.Buttons.Image(TPlayButton::PlayFile), 1);
        QCOMPARE(rig.Buttons.Hint(TPlayButton::PlayFile), QStringLiteral("Stop Playing File"));
        QCOMPARE(rig.Control.NowPlaying().PlayMode, pmNormal);
        QCOMPARE(rig.Control.NowPlaying().Tracks(),
                 std::vector<std::string>{C.toStdString() + "*0"});
        rig.Engine.Report(IPlayerEngine::psMediaEnded);
        QCOMPARE(rig.Engine.URLs(), (QStringList{A, C}));
        QVERIFY(!rig.Control.Playing());
        QVERIFY(rig.Buttons.AllPlay());

        rig.Control.PlayTrack(B);
        QCOMPARE(rig.Buttons.Image(TPlayButton::PlayTrack), 5);
        QCOMPARE(rig.Buttons.Hint(TPlayButton::PlayTrack), QStringLiteral("Stop Playing Track"));
        QCOMPARE(rig.Caption, QStringLiteral("b – Orvanta"));
        rig.Engine.Report(IPlayerEngine::psMediaEnded);
        QCOMPARE(rig.Engine.URLs(), (QStringList{A, C, B}));
        QVERIFY(rig.Buttons.AllPlay());
    }

    void stopResetsOnlyWhenTheEngineReportsIt() {
        TRig rig;
        rig.Control.PlayPlayList(MakePlayList(pmLoop, {A, B}));
        rig.Control.StopPlaying();
        QCOMPARE(rig.Engine.Calls.last(), QStringLiteral("stop"));
        QVERIFY(!rig.Control.Playing());
        QVERIFY(rig.Buttons.AllPlay());
        QCOMPARE(rig.Engine.URLs(), QStringList{A});

        // An engine that has not reported the stop yet leaves the stop pictures up.
        TRig slow;
        slow.Engine.StopReportsState = false;
        slow.Control.PlayFile(A);
        slow.Control.StopPlaying();
        QVERIFY(slow.Control.Playing());
        QCOMPARE(slow.Buttons.Image(TPlayButton::PlayFile), 1);
        slow.Engine.Report(IPlayerEngine::psStopped);
        QVERIFY(!slow.Control.Playing());
        QVERIFY(slow.Buttons.AllPlay());
    }

    void anErrorEndsASingleFileAndAStopEndsTheWaitToSkip() {
        TRig rig;
        rig.Control.PlayFile(A);
        rig.Engine.Fail(QStringLiteral("Resource not found."));
        QVERIFY(!rig.Control.Playing());
        QVERIFY(rig.Buttons.AllPlay());
        QCOMPARE(rig.Caption, QStringLiteral("Orvanta"));

        rig.Control.PlayPlayList(MakePlayList(pmNormal, {A, B, C}));
        rig.Engine.Fail(QStringLiteral("Resource not found."));
        QVERIFY(rig.Control.tmrSkip->isActive());
        QVERIFY(rig.Control.Playing());
        rig.Control.StopPlaying();
        QVERIFY(!rig.Control.Playing());
        QVERIFY(rig.Buttons.AllPlay());
        QCOMPARE(rig.Engine.URLs(), (QStringList{A, A}));
    }

    // Script: n Next, e the track ends, p Previous in a track's first seconds, r Previous
    // later on, f the track fails (and is skipped when the queue goes on), j the engine joins
    // on the file it was given as next, l the queue's mode turns to Loop. Each track has
    // played before n, e, p, r and j. The log holds the files handed on, "+" and the file for
    // a join, and "0" for a restart (Previous at the first track restarts it).
    void queueNavigation_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("tracks");
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("log");
        QTest::addColumn<bool>("playing");
        QTest::newRow("normal next stops at the last") << 0 << "ABC" << -1 << "nnn"
                                                       << "ABC" << true;
        QTest::newRow("normal back") << 0 << "ABC" << -1 << "nnppp"
                                     << "ABCBA0" << true;
        QTest::newRow("normal back then on") << 0 << "ABC" << -1 << "nnpn"
                                             << "ABCBC" << true;
        QTest::newRow("restart after 3 s") << 0 << "ABC" << -1 << "nr"
                                           << "AB0" << true;
        QTest::newRow("loop next wraps") << 1 << "ABC" << -1 << "nnnp"
                                         << "ABCAC" << true;
        QTest::newRow("skip two broken") << 0 << "AXYB" << -1 << "nffe"
                                         << "AXYB" << false;
        QTest::newRow("broken last ends") << 0 << "AX" << -1 << "nf"
                                          << "AX" << false;
        QTest::newRow("loop all broken") << 1 << "XY" << -1 << "ff"
                                         << "XY" << false;
        QTest::newRow("broken not gone back to") << 1 << "AXB" << -1 << "nfp"
                                                 << "AXBA" << true;
        QTest::newRow("from here normal") << 0 << "ABC" << 1 << "ee"
                                          << "BC" << false;
        QTest::newRow("from here loop") << 1 << "ABC" << 2 << "ep"
                                        << "CAC" << true;
        QTest::newRow("from here random") << 2 << "ABC" << 1 << ""
                                          << "B" << true;
        QTest::newRow("single file has neither") << -1 << "A" << -1 << "np"
                                                 << "A" << true;
        QTest::newRow("joined in order") << 0 << "ABC" << -1 << "jjje"
                                         << "A+B+C" << false;
        QTest::newRow("back after a join") << 0 << "ABC" << -1 << "jpj"
                                           << "A+BA+B" << true;
        QTest::newRow("mode change chooses again") << 0 << "ABC" << -1 << "jjlj"
                                                   << "A+B+C+A" << true;
        QTest::newRow("next after a join") << 1 << "ABC" << -1 << "jnj"
                                           << "A+BC+A" << true;
    }

    void queueNavigation() {
        QFETCH(int, mode);
        QFETCH(QString, tracks);
        QFETCH(int, start);
        QFETCH(QString, script);
        QFETCH(QString, log);
        QFETCH(bool, playing);
        const auto path = [](QChar Name) { return QStringLiteral("/m/%1.mp3").arg(Name); };
        TRig rig;
        rig.Control.tmrSkip->setInterval(0);
        QStringList paths;
        for (QChar name : tracks) {
            paths << path(name);
        }
        if (mode < 0) {
            rig.Control.PlayFile(paths.front());
        } else if (start < 0) {
            rig.Control.PlayPlayList(MakePlayList(mode, paths));
        } else {
            rig.Control.PlayFromHere(MakePlayList(mode, paths), start);
        }
        QCOMPARE(rig.Control.CanGoNext(), mode >= 0);
        QCOMPARE(rig.Control.CanGoPrevious(), mode >= 0);
        for (QChar step : script) {
            if (step == QLatin1Char('f')) {
                rig.Engine.Fail(QStringLiteral("broken"));
                QTRY_VERIFY(!rig.Control.tmrSkip->isActive());
                continue;
            }
            rig.Engine.Report(IPlayerEngine::psPlaying);
            rig.Engine.FakePosition = step == QLatin1Char('r') ? 5000 : 1000;
            if (step == QLatin1Char('l')) {
                rig.Control.SetPlayMode(pmLoop);
            } else if (step == QLatin1Char('j')) {
                rig.Engine.StartNext();
            } else if (step == QLatin1Char('n')) {
                rig.Control.Next();
            } else if (step == QLatin1Char('e')) {
                rig.Engine.Report(IPlayerEngine::psMediaEnded);
            } else {
                rig.Control.Previous();
            }
        }
        QString handedOn;
        for (const QString& call : rig.Engine.Calls) {
            if (call.startsWith(QStringLiteral("join "))) {
                handedOn += QLatin1Char('+');
            }
            if (call.startsWith(QStringLiteral("URL ")) ||
                call.startsWith(QStringLiteral("join "))) {
                handedOn += call.at(call.size() - 5);
            } else if (call == QStringLiteral("seek 0")) {
                handedOn += QLatin1Char('0');
            }
        }
        QCOMPARE(handedOn, log);
        QCOMPARE(rig.Control.Playing(), playing);
        QCOMPARE(rig.Buttons.AllPlay(), !playing);
    }

    void randomGoesBackToWhatPlayedAndStopsWhenAllFail() {
        TRig rig;
        rig.Control.tmrSkip->setInterval(0);
        rig.Control.PlayPlayList(MakePlayList(pmRandom, {A, B, C}));
        for (int i = 0; i < 4; ++i) {
            rig.Engine.Report(IPlayerEngine::psPlaying);
            rig.Control.Next();
        }
        rig.Control.Previous();
        rig.Control.Previous();
        const QStringList urls = rig.Engine.URLs();
        QCOMPARE(urls.mid(5), (QStringList{urls[3], urls[2]}));

        rig.Control.PlayPlayList(MakePlayList(pmRandom, {A, B}));
        for (int i = 0; i < 50 && rig.Control.Playing(); ++i) {
            rig.Engine.Fail(QStringLiteral("broken"));
            QTRY_VERIFY(!rig.Control.tmrSkip->isActive());
        }
        QVERIFY(!rig.Control.Playing());
        QCOMPARE(rig.Caption, QStringLiteral("Orvanta"));
    }

    void playStartsOneSecondAfterEachTrackIsHandedOn() {
        TRig rig;
        rig.Control.PlayFile(A);
        QVERIFY(!rig.Engine.Calls.contains(QStringLiteral("play")));
        QVERIFY(rig.Control.tmrPlay->isActive());
        QCOMPARE(rig.Control.tmrPlay->interval(), 1000);
        QTRY_VERIFY(rig.Engine.Calls.contains(QStringLiteral("play")));
        QVERIFY(!rig.Control.tmrPlay->isActive());
    }

    void stopInTheFirstSecondIsNotUndoneByTheTimer() {
        TRig rig;
        rig.Control.PlayFile(A);
        rig.Control.StopPlaying();
        QVERIFY(!rig.Control.tmrPlay->isActive());
        // A short file that ended before the timer fired is not started again either.
        rig.Control.PlayTrack(B);
        rig.Engine.Report(IPlayerEngine::psMediaEnded);
        QVERIFY(!rig.Control.tmrPlay->isActive()); // a stopped timer never fires
        QVERIFY(!rig.Engine.Calls.contains(QStringLiteral("play")));
    }

    void doubleClickReplacesTheQueueAtOnce() {
        TRig rig;
        rig.Control.PlayPlayList(MakePlayList(pmNormal, {A, B, C}));
        rig.Engine.Report(IPlayerEngine::psMediaEnded);
        rig.Control.PlayTrack(C);
        QCOMPARE(rig.Engine.URLs(), (QStringList{A, B, C}));
        QCOMPARE(rig.Buttons.Image(TPlayButton::PlayTrack), 5);
        rig.Engine.Report(IPlayerEngine::psMediaEnded);
        // B's playlist is gone: nothing else follows the track.
        QCOMPARE(rig.Engine.URLs(), (QStringList{A, B, C}));
        QVERIFY(!rig.Control.Playing());
    }

    void theQueueIsACopy() {
        TRig rig;
        TPlayList shown = MakePlayList(pmNormal, {A, B, C});
        rig.Control.PlayPlayList(shown);
        // What the mode box and the Playlists view do to the shown playlist meanwhile.
        shown.PlayMode = pmLoop;
        shown.Exchange(1, 2);
        shown.DeleteTrack(0);
        for (int i = 0; i < 3; ++i) {
            rig.Engine.Report(IPlayerEngine::psMediaEnded);
        }
        QCOMPARE(rig.Engine.URLs(), (QStringList{A, B, C}));
        QVERIFY(!rig.Control.Playing());
        QCOMPARE(rig.Control.NowPlaying().Name, std::string("Mine"));
    }

    void nothingToHandOnLeavesThePlayPictures() {
        TRig rig;
        rig.Control.PlayPlayList(MakePlayList(pmNormal, {}));
        QVERIFY(!rig.Control.Playing());
        QVERIFY(rig.Buttons.AllPlay());
        QVERIFY(rig.Engine.URLs().isEmpty());

        // A playlist file with a blank first line gives an empty first entry.
        TPlayList blankFirst;
        blankFirst.InsertTrack("", -1);
        blankFirst.InsertTrack(MakeTrackEntry(A.toStdString(), 3), -1);
        rig.Control.PlayPlayList(blankFirst);
        QVERIFY(!rig.Control.Playing());
        QVERIFY(rig.Buttons.AllPlay());
        QCOMPARE(rig.Caption, QStringLiteral("Orvanta"));
    }

    void otherStatesChangeNothing() {
        TRig rig;
        rig.Control.PlayPlayList(MakePlayList(pmNormal, {A, B}));
        for (int state : {0, 2, 3, 9, 10}) {
            rig.Engine.Report(state);
        }
        QVERIFY(rig.Control.Playing());
        QCOMPARE(rig.Engine.URLs(), QStringList{A});
    }

    void pathsWithQuotesAndNonAsciiReachTheEngineWhole() {
        TRig rig;
        const QString odd = QStringLiteral("/music/it's \\ \"Ünïcødé\".mp3");
        rig.Control.PlayFile(odd);
        QCOMPARE(rig.Engine.URLs(), QStringList{odd});
        QCOMPARE(rig.Caption, QStringLiteral("it's \\ \"Ünïcødé\" – Orvanta"));
    }
};

QTEST_GUILESS_MAIN(TestPlaybackControl)
#include "test_playback_control.moc"
