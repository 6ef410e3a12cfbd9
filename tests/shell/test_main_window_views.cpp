#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/uApplication.h"
#include "common/uDataPaths.h"
#include "common/uDisplayUtils.h"
#include "library/uFraMedia.h"
#include "library/uTMyMediaDB.h"
#include "playlists/uFraPlayLists.h"
#include "playlists/uFraPlayListsModel.h"
#include "playlists/uTPlayListManager.h"
#include "shell/FakePlayerEngine.h"
#include "shell/uFrmMain.h"
#include "support/FakePrompts.h"
#include "support/Mp3Files.h"
#include "support/TempDir.h"

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
        DB.AddMedia(Home.str(), "b.mp3", 1, "B", "", "", "", "", "", "", 30, 128);
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
};

QTEST_MAIN(TestMainWindowViews)
#include "test_main_window_views.moc"
