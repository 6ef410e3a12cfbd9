#include <QLabel>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include "shell/FakePlayerEngine.h"
#include "shell/uFraTransportBar.h"

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
        QCOMPARE(engine.Volume(), 0);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), bar.trkVolume);
        QCOMPARE(bar.trkVolume->value(), 50);
        // Moving the volume unmutes.
        QTest::keyClick(bar.trkVolume, Qt::Key_Left);
        QCOMPARE(engine.Volume(), 45);
        QVERIFY(!bar.cmdMute->isChecked());
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
