#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFont>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <functional>

#include "shell/FakePlayerEngine.h"
#include "shell/PlaybackTestSupport.h"
#include "support/FakePrompts.h"
#include "support/TempDir.h"
#include "ui/playback/uFraTransportBar.h"
#include "ui/playback/uPlaybackControl.h"
#include "ui/playback/uTransportMenu.h"
#include "ui/playlists/uFraPlayLists.h"
#include "ui/playlists/uFraPlayListsModel.h"
#include "ui/shell/uFrmMain.h"

using namespace orvanta;
using namespace orvanta::test;

namespace {

TPlayList ThreeTracks(std::int32_t Mode) {
    TPlayList list;
    list.SetUp("Evening", Mode);
    for (const char* path : {"/m/one.mp3", "/m/two.mp3", "/m/three.mp3"}) {
        list.InsertTrack(MakeTrackEntry(path, 100), -1);
    }
    return list;
}

} // namespace

class TestMainWindowPlayback : public QObject {
    Q_OBJECT

private slots:
    void theTransportBarFillsThePlayerStrip() {
        FakePrompts prompts;
        TFakePlayerEngine engine;
        TfrmMain window(prompts, nullptr, nullptr, &engine);
        QCOMPARE(window.wmpPlayer->parentWidget(), window.pnlPlayer);
        QCOMPARE(window.pnlPlayer->height(), 45);
        QCOMPARE(window.spdPlayFile->toolTip(), QStringLiteral("Play File"));
    }

    void playButtonsStopInsteadOfStartingWhilePlaying() {
        FakePrompts prompts;
        TFakePlayerEngine engine;
        TfrmMain window(prompts, nullptr, nullptr, &engine);
        window.PlayPlayList(ThreeTracks(pmNormal));
        QCOMPARE(window.spdPlayPlayList->toolTip(), QStringLiteral("Stop Playing Playlist"));
        QCOMPARE(window.windowTitle(), QStringLiteral("one \u2013 Orvanta"));

        // "Play File" of the other view: a stop, and no new file.
        window.spdPlayFile->click();
        QCOMPARE(engine.Calls.last(), QStringLiteral("stop"));
        QCOMPARE(engine.URLs(), QStringList{QStringLiteral("/m/one.mp3")});
        QVERIFY(!window.Playback->Playing());
        QCOMPARE(window.spdPlayPlayList->toolTip(), QStringLiteral("Play Playlist"));

        for (QToolButton* button : {window.spdPlayPlayList, window.spdPlayTrack}) {
            window.PlayFile(QStringLiteral("/m/file.mp3"));
            QCOMPARE(window.spdPlayFile->toolTip(), QStringLiteral("Stop Playing File"));
            const auto calls = engine.Calls.size();
            button->click();
            QCOMPARE(engine.Calls.size(), calls + 1);
            QCOMPARE(engine.Calls.last(), QStringLiteral("stop"));
            QCOMPARE(window.spdPlayFile->toolTip(), QStringLiteral("Play File"));
        }
        // Nothing plays after the stop: the caption is the program's name.
        QCOMPARE(window.windowTitle(), QStringLiteral("Orvanta"));
    }

    void theModeBoxLeavesTheRunningQueueAlone() {
        FakePrompts prompts;
        TFakePlayerEngine engine;
        TfrmMain window(prompts, nullptr, nullptr, &engine);
        window.SwitchView(EView::PlayLists);
        window.PlayPlayList(ThreeTracks(pmNormal));
        window.cmbPlayListMode->setCurrentIndex(1);
        emit window.cmbPlayListMode->activated(1);
        QCOMPARE(window.Playback->NowPlaying().PlayMode, pmNormal);
        for (int i = 0; i < 3; ++i) {
            engine.Report(IPlayerEngine::psMediaEnded);
        }
        QCOMPARE(engine.URLs().size(), 3);
        QVERIFY(!window.Playback->Playing());
    }

    void playFromHereAndThePlayingRowIsMarked() {
        FakePrompts prompts;
        TFakePlayerEngine engine;
        TfrmMain window(prompts, nullptr, nullptr, &engine);
        TTrackListModel* rows = window.PlayListsView()->TrackModel;
        rows->SetRows({{QStringLiteral(" one"), QString(), QStringLiteral("/m/one.mp3")},
                       {QStringLiteral(" two"), QString(), QStringLiteral("/m/two.mp3")}});
        QVERIFY(!window.wmpPlayer->cmdNext->isEnabled());
        window.PlayFromHere(ThreeTracks(pmNormal), 1);
        QCOMPARE(engine.URLs(), QStringList{QStringLiteral("/m/two.mp3")});
        QCOMPARE(window.wmpPlayer->lblTitle->text(), QStringLiteral("two"));
        QVERIFY(window.wmpPlayer->cmdNext->isEnabled() && window.mnuPlayNext->isEnabled());
        QCOMPARE(window.mnuPlayNext->shortcut(), QKeySequence(Qt::ALT | Qt::Key_Right));
        QVERIFY(rows->data(rows->index(1, 0), Qt::FontRole).value<QFont>().bold());
        QVERIFY(!rows->data(rows->index(0, 0), Qt::FontRole).isValid());
        window.wmpPlayer->cmdNext->click();
        QCOMPARE(engine.URLs().last(), QStringLiteral("/m/three.mp3"));
        // The last track of a Normal queue: nothing further.
        QVERIFY(!window.wmpPlayer->cmdNext->isEnabled());
        window.wmpPlayer->cmdStop->click();
        QVERIFY(!rows->data(rows->index(1, 0), Qt::FontRole).isValid());
        QVERIFY(!window.wmpPlayer->lblTitle->isVisible());
    }

    // A track shows its file name at once and its tags and cover once its file was read off
    // the window's thread; what was read for the track before never shows.
    void tagsAndCoverComeInAfterTheFileName() {
        TempDir dir;
        const QString tagged = MakeMp3(dir.str(), QStringLiteral("first"), 1,
                                       {QStringLiteral("--tt"), QStringLiteral("Morning Tone"),
                                        QStringLiteral("--ta"), QStringLiteral("Test Band")});
        QVERIFY2(!tagged.isEmpty(), "sox and lame make the test track");
        QImage(300, 150, QImage::Format_RGB32).save(QString::fromStdString(dir.file("cover.png")));
        std::filesystem::create_directory(dir.file("other"));
        const std::string plain = dir.file("other/second.mp3");
        WriteMp3(plain);
        FakePrompts prompts;
        TFakePlayerEngine engine;
        TfrmMain window(prompts, nullptr, nullptr, &engine);

        window.PlayFile(tagged);
        QCOMPARE(window.windowTitle(), QStringLiteral("first \u2013 Orvanta"));
        QTRY_COMPARE(window.windowTitle(),
                     QStringLiteral("Test Band \u2013 Morning Tone \u2013 Orvanta"));
        QVERIFY(!window.wmpPlayer->imgCover->isHidden());
        QCOMPARE(window.Playback->Current().Cover.size(), QSize(256, 128));

        // The first file's answer, if it comes at all, comes after the second started and
        // before the second's.
        window.PlayFile(tagged);
        window.PlayFile(QString::fromStdString(plain));
        QVERIFY(window.wmpPlayer->imgCover->isHidden());
        QTRY_VERIFY(window.Playback->Current().FileRead);
        QCOMPARE(window.windowTitle(), QStringLiteral("second \u2013 Orvanta"));
        QVERIFY(window.Playback->Current().Artist.isEmpty());
        QVERIFY(window.wmpPlayer->imgCover->isHidden());
    }

    void theServicesReachThePlayback() {
        FakePrompts prompts;
        TFakePlayerEngine engine;
        TfrmMain window(prompts, nullptr, nullptr, &engine);
        IMainServices& services = window;
        services.PlayTrack(QStringLiteral("/m/a track.mp3"));
        QCOMPARE(window.spdPlayTrack->toolTip(), QStringLiteral("Stop Playing Track"));
        QCOMPARE(engine.URLs(), QStringList{QStringLiteral("/m/a track.mp3")});
        engine.Report(IPlayerEngine::psMediaEnded);
        QCOMPARE(window.spdPlayTrack->toolTip(), QStringLiteral("Play Track"));
    }

    // A right-click anywhere on the strip opens its menu, whose items act as the strip's
    // controls and the Playback menu do; "Continue Through the List" is the menu's own action.
    void theStripsMenuActsAsItsControls() {
        FakePrompts prompts;
        TFakePlayerEngine engine;
        TfrmMain window(prompts, nullptr, nullptr, &engine);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.PlayPlayList(ThreeTracks(pmNormal));
        engine.Report(IPlayerEngine::psPlaying);
        QMenu* menu = window.TransportMenu->Menu();
        QVERIFY(menu->actions().contains(window.mnuPlaybackContinue));
        QVERIFY(menu->actions().contains(window.mnuPlayNext));
        QVERIFY(menu->findChild<QMenu*>(QStringLiteral("mnuReplayGain")));
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(2, 2),
                                window.wmpPlayer->cmdMute->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(window.wmpPlayer->cmdMute, &click);
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(window.TransportMenu->mnuPlayPause->text(), QStringLiteral("Pause"));
        menu->close();

        struct Step {
            QAction* Item;
            std::function<bool()> Done;
        };
        for (const Step& step :
             {Step{window.TransportMenu->mnuPlayPause,
                   [&] { return engine.Calls.last() == QStringLiteral("pause"); }},
              Step{window.TransportMenu->mnuMute, [&] { return window.wmpPlayer->Muted(); }},
              Step{window.mnuPlayNext,
                   [&] { return engine.URL() == QStringLiteral("/m/two.mp3"); }},
              Step{window.mnuPlaybackContinue, [&] { return window.ContinueThroughList(); }},
              Step{window.TransportMenu->mnuStop,
                   [&] { return engine.Calls.last() == QStringLiteral("stop"); }}}) {
            emit menu->aboutToShow();
            step.Item->trigger();
            QVERIFY2(step.Done(), qPrintable(step.Item->text()));
        }
    }

    void resizingThePlayerStripGivesItTheKeyboard() {
        FakePrompts prompts;
        TFakePlayerEngine engine;
        TfrmMain window(prompts, nullptr, nullptr, &engine);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.spdPlayFile->setFocus();
        window.resize(window.width() + 40, window.height());
        QTRY_COMPARE(QApplication::focusWidget(), window.wmpPlayer->cmdPlayPause);
    }
};

QTEST_MAIN(TestMainWindowPlayback)
#include "test_main_window_playback.moc"
