// What a new user, a keyboard user and a screen reader user meet in the main window: the hint
// of an empty library, the help, the names of the controls and the seek slider's announcements.
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QWidgetAction>
#include <memory>

#include "shell/FakePlayerEngine.h"
#include "support/FakePrompts.h"
#include "support/HomeWithLibrary.h"
#include "support/Mp3Files.h"
#include "ui/common/uQuietSlider.h"
#include "ui/common/uTOptions.h"
#include "ui/library/uFraMedia.h"
#include "ui/library/uMediaFirstRun.h"
#include "ui/metadata/uFrmMP3Tag.h"
#include "ui/playback/uFraTransportBar.h"
#include "ui/playlists/uFraPlayLists.h"
#include "ui/shell/uFrmHelp.h"
#include "ui/shell/uFrmMain.h"

using namespace orvanta;

namespace {

bool interactive(const QWidget& Widget) {
    return Widget.focusPolicy() != Qt::NoFocus || qobject_cast<const QAbstractButton*>(&Widget) ||
           qobject_cast<const QAbstractSlider*>(&Widget) ||
           qobject_cast<const QLineEdit*>(&Widget) || qobject_cast<const QComboBox*>(&Widget) ||
           qobject_cast<const QAbstractItemView*>(&Widget);
}

// The interactive widgets under Top that a screen reader would meet without a name.
QStringList nameless(const QWidget& Top) {
    QStringList found;
    for (QWidget* widget : Top.findChildren<QWidget*>()) {
        // Scroll bars and headers are parts of their view, which Qt reports with them.
        // A combo box's list is a window of its own, reported with the box.
        if (!interactive(*widget) || widget->isHidden() || widget->window() != Top.window() ||
            qobject_cast<QScrollBar*>(widget) || qobject_cast<QHeaderView*>(widget))
            continue;
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
        if (!face || face->text(QAccessible::Name).trimmed().isEmpty())
            found << widget->parentWidget()->objectName() + QLatin1Char('/') +
                         widget->objectName() + QLatin1Char(' ') +
                         QLatin1String(widget->metaObject()->className());
    }
    return found;
}

} // namespace

class TestWindowReach : public QObject {
    Q_OBJECT

    std::unique_ptr<test::THomeWithLibrary> Lib;
    std::unique_ptr<TOptions> Options;
    test::FakePrompts Prompts;
    test::TFakePlayerEngine Engine;

    std::unique_ptr<TfrmMain> Open(int Rows) {
        Lib = std::make_unique<test::THomeWithLibrary>(test::THomeWithLibrary::TPlayListFiles{},
                                                       Rows);
        Options = std::make_unique<TOptions>();
        auto window = std::make_unique<TfrmMain>(Prompts, Options.get(), nullptr, &Engine);
        window->InitializeViews(Lib->DB, *Lib->PlayLists, Lib->Types);
        window->show();
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()) || !QTest::qWaitFor([&w = *window] {
                return !w.fraMedia1->ListPending() && !w.fraMedia1->Busy();
            }))
            return nullptr;
        return window;
    }

private slots:
    void emptyLibraryShowsTheFirstRunHint() {
        const auto window = Open(0);
        QVERIFY(window);
        TMediaFirstRun* hint = window->fraMedia1->pnlFirstRun;
        QVERIFY(hint && hint->isVisible());
        QVERIFY(!window->fraMedia1->lvwMedia->isVisible());
        // The check boxes and the menu items are one setting each, either way round.
        QAction* follow = window->MenuAction(QStringLiteral("mnuViewFollowFolders"));
        QAction* next = window->MenuAction(QStringLiteral("mnuPlaybackContinue"));
        struct Switch {
            QCheckBox* Box;
            QAction* Item;
        };
        for (const Switch& s :
             {Switch{hint->chkFollowFolders, follow}, Switch{hint->chkContinue, next}}) {
            s.Box->click();
            QVERIFY(s.Item->isChecked());
            s.Item->setChecked(false);
            QVERIFY(!s.Box->isChecked());
        }
        hint->chkFollowFolders->click();
        QVERIFY(Options->FollowFolders && window->fraMedia1->FollowingFolders());
        // Rows arriving take the hint away.
        const std::string file = test::makeMp3(Lib->Music, "a.mp3", 0.2);
        QVERIFY(!file.empty());
        window->fraMedia1->AddPaths({QString::fromStdString(file)});
        QTRY_VERIFY(window->fraMedia1->MediaModel->rowCount() == 1);
        QTRY_VERIFY(!hint->isVisible() && window->fraMedia1->lvwMedia->isVisible());
    }

    void f1OpensTheHelpWithTheKeys() {
        const auto window = Open(1);
        QVERIFY(window && !window->fraMedia1->pnlFirstRun->isVisible());
        QTest::keyClick(window.get(), Qt::Key_F1);
        auto* help = window->findChild<TfrmHelp*>();
        QVERIFY(help && help->isVisible());
        const QString text = help->txtHelp->toPlainText();
        for (const char* key : {"Ctrl+O", "F5", "Ctrl+E", "MyMedia.edb", "M3U", "orvanta-cli"})
            QVERIFY2(text.contains(QLatin1String(key)), key);
    }

    void everyControlHasAName() {
        const auto window = Open(1);
        QVERIFY(window);
        window->SwitchView(EView::PlayLists);
        window->SwitchView(EView::Media);
        TfrmMP3Tag tag(Prompts);
        const std::string file = test::makeMp3(Lib->Music, "t.mp3", 0.2);
        QVERIFY(tag.LoadFile(Lib->DB, QString::fromStdString(Lib->Music), QStringLiteral("t.mp3")));
        TfrmHelp help;
        for (const QWidget* top :
             std::initializer_list<const QWidget*>{window.get(), &tag, &help}) {
            const QStringList missing = nameless(*top);
            QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(", "))));
        }
    }

    // Tab alone reaches every view's lists and boxes and the transport bar; the menus carry
    // every command of the tool bars.
    void keyboardReachesEverything() {
        const auto window = Open(1);
        QVERIFY(window);
        const auto tabbed = [&window] {
            QSet<QWidget*> reached;
            window->fraMedia1->lvwMedia->isVisible() ? window->fraMedia1->lvwMedia->setFocus()
                                                     : window->setFocus();
            for (int i = 0; i < 60; ++i) {
                reached.insert(QApplication::focusWidget());
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            }
            return reached;
        };
        const TfraTransportBar& bar = *window->wmpPlayer;
        const QSet<QWidget*> media = tabbed();
        for (QWidget* control : std::initializer_list<QWidget*>{
                 window->fraMedia1->cmbFilter, window->fraMedia1->lstItems,
                 window->fraMedia1->txtSearch, window->fraMedia1->lvwMedia, window->cmbPlayLists,
                 bar.cmdPlayPause, bar.trkSeek})
            QVERIFY2(media.contains(control), qPrintable(control->objectName()));
        QSet<QString> inMenus;
        for (QAction* title : window->menuBar()->actions())
            for (QAction* item : title->menu()->actions())
                inMenus.insert(item->text().remove(QLatin1Char('&')));
        window->SwitchView(EView::PlayLists);
        const QSet<QWidget*> lists = tabbed();
        for (QWidget* control : std::initializer_list<QWidget*>{
                 window->PlayListsView()->lstPlayLists, window->PlayListsView()->lvwTracks,
                 window->cmbPlayListMode, bar.trkVolume})
            QVERIFY2(lists.contains(control), qPrintable(control->objectName()));
        for (QToolBar* bar : window->findChildren<QToolBar*>())
            for (QAction* command : bar->actions())
                // The play buttons are Playback > Play/Pause's.
                if (!command->text().isEmpty() && !command->isSeparator() &&
                    !qobject_cast<QWidgetAction*>(command) &&
                    command != window->CommandAction(ECommand::MediaPlayFile) &&
                    command != window->CommandAction(ECommand::PlayListsPlay) &&
                    command != window->CommandAction(ECommand::PlayListsPlayTrack))
                    QVERIFY2(inMenus.contains(command->text().remove(QLatin1Char('&'))),
                             qPrintable(command->text()));
    }

    // While the position moves every tick the seek slider is announced about once a second;
    // the user's move at once. (Qt passes value changes on only while a screen reader
    // listens, so the rule is asked as its update handler asks it.)
    void seekSliderAnnouncesSparingly() {
        TfraTransportBar bar(Engine);
        TQuietSlider& seek = *bar.trkSeek;
        QVERIFY(seek.Announces(true));
        for (int tick = 0; tick < 20; ++tick)
            QVERIFY(!seek.Announces(true));
        QVERIFY(seek.Announces(false));
        QVERIFY(!seek.Announces(true));
        bool announced = false;
        QTRY_VERIFY_WITH_TIMEOUT(announced || (announced = seek.Announces(true)),
                                 2 * TQuietSlider::AnnounceMs);
    }
};

QTEST_MAIN(TestWindowReach)
#include "test_window_reach.moc"
