#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "support/FakePrompts.h"
#include "ui/playlists/uFraPlayLists.h"
#include "ui/shell/uFrmMain.h"

using namespace orvanta;

class TestMainWindow : public QObject {
    Q_OBJECT

    static bool shown(const TfrmMain& window, ECommand command) {
        return shown(window, window.ToolButton(command));
    }
    static bool shown(const TfrmMain& window, const QWidget* control) {
        return control->isVisibleTo(window.pnlToolButtons);
    }

    // Where a control is along the tool bar row.
    static int left(const TfrmMain& window, const QWidget* control) {
        return control->mapTo(window.pnlToolButtons, QPoint()).x();
    }
    static bool extensionShown(const TfrmMain& window, EView view) {
        const auto* extension = window.CommandBar(view)->findChild<QToolButton*>(
            QStringLiteral("qt_toolbar_ext_button"));
        return extension && extension->isVisible();
    }

    static void checkNothingOverlaps(TfrmMain& window) {
        for (EView view : {EView::Media, EView::PlayLists}) {
            window.SwitchView(view);
            QList<QRect> shown;
            for (QWidget* control : window.pnlToolButtons->findChildren<QWidget*>(
                     QString(), Qt::FindDirectChildrenOnly))
                if (control->isVisible()) {
                    QVERIFY(window.pnlToolButtons->rect().contains(control->geometry()));
                    for (const QRect& other : shown)
                        QVERIFY(!other.intersects(control->geometry()));
                    shown << control->geometry();
                }
        }
    }

private slots:
    void startsInMyMusicWithItsControls() {
        test::FakePrompts prompts;
        TfrmMain window(prompts);
        // The bars place their buttons once shown.
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.windowTitle(), QStringLiteral("Orvanta"));
        QCOMPARE(window.CurrentView(), EView::Media);
        QVERIFY(window.spdViewMedia->isChecked());
        QVERIFY(window.mnuViewMedia->isChecked());
        for (ECommand command :
             {ECommand::MediaPlayFile, ECommand::MediaLocateFile, ECommand::MediaEditMP3Tag,
              ECommand::MediaAddFiles, ECommand::MediaRemoveFiles, ECommand::MediaRefreshMedia,
              ECommand::MediaAddFilesToPlayList})
            QVERIFY2(shown(window, command), qPrintable(QString::number(int(command))));
        for (ECommand command : {ECommand::PlayListsPlay, ECommand::PlayListsNew,
                                 ECommand::PlayListsPlayTrack, ECommand::PlayListsMoveTrackDown})
            QVERIFY2(!shown(window, command), qPrintable(QString::number(int(command))));
        QVERIFY(shown(window, window.cmbPlayLists));
        QVERIFY(!shown(window, window.cmbPlayListMode) && !shown(window, window.lblPlayListInfo));
        QCOMPARE(window.cmbPlayListMode->count(), 3);
        QCOMPARE(window.cmbPlayListMode->currentText(), QStringLiteral("Play Normal"));
        // The view not in the first picture follows it unasked (its playlists' saving with it).
        QTRY_VERIFY(window.findChild<TfraPlayLists*>());
    }

    void viewMenuAndButtonsSwitchInStep() {
        test::FakePrompts prompts;
        TfrmMain window(prompts);
        // The bars place their buttons once shown.
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.mnuViewPlayLists->trigger();
        QCOMPARE(window.CurrentView(), EView::PlayLists);
        QVERIFY(window.spdViewPlayLists->isChecked());
        QVERIFY(!window.spdViewMedia->isChecked());
        QVERIFY(window.mnuViewPlayLists->isChecked());
        for (ECommand command :
             {ECommand::PlayListsPlay, ECommand::PlayListsNew, ECommand::PlayListsRename,
              ECommand::PlayListsRemove, ECommand::PlayListsShuffle, ECommand::PlayListsPlayTrack,
              ECommand::PlayListsRemoveTracks, ECommand::PlayListsMoveTrackUp,
              ECommand::PlayListsMoveTrackDown})
            QVERIFY(shown(window, command));
        QVERIFY(shown(window, window.cmbPlayListMode) && shown(window, window.lblPlayListInfo));
        for (ECommand command : {ECommand::MediaPlayFile, ECommand::MediaRefreshMedia,
                                 ECommand::MediaAddFilesToPlayList})
            QVERIFY(!shown(window, command));
        QVERIFY(!shown(window, window.cmbPlayLists));
        // The view buttons are never hidden.
        QVERIFY(shown(window, window.spdViewMedia) && shown(window, window.spdViewPlayLists));

        window.spdViewMedia->click();
        QCOMPARE(window.CurrentView(), EView::Media);
        QVERIFY(window.mnuViewMedia->isChecked());
        QVERIFY(shown(window, ECommand::MediaAddFilesToPlayList));
        QVERIFY(!shown(window, window.cmbPlayListMode));
    }

    void addFilesFromTheMenuKeepsTheView() {
        test::FakePrompts prompts;
        TfrmMain window(prompts);
        window.mnuViewPlayLists->trigger();
        window.MenuAction(QStringLiteral("mnuFileAddFiles"))->trigger();
        QCOMPARE(window.CurrentView(), EView::PlayLists);
    }

    void aboutBoxGoesThroughPrompts() {
        test::FakePrompts prompts;
        TfrmMain window(prompts);
        window.MenuAction(QStringLiteral("mnuHelpAbout"))->trigger();
        QCOMPARE(prompts.Messages.size(), size_t(1));
        QCOMPARE(prompts.Messages[0].Caption, QStringLiteral("About Orvanta"));
        QCOMPARE(prompts.Messages[0].Text, QStringLiteral("Version 2.60"));
    }

    void refusesToShrinkAndRightControlsFollowTheEdge() {
        test::FakePrompts prompts;
        TfrmMain window(prompts);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // At the default size every button shows and a long playlist's info is whole.
        const QString typical = QStringLiteral("10:00:00 (1234 Tracks)");
        window.SwitchView(EView::PlayLists);
        window.SetPlayListInfo(typical);
        QCOMPARE(window.lblPlayListInfo->text(), typical);
        QVERIFY(!extensionShown(window, EView::PlayLists));
        const int natural = window.width();
        checkNothingOverlaps(window);

        window.resize(200, 200);
        // Buttons fold down to the overflow button; the boxes and the info label keep their
        // room, so nothing overlaps at the least width either.
        QTRY_COMPARE(window.size(), window.minimumSize().expandedTo(window.minimumSizeHint()));
        QVERIFY(window.minimumWidth() < 760);
        QCOMPARE(window.minimumHeight(), 285);
        checkNothingOverlaps(window);
        window.resize(natural, 570);
        QTRY_COMPARE(window.lblPlayListInfo->text(), typical);
        QVERIFY(!extensionShown(window, EView::PlayLists));
        window.SwitchView(EView::Media);
        QTRY_VERIFY(!extensionShown(window, EView::Media));

        QWidget* refresh = window.ToolButton(ECommand::MediaRefreshMedia);
        const int comboLeft = left(window, window.cmbPlayLists);
        const int addLeft = left(window, window.spdAddToPlayList);
        const int refreshLeft = left(window, refresh);
        const int wider = 960 - window.width();
        window.resize(960, 570);
        QTRY_COMPARE(left(window, window.cmbPlayLists), comboLeft + wider);
        QCOMPARE(left(window, window.spdAddToPlayList), addLeft + wider);
        QCOMPARE(left(window, refresh), refreshLeft);
    }

    void commandButtonsShareTheMenuItemsActions() {
        test::FakePrompts prompts;
        TfrmMain window(prompts);
        const std::pair<ECommand, const char*> shared[] = {
            {ECommand::MediaEditMP3Tag, "mnuEditMP3Tag"},
            {ECommand::MediaAddFiles, "mnuFileAddFiles"},
            {ECommand::MediaRefreshMedia, "mnuEditRefreshMedia"},
            {ECommand::MediaAddFolder, "mnuFileAddFolder"},
            {ECommand::PlayListsNew, "mnuFileNewPlayList"},
            {ECommand::PlayListsRename, "mnuEditRenamePlayList"}};
        for (const auto& [command, name] : shared) {
            QAction* item = window.MenuAction(QString::fromLatin1(name));
            QCOMPARE(window.CommandAction(command), item);
            QCOMPARE(window.ToolButton(command)->defaultAction(), item);
        }
        // The view buttons are the View menu's items.
        QCOMPARE(window.spdViewMedia->defaultAction(), window.mnuViewMedia);
        QCOMPARE(window.spdViewPlayLists->defaultAction(), window.mnuViewPlayLists);
        QCOMPARE(window.spdViewMedia->toolTip(), QStringLiteral("View My Music"));
        QCOMPARE(window.ToolButton(ECommand::MediaEditMP3Tag)->toolTip(),
                 QStringLiteral("Edit MP3 Tag"));
    }

    void longPlayListInfoIsElidedOnlyWhenThereIsNoRoom() {
        test::FakePrompts prompts;
        TfrmMain window(prompts);
        window.mnuViewPlayLists->trigger();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QString info = QStringLiteral("100:00:00 (12345 Tracks)");
        window.SetPlayListInfo(info);
        const QLabel* label = window.lblPlayListInfo;
        QVERIFY(left(window, label) + label->width() <= window.pnlToolButtons->width());
        if (label->text() != info)
            QCOMPARE(label->toolTip(), info);
        window.resize(1100, 570);
        QTRY_COMPARE(label->text(), info);
        QCOMPARE(window.PlayListInfo(), info);
    }

    void firstActivationIsSignalledOnce() {
        test::FakePrompts prompts;
        TfrmMain window(prompts);
        int activations = 0;
        connect(&window, &TfrmMain::FirstActivated, [&activations] { ++activations; });
        window.show();
        window.activateWindow();
        QTRY_COMPARE(activations, 1);
        QWidget other;
        other.show();
        other.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &other);
        window.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &window);
        QCOMPARE(activations, 1);
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
