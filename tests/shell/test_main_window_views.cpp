#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <filesystem>
#include <fstream>
#include <memory>

#include "core/common/uDataPaths.h"
#include "core/common/uDisplayUtils.h"
#include "core/library/uTMyMediaDB.h"
#include "core/playlists/uTPlayListManager.h"
#include "shell/FakePlayerEngine.h"
#include "support/DropFiles.h"
#include "support/FakePrompts.h"
#include "support/HomeWithLibrary.h"
#include "support/LibraryQueries.h"
#include "support/Mp3Files.h"
#include "support/TempDir.h"
#include "ui/app/uApplication.h"
#include "ui/common/uQtPath.h"
#include "ui/library/uFraMedia.h"
#include "ui/playlists/uFraPlayLists.h"
#include "ui/playlists/uFraPlayListsM3U.h"
#include "ui/playlists/uFraPlayListsModel.h"
#include "ui/shell/uFrmMain.h"

using namespace orvanta;

namespace {

// The main window with both views on a real library and real playlists.
struct Fixture : test::THomeWithLibrary {
    test::FakePrompts Prompts;
    test::TFakePlayerEngine Engine;
    std::unique_ptr<TfrmMain> Window;

    Fixture() : THomeWithLibrary({{"Jazz", "1\r\n/m/a.mp3*60"}, {"Rock", "0"}}) {
        RowIn(Home.str(), "b.mp3", 1, "B", "", "", "", "", 30, 128);
        Window = std::make_unique<TfrmMain>(Prompts, nullptr, nullptr, &Engine);
        Window->InitializeViews(DB, *PlayLists, Types);
        // Built at once rather than after a first paint: the window is never shown here.
        Window->PlayListsView();
        // My Music's list and its purge come from its library worker.
        QVERIFY(QTest::qWaitFor(
            [this] { return !Window->fraMedia1->ListPending() && !Window->fraMedia1->Busy(); }));
    }
    void Click(ECommand Command) { Window->ToolButton(Command)->click(); }
    QStringList Combo() const {
        QStringList names;
        for (int i = 0; i < Window->cmbPlayLists->count(); ++i)
            names << Window->cmbPlayLists->itemText(i);
        return names;
    }
};

} // namespace

class TestMainWindowViews : public QObject {
    Q_OBJECT

private slots:
    void playListBoxFollowsTheManager() {
        Fixture f;
        QCOMPARE(f.Combo(), (QStringList{QStringLiteral("Jazz"), QStringLiteral("Rock")}));
        QCOMPARE(f.Window->cmbPlayLists->currentIndex(), 0);
        QCOMPARE(f.Window->fraMedia1->MediaModel->rowCount(), 1);
        QCOMPARE(f.Window->PlayListInfo(), QStringLiteral("00:01:00 (1 Tracks)"));
        QCOMPARE(f.Window->cmbPlayListMode->currentText(), QStringLiteral("Play Loop"));

        // A rename in the Playlists view refills the box and selects its first item.
        f.Window->cmbPlayLists->setCurrentIndex(1);
        f.Window->mnuViewPlayLists->trigger();
        f.Prompts.TextAnswers = {QStringLiteral("Bebop")};
        f.Click(ECommand::PlayListsRename);
        QCOMPARE(f.Combo(), (QStringList{QStringLiteral("Bebop"), QStringLiteral("Rock")}));
        QCOMPARE(f.Window->cmbPlayLists->currentIndex(), 0);
        f.Prompts.TextAnswers = {QStringLiteral("Soul")};
        f.Click(ECommand::PlayListsNew);
        QCOMPARE(f.Combo().last(), QStringLiteral("Soul"));
    }

    // Playlists another program made or removed come into the box with the choice kept; a
    // name that is not UTF-8 is the target of its bytes.
    void playListBoxKeepsTheChoiceAndTheBytes() {
        Fixture f;
        f.Window->cmbPlayLists->setCurrentIndex(1);
        f.Home.write("Playlists/Caf\xe9.ply", "0");
        std::filesystem::remove(f.Home.file("Playlists/Jazz.ply"));
        f.Window->PlayListsView()->SavePlayLists();
        QCOMPARE(f.Combo(), (QStringList{QStringLiteral("Rock"), QStringLiteral("Caf\uFFFD")}));
        QCOMPARE(f.Window->cmbPlayLists->currentText(), QStringLiteral("Rock"));
        f.Window->cmbPlayLists->setCurrentIndex(1);
        f.Window->fraMedia1->SelectRows({0});
        f.Click(ECommand::MediaAddFilesToPlayList);
        QCOMPARE(f.PlayLists->FindByName("Caf\xe9")->Count(), 1);
    }

    // A dropped file whose name holds a line break is refused by name; the file stays whole.
    void aDropThatAPlayListCannotHoldIsRefused() {
        Fixture f;
        const std::string bad = f.Home.file("a\nb.mp3");
        test::WriteMp3(bad);
        const std::string before = test::readAll(f.Home.file("Playlists/Rock.ply"));
        f.Window->mnuViewPlayLists->trigger();
        QListWidget* names = f.Window->PlayListsView()->lstPlayLists;
        QVERIFY(test::DropFiles(names->viewport(), names->visualItemRect(names->item(1)).center(),
                                {PathToQString(bad)}));
        QTRY_VERIFY(!f.Prompts.Messages.empty());
        QCOMPARE(f.Prompts.Messages.back().Text, PathForDisplay(PlayListRefusalMessage(bad)));
        f.Window->PlayListsView()->SavePlayLists();
        QCOMPARE(test::readAll(f.Home.file("Playlists/Rock.ply")), before);
    }

    void addToPlayListRefreshesThePlayListsView() {
        Fixture f;
        f.Window->fraMedia1->SelectRows({0});
        f.Click(ECommand::MediaAddFilesToPlayList);
        QCOMPARE(f.PlayLists->FindByName("Jazz")->Count(), 2);
        QCOMPARE(f.Window->PlayListsView()->TrackModel->rowCount(), 2);
        QCOMPARE(f.Window->PlayListInfo(), QStringLiteral("00:01:30 (2 Tracks)"));
    }

    void modeBoxSetsTheSelectedPlayListsMode() {
        Fixture f;
        f.Window->mnuViewPlayLists->trigger();
        f.Window->cmbPlayListMode->setCurrentIndex(2);
        emit f.Window->cmbPlayListMode->activated(2);
        QCOMPARE(f.PlayLists->FindByName("Jazz")->PlayMode, pmRandom);
        f.Window->PlayListsView()->SelectPlayList(1);
        QCOMPARE(f.Window->cmbPlayListMode->currentIndex(), 0);
    }

    void playButtonsReachThePlayerThroughTheViews() {
        Fixture f;
        f.Window->fraMedia1->SelectRows({0});
        f.Click(ECommand::MediaPlayFile);
        QCOMPARE(f.Engine.URL(), QString::fromStdString(f.Home.file("b.mp3")));
        f.Engine.Report(IPlayerEngine::psMediaEnded); // nothing follows a single file
        f.Window->mnuViewPlayLists->trigger();
        f.Click(ECommand::PlayListsPlay);
        QCOMPARE(f.Engine.URL(), QStringLiteral("/m/a.mp3"));
    }

    void addFilesFromTheMenuWorksInEitherView() {
        Fixture f;
        f.Window->mnuViewPlayLists->trigger();
        const std::string folder = f.Home.file("Album");
        std::filesystem::create_directories(folder + "/CD 2");
        test::WriteMp3(folder + "/CD 2/d.mp3");
        test::WriteMp3(f.Home.file("c.mp3"));
        f.Prompts.FileAnswers = {{QString::fromStdString(f.Home.file("c.mp3"))}};
        f.Window->MenuAction(QStringLiteral("mnuFileAddFiles"))->trigger();
        QCOMPARE(f.Window->CurrentView(), EView::PlayLists);
        QTRY_COMPARE(f.Window->fraMedia1->MediaModel->rowCount(), 2);
        f.Prompts.FolderAnswers = {QString::fromStdString(folder)};
        QAction* addFolder = f.Window->MenuAction(QStringLiteral("mnuFileAddFolder"));
        QCOMPARE(addFolder->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+O")));
        addFolder->trigger();
        QTRY_COMPARE(f.Window->fraMedia1->MediaModel->rowCount(), 3);
    }

    void shortcutsReachTheirCommandsAndEveryItemHasAnAccessKey() {
        Fixture f;
        f.Window->show();
        f.Window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.Window.get()));
        auto* text = new QLineEdit(f.Window->pnlToolButtons);
        struct Case {
            EView View;
            QWidget* Focus;
            QKeyCombination Key;
            QString Question; // the caption asked first, or "" for none
            QString Played;   // the file the player was given, or ""
        };
        const QString b = QString::fromStdString(f.Home.file("b.mp3"));
        TfraPlayLists& lists = *f.Window->PlayListsView();
        // In a playlist, so removing it from the library asks first (and is refused).
        f.PlayLists->FindByName("Rock")->InsertTrack(b.toStdString() + "*30");
        for (const Case& c : {
                 Case{EView::Media, nullptr, Qt::CTRL | Qt::Key_O, QStringLiteral("Add Files"), {}},
                 Case{EView::PlayLists,
                      nullptr,
                      Qt::CTRL | Qt::Key_N,
                      QStringLiteral("New Playlist"),
                      {}},
                 Case{EView::PlayLists,
                      lists.lstPlayLists,
                      QKeyCombination(Qt::Key_F2),
                      QStringLiteral("Rename Playlist"),
                      {}},
                 Case{EView::Media,
                      f.Window->fraMedia1->lvwMedia,
                      QKeyCombination(Qt::Key_Delete),
                      QStringLiteral("Confirm Action"),
                      {}},
                 Case{EView::PlayLists,
                      lists.lstPlayLists,
                      QKeyCombination(Qt::Key_Delete),
                      QStringLiteral("Confirm Action"),
                      {}},
                 Case{EView::Media, text, QKeyCombination(Qt::Key_Space), {}, {}},
                 Case{EView::Media,
                      f.Window->fraMedia1->lvwMedia,
                      QKeyCombination(Qt::Key_Space),
                      {},
                      b},
             }) {
            f.Window->SwitchView(c.View);
            f.Window->fraMedia1->SelectRows({0});
            f.Prompts.Questions.clear();
            f.Engine.Calls.clear();
            QWidget* focus = c.Focus ? c.Focus : f.Window.get();
            focus->setFocus();
            QTest::keyClick(focus, c.Key.key(), c.Key.keyboardModifiers());
            const QString asked = f.Prompts.Questions.value(0).section(QLatin1Char(':'), 0, 0);
            QCOMPARE(asked, c.Question);
            QCOMPARE(f.Engine.Calls.value(0),
                     c.Played.isEmpty() ? QString() : QStringLiteral("URL ") + c.Played);
        }

        QList<QMenu*> menus{f.Window->fraMedia1->popMedia, lists.popPlayLists, lists.popTracks};
        for (QAction* title : f.Window->menuBar()->actions()) {
            QVERIFY2(title->text().contains(QLatin1Char('&')), qPrintable(title->text()));
            menus << title->menu();
        }
        for (QMenu* menu : menus)
            for (QAction* item : menu->actions())
                QVERIFY2(item->isSeparator() || item->text().contains(QLatin1Char('&')),
                         qPrintable(item->text()));
    }

    void m3uFilesImportAndExportThroughThePlaylistsView() {
        Fixture f;
        const QString file = QString::fromStdString(
            f.Home.write("Trip.m3u", "#EXTM3U\r\n#EXTINF:30,B\r\nb.mp3\r\ngone.mp3\r\n"
                                     "file:///m/x%0D%0Ay.mp3\r\n"));
        f.Prompts.YesNoAnswers = {false, true}; // leave the missing file out, then keep it
        f.Prompts.TextAnswers = {QStringLiteral("Trip 2")};
        QCOMPARE(f.Window->ImportPlayListFiles({file, file}), 2);
        QCOMPARE(f.Window->CurrentView(), EView::PlayLists);
        // A path a playlist line cannot hold is named, never imported.
        QVERIFY(f.Prompts.Messages.at(0).Text.contains(QStringLiteral("/m/x\r\ny.mp3")));
        QCOMPARE(f.Prompts.Messages.at(1).Text,
                 QStringLiteral("You already have a playlist with this name."));
        QCOMPARE(f.Combo(), (QStringList{QStringLiteral("Jazz"), QStringLiteral("Rock"),
                                         QStringLiteral("Trip"), QStringLiteral("Trip 2")}));
        QCOMPARE(f.PlayLists->FindByName("Trip")->Tracks(),
                 std::vector<std::string>{f.Home.file("b.mp3") + "*30"});
        QCOMPARE(f.PlayLists->FindByName("Trip 2")->Count(), 2);

        // The selected playlist ("Trip 2") goes out with paths relative to the file, the
        // library's title for the file it holds.
        f.Prompts.TextAnswers = {QString::fromStdString(f.Home.file("out.m3u8"))};
        f.Prompts.YesNoAnswers = {true};
        f.Window->PlayListFiles->mnuPopPlayListsExport->trigger();
        QCOMPARE(test::readAll(f.Home.file("out.m3u8")),
                 std::string("#EXTM3U\n#EXTINF:30,B\nb.mp3\n#EXTINF:-1,gone\ngone.mp3\n"));
    }

    void narrowWindowHandsButtonsToTheExtensionMenu() {
        Fixture f;
        TfrmMain& window = *f.Window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.resize(window.minimumWidth(), 570);
        QTRY_COMPARE(window.width(), window.minimumWidth());
        const auto shown = [&window](const QWidget* Control) {
            return Control->isVisibleTo(window.pnlToolButtons);
        };
        const auto extension = [&window](EView View) {
            return window.CommandBar(View)->findChild<QToolButton*>(
                QStringLiteral("qt_toolbar_ext_button"));
        };
        const auto offered = [&extension](EView View) {
            QStringList captions;
            for (const QAction* item : extension(View)->menu()->actions())
                captions << QString(item->text()).remove(QLatin1Char('&'));
            return captions;
        };
        // At the least width the bar offers all its buttons, in order; the playlist box's group
        // stays.
        QTRY_VERIFY(extension(EView::Media)->isVisible());
        QVERIFY(!shown(window.ToolButton(ECommand::MediaPlayFile)));
        QVERIFY(shown(window.spdAddToPlayList) && shown(window.cmbPlayLists));
        QCOMPARE(offered(EView::Media),
                 (QStringList{QStringLiteral("Play File"), QStringLiteral("Locate File"),
                              QStringLiteral("Edit MP3 Tag..."), QStringLiteral("Add Files..."),
                              QStringLiteral("Remove Files"), QStringLiteral("Refresh Media"),
                              QStringLiteral("Add Folder...")}));
        // The items are the commands' own actions, keys and all.
        QAction* addFolder = extension(EView::Media)->menu()->actions().last();
        QCOMPARE(addFolder, window.MenuAction(QStringLiteral("mnuFileAddFolder")));
        QCOMPARE(addFolder->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
        addFolder->trigger();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(f.Prompts.Questions,
                 (QStringList{QStringLiteral("Add Folder"), QStringLiteral("Add Folder")}));

        window.SwitchView(EView::PlayLists);
        QTRY_VERIFY(offered(EView::PlayLists).contains(QStringLiteral("Move Track Down")));
        QVERIFY(shown(window.cmbPlayListMode) && shown(window.lblPlayListInfo));
        window.resize(1000, 570);
        QTRY_VERIFY(!extension(EView::PlayLists)->isVisible());
        QVERIFY(shown(window.ToolButton(ECommand::PlayListsMoveTrackDown)));
    }

    // An engine error ends the command that met it, not the program: its message is shown and
    // the window goes on to the next command.
    void aCommandThatMeetsAnEngineErrorShowsItAndTheWindowCarriesOn() {
        Fixture f;
        TEasyQuery query;
        TMyMediaDBTestAccess::ExecQuery(f.DB, query, "ALTER TABLE tMedia RENAME TO tGone");
        f.Window->MenuAction(QStringLiteral("mnuEditRefreshMedia"))->trigger();
        QTRY_VERIFY(!f.Prompts.Messages.empty());
        QCOMPARE(f.Prompts.Messages[0].Caption, QStringLiteral("Application Exception"));
        QVERIFY2(f.Prompts.Messages[0].Text.contains(QStringLiteral("tMedia")),
                 qPrintable(f.Prompts.Messages[0].Text));
        f.Window->mnuViewPlayLists->trigger();
        QCOMPARE(f.Window->CurrentView(), EView::PlayLists);
    }

    void openingWithNoProgramOnTheDesktopIsTold() {
        Fixture f;
        QStringList targets;
        f.Window->OnShellOpen = [&targets](const QString& Target) {
            targets << Target;
            return false;
        };
        f.Window->fraMedia1->SelectRows({0});
        f.Click(ECommand::MediaLocateFile);
        f.Window->MenuAction(QStringLiteral("mnuHelpHome"))->trigger();
        f.Window->MenuAction(QStringLiteral("mnuHelpHelp"))->trigger();
        QCOMPARE(targets.size(), 3);
        QCOMPARE(targets.first(), QString::fromStdString(f.Home.str()));
        QCOMPARE(f.Prompts.Messages.size(), std::size_t(3));
        for (std::size_t i = 0; i < 3; ++i)
            QCOMPARE(f.Prompts.Messages[i].Text,
                     QStringLiteral("There is no program on this desktop that can open\r\n") +
                         targets[int(i)]);
    }
};

QTEST_MAIN(TestMainWindowViews)
#include "test_main_window_views.moc"
