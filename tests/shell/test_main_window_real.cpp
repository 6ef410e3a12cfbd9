#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include "shell/PlaybackTestSupport.h"
#include "support/FakePrompts.h"
#include "support/TempDir.h"
#include "ui/playback/uFraTransportBar.h"
#include "ui/playback/uPlaybackControl.h"
#include "ui/playback/uPlayerEngine.h"
#include "ui/shell/uFrmMain.h"

using namespace orvanta;
using namespace orvanta::test;

class TestMainWindowReal : public QObject {
    Q_OBJECT

private slots:
    // Two pictures of the window a second apart while a track plays: the time has moved.
    // With ORVANTA_SCREENSHOT_DIR set they are kept there as PNG files.
    void theTimeMovesWhileATrackPlays() {
        const QString track = MakeMp3(FDir.str(), QStringLiteral("Evening Tone"), 3.5,
                                      {QStringLiteral("--ta"), QStringLiteral("Test Band"),
                                       QStringLiteral("--tl"), QStringLiteral("Tones of the Day")});
        QVERIFY2(!track.isEmpty(), "sox and lame are needed to make the test track");
        FakePrompts prompts;
        TGstPlayerEngine engine(QStringLiteral("fakesink sync=true"));
        TfrmMain window(prompts, nullptr, nullptr, &engine);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        window.PlayFile(track);
        QVERIFY(
            QTest::qWaitFor([&] { return engine.PlayState() == IPlayerEngine::psPlaying; }, 5000));
        // The tag has no title: the file's name stands in for it.
        QTRY_COMPARE(window.windowTitle(),
                     QStringLiteral("Test Band \u2013 Evening Tone \u2013 Orvanta"));
        QCOMPARE(window.wmpPlayer->lblArtist->toolTip(),
                 QStringLiteral("Evening Tone\nTest Band \u2013 Tones of the Day"));
        QImage cover(200, 200, QImage::Format_RGB32);
        cover.fill(QColor(200, 120, 40));
        window.ShowCoverArt(cover);
        QVERIFY(window.wmpPlayer->imgCover->isVisible());
        // The time and the slider follow the playing file.
        QTRY_VERIFY(window.wmpPlayer->trkSeek->value() > 0);
        const QString elapsed1 = window.wmpPlayer->ElapsedText();
        const int slider1 = window.wmpPlayer->trkSeek->value();
        const QImage shot1 = window.grab().toImage();
        QTRY_VERIFY_WITH_TIMEOUT(window.wmpPlayer->ElapsedText() != elapsed1 &&
                                     window.wmpPlayer->trkSeek->value() - slider1 > 700,
                                 3000);
        const QString elapsed2 = window.wmpPlayer->ElapsedText();
        const int slider2 = window.wmpPlayer->trkSeek->value();
        const QImage shot2 = window.grab().toImage();

        QCOMPARE(window.wmpPlayer->TotalText(), QStringLiteral("0:03"));
        QVERIFY2(elapsed1 != elapsed2, qPrintable(elapsed1 + QStringLiteral(" ") + elapsed2));
        QVERIFY(slider2 - slider1 > 700);
        QVERIFY(shot1 != shot2);
        const QString keep = qEnvironmentVariable("ORVANTA_SCREENSHOT_DIR");
        if (!keep.isEmpty()) {
            QVERIFY(shot1.save(keep + QStringLiteral("/playing-1.png")));
            QVERIFY(shot2.save(keep + QStringLiteral("/playing-2.png")));
        }
        QVERIFY(QTest::qWaitFor([&] { return !window.Playback->Playing(); }, 4000));
        QCOMPARE(window.spdPlayFile->toolTip(), QStringLiteral("Play File"));
    }

    void aFileThatCannotBePlayedIsNamedInThePlayerStrip() {
        FakePrompts prompts;
        TGstPlayerEngine engine(QStringLiteral("fakesink sync=true"));
        TfrmMain window(prompts, nullptr, nullptr, &engine);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.PlayFile(QString::fromStdString(FDir.file("Not There.mp3")));
        QVERIFY(QTest::qWaitFor([&] { return !window.Playback->Playing(); }, 5000));
        QVERIFY(window.wmpPlayer->lblStatus->isVisible());
        qInfo("%s", qPrintable(window.wmpPlayer->StatusText()));
        QVERIFY(window.wmpPlayer->StatusText().startsWith(
            QStringLiteral("Cannot play \"Not There.mp3\": ")));
        // Nothing modal: the window is still the active one, and no box was shown.
        QVERIFY(prompts.Messages.empty());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        const QString keep = qEnvironmentVariable("ORVANTA_SCREENSHOT_DIR");
        if (!keep.isEmpty()) {
            QTest::qWait(100); // the strip's late paint has no signal to wait for
            QVERIFY(window.grab().save(keep + QStringLiteral("/cannot-play.png")));
        }
    }

private:
    TempDir FDir;
};

QTEST_MAIN(TestMainWindowReal)
#include "test_main_window_real.moc"
