#include <QLabel>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include "shell/FakePlayerEngine.h"
#include "ui/playback/uFraTransportBar.h"

using namespace orvanta;
using namespace orvanta::test;

class TestTransportBar : public QObject {
    Q_OBJECT

private slots:
    void formatsPlayTime() {
        QCOMPARE(FormatPlayTime(0), QStringLiteral("0:00"));
        QCOMPARE(FormatPlayTime(999), QStringLiteral("0:00"));
        QCOMPARE(FormatPlayTime(61000), QStringLiteral("1:01"));
        QCOMPARE(FormatPlayTime(3599999), QStringLiteral("59:59"));
        QCOMPARE(FormatPlayTime(3723000), QStringLiteral("1:02:03"));
        QCOMPARE(FormatPlayTime(-5), QStringLiteral("0:00"));
    }

    void buttonsDriveTheEngine() {
        TFakePlayerEngine engine;
        TfraTransportBar bar(engine);
        bar.cmdPlayPause->click();
        QCOMPARE(engine.Calls.last(), QStringLiteral("play"));
        engine.Report(IPlayerEngine::psPlaying);
        QCOMPARE(bar.cmdPlayPause->toolTip(), QStringLiteral("Pause"));
        bar.cmdPlayPause->click();
        QCOMPARE(engine.Calls.last(), QStringLiteral("pause"));
        engine.Report(IPlayerEngine::psPaused);
        QCOMPARE(bar.cmdPlayPause->toolTip(), QStringLiteral("Play"));
        bar.cmdStop->click();
        QCOMPARE(engine.Calls.last(), QStringLiteral("stop"));
    }

    void timeAndSeekFollowTheEngine() {
        TFakePlayerEngine engine;
        TfraTransportBar bar(engine);
        engine.FakeDuration = 185000;
        engine.FakePosition = 42000;
        engine.Report(IPlayerEngine::psPlaying);
        QCOMPARE(bar.ElapsedText(), QStringLiteral("0:42"));
        QCOMPARE(bar.TotalText(), QStringLiteral("3:05"));
        QCOMPARE(bar.trkSeek->maximum(), 185000);
        engine.FakePosition = 43500;
        QTRY_COMPARE(bar.ElapsedText(), QStringLiteral("0:43"));
        // Following the engine is not a seek.
        QVERIFY(!engine.Calls.join(QLatin1Char(',')).contains(QStringLiteral("seek")));
    }

    void keyboardReachesEveryControl() {
        TFakePlayerEngine engine;
        TfraTransportBar bar(engine);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        engine.FakeDuration = 100000;
        engine.FakePosition = 20000;
        engine.Report(IPlayerEngine::psPlaying);

        bar.setFocus();
        QCOMPARE(QApplication::focusWidget(), bar.cmdPlayPause);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QCOMPARE(engine.Calls.last(), QStringLiteral("pause"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), bar.cmdStop);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), bar.trkSeek);
        QTest::keyClick(bar.trkSeek, Qt::Key_Right);
        QCOMPARE(engine.Calls.last(), QStringLiteral("seek 25000"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), bar.cmdMute);
        QTest::keyClick(bar.cmdMute, Qt::Key_Space);
        QVERIFY(bar.Muted());
        QCOMPARE(engine.Volume(), 0);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), bar.trkVolume);
        QCOMPARE(bar.trkVolume->value(), 50);
        // Setting a volume ends the mute.
        QTest::keyClick(bar.trkVolume, Qt::Key_Left);
        QVERIFY(!bar.Muted());
        QCOMPARE(engine.Volume(), 45);
        QCOMPARE(bar.cmdMute->toolTip(), QStringLiteral("Mute"));

        // With a queue to walk, Previous and Next join the tab chain around play/pause.
        bar.SetNavigation(true, true);
        bar.cmdPlayPause->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), bar.cmdNext);
        QSignalSpy next(&bar, &TfraTransportBar::NextClicked);
        QTest::keyClick(bar.cmdNext, Qt::Key_Space);
        QCOMPARE(next.size(), 1);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), bar.cmdPrevious);
    }

    void aClickOnTheSeekBarJumpsThere() {
        TFakePlayerEngine engine;
        TfraTransportBar bar(engine);
        bar.resize(900, 45);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        engine.FakeDuration = 200000;
        engine.Report(IPlayerEngine::psPlaying);
        QSignalSpy jumped(&bar, &TfraTransportBar::Jumped);
        QSlider* seek = bar.trkSeek;
        for (double at : {0.75, 0.25}) {
            QTest::mouseClick(seek, Qt::LeftButton, {},
                              QPoint(int(seek->width() * at), seek->height() / 2));
            const qint64 target = jumped.last().at(0).toLongLong();
            QVERIFY2(qAbs(target - 200000 * at) < 200000 * 0.05,
                     qPrintable(QString::number(target)));
            QCOMPARE(engine.Calls.last(), QStringLiteral("seek %1").arg(target));
        }
        QCOMPARE(jumped.size(), 2);
    }

    void showsWhatPlays() {
        TFakePlayerEngine engine;
        TfraTransportBar bar(engine);
        bar.show();
        QVERIFY(!bar.cmdNext->isEnabled() && !bar.cmdPrevious->isEnabled());
        QVERIFY(!bar.lblTitle->isVisible() && !bar.imgCover->isVisible());
        bar.SetNowPlaying(QStringLiteral("Song"), QStringLiteral("Band"), QStringLiteral("Record"));
        QCOMPARE(bar.lblTitle->text(), QStringLiteral("Song"));
        QCOMPARE(bar.lblArtist->text(), QStringLiteral("Band \u2013 Record"));
        QVERIFY(bar.lblTitle->isVisible() && bar.lblArtist->isVisible());
        QImage cover(300, 300, QImage::Format_RGB32);
        cover.fill(Qt::red);
        bar.SetCoverArt(cover);
        QVERIFY(bar.imgCover->isVisible());
        bar.SetCoverArt(QImage());
        bar.SetNowPlaying(QString(), QString(), QString());
        QVERIFY(!bar.lblTitle->isVisible() && !bar.imgCover->isVisible());
    }

    void errorIsShownUntilTheNextPlay() {
        TFakePlayerEngine engine;
        TfraTransportBar bar(engine);
        bar.show();
        engine.SetURL(QStringLiteral("/music/it's \"odd\".mp3"));
        engine.Fail(QStringLiteral("Resource not found."));
        QCOMPARE(bar.StatusText(),
                 QStringLiteral("Cannot play \"it's \"odd\".mp3\": Resource not found."));
        QVERIFY(bar.lblStatus->isVisible());
        QVERIFY(!bar.trkSeek->isVisible());
        // Stopping or ending does not take the message away; a new file does.
        engine.Report(IPlayerEngine::psStopped);
        QVERIFY(!bar.StatusText().isEmpty());
        engine.SetURL(QStringLiteral("/music/next.mp3"));
        QVERIFY(bar.StatusText().isEmpty());
        QVERIFY(!bar.lblStatus->isVisible());
        QVERIFY(bar.trkSeek->isVisible());

        engine.Fail(QStringLiteral("Could not determine type of stream."));
        QVERIFY(bar.StatusText().contains(QStringLiteral("next.mp3")));
        engine.Report(IPlayerEngine::psPlaying);
        QVERIFY(bar.StatusText().isEmpty());
    }
};

QTEST_MAIN(TestTransportBar)
#include "test_transport_bar.moc"
