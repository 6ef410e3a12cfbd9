#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>
#include <QTest>
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
struct Fixture {
    test::TempDir Home;
    TMyMediaDB DB;
    std::unique_ptr<TPlayListManager> PlayLists;
    TCustomStringList Types;
    test::FakePrompts Prompts;
    test::TFakePlayerEngine Engine;
    std::unique_ptr<TfrmMain> Window;

    Fixture() {
        std::filesystem::create_directories(Home.file("Playlists"));
        Home.write("Playlists/Jazz.ply", "1\r\n/m/a.mp3*60");
        Home.write("Playlists/Rock.ply", "0");
        DB.OpenDatabase(Home.file("MyMedia.edb"));
        Home.write("b.mp3", "");
        DB.AddMedia({.Directory = Home.str(),
                     .FileName = "b.mp3",
                     .Stamp = {1},
                     .Title = "B",
                     .Seconds = 30,
                     .Quality = 128});
        PlayLists = std::make_unique<TPlayListManager>();
        PlayLists->Open(Home.file("Playlists"));
        Types.NameValueSeparator = ':';
        RegisterFileTypes(Types);
        Window = std::make_unique<TfrmMain>(Prompts, nullptr, nullptr, &Engine);
        Window->InitializeViews(DB, *PlayLists, Types);
    }
    void Click(int Tag) { qobject_cast<QToolButton*>(Window->ToolControl(Tag))->click(); }
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
        f.Click(202);
        QCOMPARE(f.Combo(), (QStringList{QStringLiteral("Bebop"), QStringLiteral("Rock")}));
        QCOMPARE(f.Window->cmbPlayLists->currentIndex(), 0);
        f.Prompts.TextAnswers = {QStringLiteral("Soul")};
        f.Click(201);
        QCOMPARE(f.Combo().last(), QStringLiteral("Soul"));
    }

    // Playlists another program made or removed come into the box with the choice kept; a
    // name that is not UTF-8 is the target of its bytes.
    void playListBoxKeepsTheChoiceAndTheBytes() {
        Fixture f;
        f.Window->cmbPlayLists->setCurrentIndex(1);
        f.Home.write("Playlists/Caf\xe9.ply", "0");
        std::filesystem::remove(f.Home.file("Playlists/Jazz.ply"));
        f.Window->fraPlayLists1->SavePlayLists();
        QCOMPARE(f.Combo(), (QStringList{QStringLiteral("Rock"), QStringLiteral("Caf\uFFFD")}));
        QCOMPARE(f.Window->cmbPlayLists->currentText(), QStringLiteral("Rock"));
        f.Window->cmbPlayLists->setCurrentIndex(1);
        f.Window->fraMedia1->SelectRows({0});
        f.Click(107);
        QCOMPARE(f.PlayLists->FindByName("Caf\xe9")->Count(), 1);
    }

    // A dropped file whose name holds a line break is refused by name; the file stays whole.
    void aDropThatAPlayListCannotHoldIsRefused() {
        Fixture f;
        const std::string bad = f.Home.file("a\nb.mp3");
        test::WriteMp3(bad);
        const std::string before = test::readAll(f.Home.file("Playlists/Rock.ply"));
        f.Window->mnuViewPlayLists->trigger();
        QListWidget* names = f.Window->fraPlayLists1->lstPlayLists;
        QVERIFY(test::DropFiles(names->viewport(), names->visualItemRect(names->item(1)).center(),
                                {PathToQString(bad)}));
        QTRY_VERIFY(!f.Prompts.Messages.empty());
        QCOMPARE(f.Prompts.Messages.back().Text, PathForDisplay(PlayListRefusalMessage(bad)));
        f.Window->fraPlayLists1->SavePlayLists();
        QCOMPARE(test::readAll(f.Home.file("Playlists/Rock.ply")), before);
    }

    void addToPlayListRefreshesThePlayListsView() {
        Fixture f;
        f.Window->fraMedia1->SelectRows({0});
        f.Click(107);
        QCOMPARE(f.PlayLists->FindByName("Jazz")->Count(), 2);
        QCOMPARE(f.Window->fraPlayLists1->TrackModel->rowCount(), 2);
        QCOMPARE(f.Window->PlayListInfo(), QStringLiteral("00:01:30 (2 Tracks)"));
    }

    void modeBoxSetsTheSelectedPlayListsMode() {
        Fixture f;
        f.Window->mnuViewPlayLists->trigger();
        f.Window->cmbPlayListMode->setCurrentIndex(2);
        emit f.Window->cmbPlayListMode->activated(2);
        QCOMPARE(f.PlayLists->FindByName("Jazz")->PlayMode, pmRandom);
        f.Window->fraPlayLists1->SelectPlayList(1);
        QCOMPARE(f.Window->cmbPlayListMode->currentIndex(), 0);
    }

    void playButtonsReachThePlayerThroughTheViews() {
        Fixture f;
        f.Window->fraMedia1->SelectRows({0});
        f.Click(100);
        QCOMPARE(f.Engine.URL(), QString::fromStdString(f.Home.file("b.mp3")));
        f.Engine.Report(IPlayerEngine::psMediaEnded); // nothing follows a single file
        f.Window->mnuViewPlayLists->trigger();
        f.Click(200);
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
        QCOMPARE(f.Window->CurrentView(), 2);
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
            int View;
            QWidget* Focus;
            QKeyCombination Key;
            QString Question; // the caption asked first, or "" for none
            QString Played;   // the file the player was given, or ""
        };
        const QString b = QString::fromStdString(f.Home.file("b.mp3"));
        TfraPlayLists& lists = *f.Window->fraPlayLists1;
        // In a playlist, so removing it from the library asks first (and is refused).
        f.PlayLists->FindByName("Rock")->InsertTrack(b.toStdString() + "*30");
        for (const Case& c : {
                 Case{1, nullptr, Qt::CTRL | Qt::Key_O, QStringLiteral("Add Files"), {}},
                 Case{2, nullptr, Qt::CTRL | Qt::Key_N, QStringLiteral("New Playlist"), {}},
                 Case{2,
                      lists.lstPlayLists,
                      QKeyCombination(Qt::Key_F2),
                      QStringLiteral("Rename Playlist"),
                      {}},
                 Case{1,
                      f.Window->fraMedia1->lvwMedia,
                      QKeyCombination(Qt::Key_Delete),
                      QStringLiteral("Confirm Action"),
                      {}},
                 Case{2,
                      lists.lstPlayLists,
                      QKeyCombination(Qt::Key_Delete),
                      QStringLiteral("Confirm Action"),
                      {}},
                 Case{1, text, QKeyCombination(Qt::Key_Space), {}, {}},
                 Case{1, f.Window->fraMedia1->lvwMedia, QKeyCombination(Qt::Key_Space), {}, b},
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
        QCOMPARE(f.Window->CurrentView(), 2);
        // A path a playlist line cannot hold is named, never imported.
        QVERIFY(f.Prompts.Messages.at(0).Text.contains(QStringLiteral("/m/x\r\ny.mp3")));
        QCOMPARE(f.Prompts.Messages.at(1).Text,
                 QStringLiteral("You already have a playlist with this name."));
        QCOMPARE(f.Combo(), (QStringList{QStringLiteral("Jazz"), QStringLiteral("Rock"),
                                         QStringLiteral("Trip"), QStringLiteral("Trip 2")}));
        QCOMPARE(f.PlayLists->FindByName("Trip")->Tracks(),
                 std::vector<std::string>{f.Home.file("b.mp3") + "*30"});
        QCOMPARE(f.PlayLists->FindByName("Trip 2")->Count(), 2);

        // The selected playlist ("Trip 2") goes out with paths relative to the file.
        f.Prompts.TextAnswers = {QString::fromStdString(f.Home.file("out.m3u8"))};
        f.Prompts.YesNoAnswers = {true};
        f.Window->PlayListFiles->mnuPopPlayListsExport->trigger();
        QCOMPARE(test::readAll(f.Home.file("out.m3u8")),
                 std::string("#EXTM3U\n#EXTINF:30,b\nb.mp3\n#EXTINF:-1,gone\ngone.mp3\n"));
    }

    void narrowWindowFoldsButtonsIntoTheOverflowMenu() {
        Fixture f;
        TfrmMain& window = *f.Window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.resize(600, 570);
        QTRY_COMPARE(window.width(), 600);
        const auto shown = [&window](int Tag) {
            return window.ToolControl(Tag)->isVisibleTo(window.pnlToolButtons);
        };
        const auto offered = [&window] {
            QStringList captions;
            for (const QAction* item : window.spdToolOverflow->menu()->actions())
                captions << QString(item->text()).remove(QLatin1Char('&'));
            return captions;
        };
        // Folded from the right-hand end; Play File and the playlist box's group stay.
        QVERIFY(window.spdToolOverflow->isVisible());
        for (int tag : {100, 101, 102, 107, 150})
            QVERIFY(shown(tag));
        QCOMPARE(offered(),
                 (QStringList{QStringLiteral("Add Files"), QStringLiteral("Remove Files"),
                              QStringLiteral("Refresh Media"), QStringLiteral("Add Folder")}));
        QAction* addFolder = window.spdToolOverflow->menu()->actions().last();
        QCOMPARE(addFolder->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
        QVERIFY(!addFolder->icon().isNull() && addFolder->isEnabled());
        addFolder->trigger();
        // The item's keys do not take the window's own shortcut away.
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(f.Prompts.Questions,
                 (QStringList{QStringLiteral("Add Folder"), QStringLiteral("Add Folder")}));

        window.SwitchView(2);
        QVERIFY(offered().contains(QStringLiteral("Move Track Down")));
        QVERIFY(!offered().contains(QStringLiteral("Add Folder")));
        window.resize(1000, 570);
        QTRY_VERIFY(!window.spdToolOverflow->isVisible());
        QVERIFY(shown(208));
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
        QCOMPARE(f.Window->CurrentView(), 2);
    }

    void openingWithNoProgramOnTheDesktopIsTold() {
        Fixture f;
        QStringList targets;
        f.Window->OnShellOpen = [&targets](const QString& Target) {
            targets << Target;
            return false;
        };
        f.Window->fraMedia1->SelectRows({0});
        f.Click(101); // Locate File
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
