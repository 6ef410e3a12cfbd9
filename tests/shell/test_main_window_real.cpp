#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include "shell/PlaybackTestSupport.h"
#include "support/FakePrompts.h"
#include "support/HomeWithLibrary.h"
#include "support/TempDir.h"
#include "ui/common/uTOptions.h"
#include "ui/playback/uFraTransportBar.h"
#include "ui/playback/uPlaybackControl.h"
#include "ui/playback/uPlayerEngine.h"
#include "ui/playlists/uFraPlayLists.h"
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

    // With "Resume at Start-up" on, a restart brings back the queue, its mode, the track and
    // the point reached, paused; a track that is gone brings back nothing and says nothing.
    void playbackResumesPausedAfterARestart() {
        test::THomeWithLibrary home;
        TOptions options;
        FakePrompts prompts;
        const QString first = MakeMp3(home.Music, QStringLiteral("first"), 8);
        const QString second = MakeMp3(home.Music, QStringLiteral("second"), 8);
        QVERIFY(!first.isEmpty() && !second.isEmpty());
        std::unique_ptr<TGstPlayerEngine> engine;
        std::unique_ptr<TfrmMain> window;
        const auto open = [&] {
            window.reset();
            engine = std::make_unique<TGstPlayerEngine>(QStringLiteral("fakesink sync=true"));
            window = std::make_unique<TfrmMain>(prompts, &options, nullptr, engine.get());
            window->InitializeViews(home.DB, *home.PlayLists, home.Types);
            window->show();
            return QTest::qWaitForWindowExposed(window.get());
        };

        QVERIFY(open());
        QVERIFY(!window->mnuPlaybackResume->isChecked());
        window->mnuPlaybackResume->setChecked(true);
        TPlayList queue;
        queue.SetUp("Two", pmLoop);
        for (const QString& file : {first, second})
            queue.InsertTrack(MakeTrackEntry(file.toStdString(), 8), -1);
        window->PlayFromHere(queue, 1);
        QTRY_COMPARE_WITH_TIMEOUT(engine->PlayState(), int(IPlayerEngine::psPlaying), 5000);
        engine->Seek(3000);
        QTRY_VERIFY(engine->Position() >= 3000);
        window->close();

        QVERIFY(open());
        QTRY_COMPARE_WITH_TIMEOUT(engine->PlayState(), int(IPlayerEngine::psPaused), 5000);
        QCOMPARE(engine->URL(), second);
        QTRY_VERIFY(engine->Position() >= 2500);
        QVERIFY(window->Playback->Playing());
        QCOMPARE(window->Playback->NowPlaying().Count(), 2);
        QCOMPARE(window->Playback->PlayMode(), pmLoop);
        QCOMPARE(engine->Volume(), window->wmpPlayer->Volume());
        window->close();

        QVERIFY(QFile::remove(second));
        QVERIFY(open());
        QTRY_VERIFY(window->findChild<TfraPlayLists*>() != nullptr);
        QTest::qWait(300); // the restore's last turn has nothing to show when it brings nothing
        QVERIFY(engine->URL().isEmpty() && !window->Playback->Playing());
        QVERIFY(prompts.Messages.empty());
        window.reset();
    }

private:
    TempDir FDir;
};

QTEST_MAIN(TestMainWindowReal)
#include "test_main_window_real.moc"
