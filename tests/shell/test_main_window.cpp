#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QTest>
#include <QToolButton>

#include "support/FakePrompts.h"
#include "ui/shell/uFrmMain.h"

using namespace orvanta;

class TestMainWindow : public QObject {
    Q_OBJECT

    static bool shown(const TfrmMain& window, int tag) {
        return window.ToolControl(tag)->isVisibleTo(window.pnlToolButtons);
    }

    static void checkNothingOverlaps(TfrmMain& window) {
        for (int view : {1, 2}) {
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
        QCOMPARE(window.windowTitle(), QStringLiteral("Orvanta"));
        QCOMPARE(window.CurrentView(), 1);
        QVERIFY(window.spdViewMedia->isChecked());
        QVERIFY(window.mnuViewMedia->isChecked());
        for (int tag : {100, 101, 102, 103, 104, 105, 107, 150})
            QVERIFY2(shown(window, tag), qPrintable(QString::number(tag)));
        for (int tag : {200, 201, 205, 208, 250, 251})
            QVERIFY2(!shown(window, tag), qPrintable(QString::number(tag)));
        QCOMPARE(window.cmbPlayListMode->count(), 3);
        QCOMPARE(window.cmbPlayListMode->currentText(), QStringLiteral("Play Normal"));
    }

    void viewMenuAndButtonsSwitchInStep() {
        test::FakePrompts prompts;
        TfrmMain window(prompts);
        window.mnuViewPlayLists->trigger();
        QCOMPARE(window.CurrentView(), 2);
        QVERIFY(window.spdViewPlayLists->isChecked());
        QVERIFY(!window.spdViewMedia->isChecked());
        QVERIFY(window.mnuViewPlayLists->isChecked());
        for (int tag : {200, 201, 202, 203, 204, 205, 206, 207, 208, 250, 251})
            QVERIFY(shown(window, tag));
        for (int tag : {100, 105, 107, 150})
            QVERIFY(!shown(window, tag));
        // The view buttons and the bevel are never hidden.
        QVERIFY(shown(window, 1) && shown(window, 2) && shown(window, 0));

        window.spdViewMedia->click();
        QCOMPARE(window.CurrentView(), 1);
        QVERIFY(window.mnuViewMedia->isChecked());
        QVERIFY(shown(window, 107));
        QVERIFY(!shown(window, 250));
    }

    void addFilesFromTheMenuKeepsTheView() {
        test::FakePrompts prompts;
        TfrmMain window(prompts);
        window.mnuViewPlayLists->trigger();
        window.MenuAction(QStringLiteral("mnuFileAddFiles"))->trigger();
        QCOMPARE(window.CurrentView(), 2);
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
        window.SwitchView(2);
        window.SetPlayListInfo(typical);
        QCOMPARE(window.lblPlayListInfo->text(), typical);
        QVERIFY(!window.spdToolOverflow->isVisible());
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
        QVERIFY(!window.spdToolOverflow->isVisible());
        window.SwitchView(1);

        const int comboLeft = window.cmbPlayLists->x();
        const int addLeft = window.spdAddToPlayList->x();
        const int refreshLeft = window.ToolControl(105)->x();
        const int wider = 960 - window.width();
        window.resize(960, 570);
        QTRY_COMPARE(window.cmbPlayLists->x(), comboLeft + wider);
        QCOMPARE(window.spdAddToPlayList->x(), addLeft + wider);
        QCOMPARE(window.ToolControl(105)->x(), refreshLeft);
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
        QVERIFY(label->x() + label->width() <= window.pnlToolButtons->width());
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
