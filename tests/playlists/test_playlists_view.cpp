#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QListWidget>
#include <QMenu>
#include <QTest>
#include <QTreeView>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "core/common/uDisplayUtils.h"
#include "core/playlists/uTPlayListManager.h"
#include "support/DropFiles.h"
#include "support/FakeMainServices.h"
#include "support/FakePrompts.h"
#include "support/TempDir.h"
#include "ui/common/uQtPath.h"
#include "ui/playlists/uFraPlayLists.h"
#include "ui/playlists/uFraPlayListsModel.h"

using namespace orvanta;

namespace {

// A Playlists view on real playlist files in a folder of its own.
struct Fixture {
    test::TempDir Dir;
    TRandom Random{12345};
    std::unique_ptr<TPlayListManager> Manager;
    test::FakePrompts Prompts;
    test::FakeMainServices Main;
    std::unique_ptr<TfraPlayLists> View;

    // Each file is "name" -> its text; they load in name order. Sub: the playlists folder
    // below the test's folder.
    explicit Fixture(std::initializer_list<std::pair<std::string, std::string>> Files,
                     const std::string& Sub = {}) {
        const std::string folder = Sub.empty() ? Dir.str() : Dir.file(Sub);
        std::filesystem::create_directories(folder);
        for (const auto& [name, text] : Files)
            std::ofstream(folder + "/" + name + ".ply", std::ios::binary) << text;
        Manager = std::make_unique<TPlayListManager>(&Random);
        Manager->Open(folder);
        if (Manager->Count() == 0)
            Manager->AddPlayList(DefaultPlayListName);
        View = std::make_unique<TfraPlayLists>();
        View->resize(700, 400);
        View->Initialize(*Manager, Main, Prompts);
    }

    QStringList Names() const {
        QStringList names;
        for (int i = 0; i < View->lstPlayLists->count(); ++i)
            names << View->lstPlayLists->item(i)->text();
        return names;
    }
    QString SelectedName() const {
        const auto selected = View->lstPlayLists->selectedItems();
        return selected.isEmpty() ? QString() : selected.first()->text();
    }
    QStringList Captions() const {
        QStringList captions;
        for (int row = 0; row < View->TrackModel->rowCount(); ++row)
            captions << View->TrackModel->Row(row).Caption;
        return captions;
    }
    QString Cell(int Row, int Column) const {
        return View->TrackModel->index(Row, Column).data().toString();
    }
    void ClickName(int Row) {
        const QRect box = View->lstPlayLists->visualItemRect(View->lstPlayLists->item(Row));
        QTest::mouseClick(View->lstPlayLists->viewport(), Qt::LeftButton, {}, box.center());
    }
    // Gives the track list the keyboard, as a click into it does.
    void FocusTracks() {
        View->show();
        View->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(View.get()));
        View->lvwTracks->setFocus(Qt::MouseFocusReason);
        QTRY_COMPARE(View->FocusMarker(), 2);
    }
    QAction* MenuItem(QMenu* Menu, const QString& Caption) const {
        for (QAction* item : Menu->actions())
            if (item->text() == Caption)
                return item;
        return nullptr;
    }
};

std::string entry(const std::string& name, int seconds) {
    return "/music/" + name + ".mp3*" + std::to_string(seconds);
}

std::string playlistText(int mode, const std::vector<std::string>& entries) {
    std::string text = std::to_string(mode);
    for (const std::string& e : entries)
        text += "\r\n" + e;
    return text;
}

} // namespace

class TestPlayListsView : public QObject {
    Q_OBJECT

private slots:
    // Files dropped on a playlist's name, or on the tracks of the one shown, go to it.
    void droppedFilesGoToThePlayListUnderThem() {
        Fixture f({{"Jazz", "0"}, {"Rock", "0"}});
        const QStringList paths = {QStringLiteral("/m/b.mp3"), QStringLiteral("/m/folder")};
        QListWidget* names = f.View->lstPlayLists;
        QVERIFY(test::DropFiles(names->viewport(), names->visualItemRect(names->item(1)).center(),
                                paths));
        QVERIFY(test::DropFiles(f.View->lvwTracks->viewport(), {5, 5}, paths));
        QCOMPARE(f.Main.AddedToLibrary.size(), size_t(2));
        QCOMPARE(f.Main.AddedToLibrary[0], std::make_pair(paths, QStringLiteral("Rock")));
        QCOMPARE(f.Main.AddedToLibrary[1], std::make_pair(paths, QStringLiteral("Jazz")));
    }

    void showsNamesTracksModeAndInfo() {
        Fixture f({{"Jazz", playlistText(1, {entry("So What", 322), entry("Blue in Green", 120)})},
                   {"Rock", playlistText(0, {entry("One", 60)})}});
        QCOMPARE(f.Names(), (QStringList{QStringLiteral("Jazz"), QStringLiteral("Rock")}));
        QCOMPARE(f.SelectedName(), QStringLiteral("Jazz"));
        QCOMPARE(f.Captions(),
                 (QStringList{QStringLiteral(" So What"), QStringLiteral(" Blue in Green")}));
        QCOMPARE(f.Cell(0, 1), QStringLiteral("00:05:22"));
        QCOMPARE(f.View->TrackModel->Row(1).Path, QStringLiteral("/music/Blue in Green.mp3"));
        QCOMPARE(f.Main.ModeIndex, 1);
        QCOMPARE(f.Main.Info, QStringLiteral("00:07:22 (2 Tracks)"));
        QCOMPARE(f.View->TrackModel->headerData(0, Qt::Horizontal).toString(),
                 QStringLiteral("Title"));
        QCOMPARE(f.View->TrackModel->headerData(1, Qt::Horizontal).toString(),
                 QStringLiteral("Duration"));

        // A click on a name shows that playlist; there is no singular "Track".
        f.ClickName(1);
        QCOMPARE(f.Captions(), QStringList{QStringLiteral(" One")});
        QCOMPARE(f.Main.ModeIndex, 0);
        QCOMPARE(f.Main.Info, QStringLiteral("00:01:00 (1 Tracks)"));
    }

    void aModeTheBoxLacksShowsAsNormal() {
        Fixture f({{"Odd", playlistText(7, {entry("c", 5)})}});
        QCOMPARE(f.Main.ModeIndex, 0);
    }

    void newPlayListChecksItsName() {
        Fixture f({{"New Playlist", "0"}});
        const size_t files = std::distance(std::filesystem::directory_iterator(f.Dir.path()), {});

        f.Prompts.TextAnswers = {QString()}; // Cancel
        f.View->DoCommand(ECommand::PlayListsNew);
        QCOMPARE(f.Prompts.Questions.last(),
                 QStringLiteral("New Playlist: Please enter the name for the playlist."));
        QCOMPARE(f.Prompts.TextInitials.last(), QStringLiteral("New Playlist"));
        QVERIFY(f.Prompts.Messages.empty());

        // Accepted unchanged while "New Playlist" exists; then in other letter case; then
        // empty; then a name that cannot be a file name.
        f.Prompts.TextAnswers = {QStringLiteral("New Playlist"), QStringLiteral("NEW playlist"),
                                 QStringLiteral(""), QStringLiteral("a/b")};
        for (int i = 0; i < 4; ++i)
            f.View->DoCommand(ECommand::PlayListsNew);
        QCOMPARE(f.Prompts.Messages.size(), size_t(4));
        for (int i : {0, 1})
            QCOMPARE(f.Prompts.Messages[i].Text,
                     QStringLiteral("You already have a playlist with this name."));
        for (int i : {2, 3})
            QCOMPARE(f.Prompts.Messages[i].Text, QStringLiteral("Invalid playlist name."));
        QCOMPARE(f.Prompts.Messages[0].Caption, QStringLiteral("Information"));
        QCOMPARE(f.Manager->Count(), 1);
        QCOMPARE(f.Main.NameRefreshes, 0);

        // Used as typed, without trimming; selected; no file yet.
        f.Prompts.TextAnswers = {QStringLiteral(" Party ")};
        f.View->DoCommand(ECommand::PlayListsNew);
        QCOMPARE(f.Names().last(), QStringLiteral(" Party "));
        QCOMPARE(f.SelectedName(), QStringLiteral(" Party "));
        QCOMPARE(f.View->CurrentPlayList()->Name, std::string(" Party "));
        QCOMPARE(f.Main.Info, QStringLiteral("00:00:00 (0 Tracks)"));
        QCOMPARE(f.Main.NameRefreshes, 1);
        QCOMPARE(size_t(std::distance(std::filesystem::directory_iterator(f.Dir.path()), {})),
                 files);
    }

    void renamePlayList() {
        Fixture f({{"Jazz", playlistText(0, {entry("a", 1)})}, {"Rock", "0"}});
        f.Prompts.TextAnswers = {QStringLiteral(""), QStringLiteral("JAZZ"), QStringLiteral("rock"),
                                 QStringLiteral("x\\y")};
        for (int i = 0; i < 4; ++i)
            f.View->DoCommand(ECommand::PlayListsRename);
        QCOMPARE(f.Prompts.TextInitials.first(), QStringLiteral("Jazz"));
        // Empty says nothing; its own name in other case and a taken name are refused.
        QCOMPARE(f.Prompts.Messages.size(), size_t(3));
        QCOMPARE(f.Prompts.Messages[0].Text,
                 QStringLiteral("You already have a playlist with this name."));
        QCOMPARE(f.Prompts.Messages[1].Text,
                 QStringLiteral("You already have a playlist with this name."));
        QCOMPARE(f.Prompts.Messages[2].Text, QStringLiteral("Invalid playlist name."));
        QCOMPARE(f.Names(), (QStringList{QStringLiteral("Jazz"), QStringLiteral("Rock")}));
        QVERIFY(std::filesystem::exists(f.Dir.file("Jazz.ply")));

        f.Prompts.TextAnswers = {QStringLiteral("Blues")};
        f.View->DoCommand(ECommand::PlayListsRename);
        QCOMPARE(f.Names(), (QStringList{QStringLiteral("Blues"), QStringLiteral("Rock")}));
        QCOMPARE(f.SelectedName(), QStringLiteral("Blues"));
        QCOMPARE(f.Main.NameRefreshes, 1);
        // The old file goes at once; the new one is written at shutdown.
        QVERIFY(!std::filesystem::exists(f.Dir.file("Jazz.ply")));
        f.View.reset();
        f.Manager.reset();
        QCOMPARE(test::readAll(f.Dir.file("Blues.ply")), playlistText(0, {entry("a", 1)}));
    }

    void removePlayListSelectsItsNeighbour() {
        Fixture f({{"A", "0"}, {"B", "0"}, {"C", "0"}});
        f.Prompts.YesNoAnswers = {false};
        f.View->DoCommand(ECommand::PlayListsRemove);
        QCOMPARE(f.Prompts.Questions.last(),
                 QStringLiteral("Confirm Action: Do you really want to remove\r\nA ?"));
        QCOMPARE(f.Manager->Count(), 3);
        QVERIFY(std::filesystem::exists(f.Dir.file("A.ply")));

        // The first line: the new first line is selected. Another line: the one above it.
        f.Prompts.YesNoAnswers = {true};
        f.View->DoCommand(ECommand::PlayListsRemove);
        QCOMPARE(f.Names(), (QStringList{QStringLiteral("B"), QStringLiteral("C")}));
        QCOMPARE(f.SelectedName(), QStringLiteral("B"));
        QVERIFY(!std::filesystem::exists(f.Dir.file("A.ply")));
        f.View->SelectPlayList(1);
        f.Prompts.YesNoAnswers = {true};
        f.View->DoCommand(ECommand::PlayListsRemove);
        QCOMPARE(f.SelectedName(), QStringLiteral("B"));
        QCOMPARE(f.View->CurrentPlayList()->Name, std::string("B"));
        QCOMPARE(f.Main.NameRefreshes, 2);
    }

    void removeTracksTakesExactlyTheSelectedRows() {
        Fixture f({{"P", playlistText(0, {entry("a", 1), entry("b", 2), entry("c", 4),
                                          entry("d", 8), entry("e", 16)})}});
        f.View->SelectTrackRows({0, 2, 4});
        f.View->DoCommand(ECommand::PlayListsRemoveTracks);
        QCOMPARE(f.Captions(), (QStringList{QStringLiteral(" b"), QStringLiteral(" d")}));
        QCOMPARE(f.View->CurrentPlayList()->Count(), 2);
        QCOMPARE(f.Main.Info, QStringLiteral("00:00:10 (2 Tracks)"));
        QVERIFY(f.Prompts.Questions.isEmpty());
    }

    void moveTrackNeedsTheFocusInTheTracks() {
        Fixture f({{"P", playlistText(0, {entry("a", 1), entry("b", 2), entry("c", 3)})}});
        f.View->SelectTrackRows({1});
        // The focus marker is 0 (or 1 in the names): the tool buttons do nothing.
        f.View->DoCommand(ECommand::PlayListsMoveTrackUp);
        QCOMPARE(f.Captions().first(), QStringLiteral(" a"));

        f.FocusTracks();
        f.View->SelectTrackRows({1, 2});
        f.View->DoCommand(ECommand::PlayListsMoveTrackUp);
        QCOMPARE(f.Captions(),
                 (QStringList{QStringLiteral(" b"), QStringLiteral(" a"), QStringLiteral(" c")}));
        QCOMPARE(f.View->SelectedTrackRows(), std::vector<int>{0});
        QCOMPARE(f.View->CurrentPlayList()->GetTrack(0), entry("b", 2));
        // Down through the track menu, whose popping up does not take the marker away.
        f.View->SelectTrackRows({0});
        f.View->popTracksPopup();
        f.MenuItem(f.View->popTracks, QStringLiteral("Move Track Down"))->trigger();
        QCOMPARE(f.Captions(),
                 (QStringList{QStringLiteral(" a"), QStringLiteral(" b"), QStringLiteral(" c")}));
        QCOMPARE(f.View->SelectedTrackRows(), std::vector<int>{1});

        // With the focus in the names the marker is 1 and the move does nothing.
        f.View->lstPlayLists->setFocus(Qt::MouseFocusReason);
        QTRY_COMPARE(f.View->FocusMarker(), 1);
        f.View->DoCommand(ECommand::PlayListsMoveTrackDown);
        QCOMPARE(f.Captions().at(1), QStringLiteral(" b"));
    }

    void trackMenuEnabling() {
        Fixture f({{"P", playlistText(0, {entry("a", 1), entry("b", 2)})}});
        f.View->SelectTrackRows({0, 1});
        f.View->popTracksPopup();
        for (const auto& [caption, enabled] :
             {std::pair{"Play Track", false}, std::pair{"Play From Here", false},
              std::pair{"Move Track Up", false}, std::pair{"Move Track Down", false},
              std::pair{"Remove Tracks", true}})
            QCOMPARE(f.MenuItem(f.View->popTracks, QString::fromLatin1(caption))->isEnabled(),
                     enabled);
        for (QAction* item : f.View->popPlayLists->actions())
            QVERIFY(item->isEnabled());
    }

    void playCommandsCallTheMainWindow() {
        Fixture f({{"Empty", "0"}, {"Full", playlistText(2, {entry("a", 1), entry("b", 2)})}});
        f.View->DoCommand(ECommand::PlayListsPlay);
        QVERIFY(f.Main.PlayedPlayLists.empty());
        f.View->SelectPlayList(1);
        f.MenuItem(f.View->popPlayLists, QStringLiteral("Play Playlist"))->trigger();
        QCOMPARE(f.Main.PlayedPlayLists.size(), size_t(1));
        QCOMPARE(f.Main.PlayedPlayLists[0].Name, std::string("Full"));
        QCOMPARE(f.Main.PlayedPlayLists[0].Tracks.size(), size_t(2));

        f.View->DoCommand(ECommand::PlayListsPlayTrack); // no row selected
        QVERIFY(f.Main.PlayedTracks.isEmpty());
        f.View->SelectTrackRows({1, 0});
        f.View->DoCommand(ECommand::PlayListsPlayTrack);
        QCOMPARE(f.Main.PlayedTracks, QStringList{QStringLiteral("/music/a.mp3")});
        // A double-click and Return on a track play it, or the playlist from it on while
        // the list is played through; the menu's "Play From Here" always does the latter.
        f.View->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.View.get()));
        const QRect cell = f.View->lvwTracks->visualRect(f.View->TrackModel->index(1, 0));
        QTest::mouseClick(f.View->lvwTracks->viewport(), Qt::LeftButton, {}, cell.center());
        for (const bool through : {false, true}) {
            f.Main.Continue = through;
            for (const bool byKey : {false, true}) {
                const qsizetype tracks = f.Main.PlayedTracks.size();
                const size_t fromHere = f.Main.PlayedFromHere.size();
                if (byKey)
                    QTest::keyClick(f.View->lvwTracks, Qt::Key_Return);
                else
                    QTest::mouseDClick(f.View->lvwTracks->viewport(), Qt::LeftButton, {},
                                       cell.center());
                QCOMPARE(f.Main.PlayedTracks.size(), tracks + (through ? 0 : 1));
                QCOMPARE(f.Main.PlayedFromHere.size(), fromHere + (through ? 1 : 0));
            }
        }
        QCOMPARE(f.Main.PlayedTracks.last(), QStringLiteral("/music/b.mp3"));
        f.MenuItem(f.View->popTracks, QStringLiteral("Play From Here"))->trigger();
        QCOMPARE(f.Main.PlayedFromHere.size(), size_t(3));
        QCOMPARE(f.Main.PlayedFromHere[0].first.Name, std::string("Full"));
        QCOMPARE(f.Main.PlayedFromHere[2].second, 1);
        // Shift+F10 opens the row's menu, as the Menu key does.
        QTest::keyClick(f.View->lvwTracks, Qt::Key_F10, Qt::ShiftModifier);
        QTRY_VERIFY(f.View->popTracks->isVisible());
        f.View->popTracks->close();
    }

    void modeBoxAndShuffle() {
        Fixture f(
            {{"P", playlistText(0, {entry("a", 1), entry("b", 2), entry("c", 3), entry("d", 4)})},
             {"Q", playlistText(0, {entry("x", 5)})}});
        f.Main.ModeIndex = 2;
        f.View->ApplyPlayMode();
        QCOMPARE(f.View->CurrentPlayList()->PlayMode, pmRandom);
        f.View->SelectPlayList(1);
        QCOMPARE(f.Main.ModeIndex, 0);
        f.View->SelectPlayList(0);
        QCOMPARE(f.Main.ModeIndex, 2);

        const QString info = f.Main.Info;
        f.View->DoCommand(ECommand::PlayListsShuffle);
        QStringList shuffled = f.Captions();
        QCOMPARE(shuffled.size(), 4);
        QStringList inFile;
        for (const std::string& track : f.View->CurrentPlayList()->Tracks())
            inFile << QStringLiteral(" ") + QString::fromStdString(FileTitle(TrackPath(track)));
        QCOMPARE(shuffled, inFile);
        shuffled.sort();
        QCOMPARE(shuffled, (QStringList{QStringLiteral(" a"), QStringLiteral(" b"),
                                        QStringLiteral(" c"), QStringLiteral(" d")}));
        QCOMPARE(f.Main.Info, info);

        // With no playlist selected the commands that need one do nothing.
        f.View->SelectPlayList(-1);
        QVERIFY(f.View->CurrentPlayList() == nullptr);
        QCOMPARE(f.View->TrackModel->rowCount(), 0);
        f.Prompts.TextAnswers = {QStringLiteral("Z")};
        for (ECommand command :
             {ECommand::PlayListsPlay, ECommand::PlayListsRename, ECommand::PlayListsRemove,
              ECommand::PlayListsShuffle, ECommand::PlayListsRemoveTracks,
              ECommand::PlayListsPlayFromHere, ECommand::MediaPlayFile})
            f.View->DoCommand(command);
        QVERIFY(f.Prompts.Questions.isEmpty());
        QCOMPARE(f.Manager->Count(), 2);
    }

    void refreshTracksFollowsTheManager() {
        Fixture f({{"P", playlistText(0, {entry("a", 1)})}});
        f.Manager->FindByName("P")->InsertTrack(entry("b", 100));
        f.View->RefreshTracks();
        QCOMPARE(f.Captions().size(), 2);
        QCOMPARE(f.Main.Info, QStringLiteral("00:01:41 (2 Tracks)"));
        f.Manager->RemoveTracksEverywhere({entry("a", 1)});
        f.View->RefreshTracks();
        QCOMPARE(f.Captions(), QStringList{QStringLiteral(" b")});
    }

    // Edits reach their files without a shutdown, and another program's changes come in, both
    // sides of a conflict kept and named in the info label.
    void editsAndOutsideChangesMeetTheFiles() {
        Fixture f({{"P", playlistText(0, {entry("a", 1), entry("b", 2)})}});
        const auto file = [&f](const char* name) {
            return test::readAll(f.Dir.file(std::string(name) + ".ply"));
        };
        f.Main.ModeIndex = 1;
        f.View->ApplyPlayMode();
        f.View->SelectTrackRows({0});
        f.View->DoCommand(ECommand::PlayListsRemoveTracks);
        QTRY_COMPARE(file("P"), "1\r\n" + entry("b", 2));
        f.Prompts.TextAnswers = {QStringLiteral("N")};
        f.View->DoCommand(ECommand::PlayListsNew);
        QTRY_COMPARE(file("N"), std::string("0"));

        f.Dir.write("Outside.ply", "2\r\n" + entry("o", 3));
        QTRY_COMPARE(f.Names(), (QStringList{QStringLiteral("P"), QStringLiteral("N"),
                                             QStringLiteral("Outside")}));
        f.View->SelectPlayList(0);
        f.Manager->FindByName("P")->InsertTrack(entry("mine", 4));
        f.Dir.write("P.ply", "0\r\n" + entry("theirs", 5));
        f.View->SavePlayLists();
        QCOMPARE(f.Captions(), QStringList{QStringLiteral(" theirs")});
        QCOMPARE(file("P (2)"), "1\r\n" + entry("b", 2) + "\r\n" + entry("mine", 4));
        QVERIFY2(f.Main.Info.contains(QStringLiteral("P (2)")), qPrintable(f.Main.Info));
    }

    // Other programs' changes come in while a dialog is open; a command whose playlist went
    // meanwhile does nothing to the others.
    void theFolderIsWatchedWhileADialogIsOpen() {
        Fixture f({{"A", "0"}, {"B", "0"}, {"C", "0"}});
        QDialog dialog;
        dialog.setModal(true);
        dialog.show();
        QVERIFY(QApplication::activeModalWidget() == &dialog);
        f.Dir.write("D.ply", "0");
        QTRY_COMPARE(f.Names().size(), 4);
        dialog.close();

        for (const auto& [command, name] : {std::pair{ECommand::PlayListsRename, "A"},
                                            std::pair{ECommand::PlayListsRemove, "C"}}) {
            f.View->SelectPlayList(f.Names().indexOf(QString::fromLatin1(name)));
            f.Prompts.WhileAsking = [&f, name = std::string(name)] {
                std::filesystem::remove(f.Dir.file(name + ".ply"));
                f.View->SavePlayLists();
            };
            f.Prompts.TextAnswers = {QStringLiteral("Z")};
            f.Prompts.YesNoAnswers = {true};
            f.View->DoCommand(command);
        }
        QCOMPARE(f.Names(), (QStringList{QStringLiteral("B"), QStringLiteral("D")}));
        QVERIFY(std::filesystem::exists(f.Dir.file("B.ply")));
        QVERIFY(!std::filesystem::exists(f.Dir.file("Z.ply")));
        QVERIFY(f.Prompts.Messages.empty());
    }

    // A save that fails is told in a message once, and once more at exit.
    void aFailedSaveIsToldOnceAndAgainAtExit() {
        // The folder leaves room for a temporary file but not for a long playlist name.
        std::string deep = "d";
        while (deep.size() < 3930 - std::filesystem::temp_directory_path().string().size())
            deep += "/" + std::string(49, 'd');
        Fixture f({}, deep);
        const QString name(200, QLatin1Char('n'));
        f.Prompts.TextAnswers = {name};
        f.View->DoCommand(ECommand::PlayListsNew);
        QTRY_COMPARE(f.Prompts.Messages.size(), size_t(1));
        f.View->SavePlayLists();
        f.View->SaveAtExit();
        QCOMPARE(f.Prompts.Messages.size(), size_t(2));
        for (const auto& message : f.Prompts.Messages) {
            QVERIFY(message.Icon == TPromptIcon::Warning);
            QVERIFY(message.Text.contains(name));
        }
    }

    // A playlist whose file could not be read takes no change, each refused with the words
    // orvanta-cli uses, and its file keeps every byte.
    void anUnreadPlayListTakesNoChange() {
        Fixture f({{"Bad", playlistText(0, {entry("a", 1), entry("b", 2)})}});
        const std::string binary("0\r\n\0\0", 5);
        f.Dir.write("Bad.ply", binary);
        f.View->SavePlayLists();
        QVERIFY(f.Manager->IsUnread(f.View->CurrentPlayList()));
        QListWidget* names = f.View->lstPlayLists;
        const QStringList song = {QStringLiteral("/m/c.mp3")};
        const std::vector<std::pair<const char*, std::function<void()>>> edits = {
            {"shuffle", [&f] { f.View->DoCommand(ECommand::PlayListsShuffle); }},
            {"remove tracks",
             [&f] {
                 f.View->SelectTrackRows({0});
                 f.View->DoCommand(ECommand::PlayListsRemoveTracks);
             }},
            {"rename",
             [&f] {
                 f.Prompts.TextAnswers = {QStringLiteral("Good")};
                 f.View->DoCommand(ECommand::PlayListsRename);
             }},
            {"mode",
             [&f] {
                 f.Main.ModeIndex = 2;
                 f.View->ApplyPlayMode();
             }},
            {"drop on its name",
             [&] {
                 test::DropFiles(names->viewport(), names->visualItemRect(names->item(0)).center(),
                                 song);
             }},
            {"drop on its tracks",
             [&] {
                 test::DropFiles(f.View->lvwTracks->viewport(), {5, 5}, song);
             }},
        };
        for (const auto& [what, edit] : edits) {
            f.Prompts.Messages.clear();
            edit();
            QVERIFY2(f.Prompts.Messages.size() == 1, what);
            QCOMPARE(
                f.Prompts.Messages[0].Text,
                QStringLiteral("The playlist \"Bad\" could not be read; it is left as it is."));
        }
        QCOMPARE(f.Main.ModeIndex, 0);
        QVERIFY(f.Main.AddedToLibrary.empty());
        QCOMPARE(f.Names(), QStringList{QStringLiteral("Bad")});
        f.View->SavePlayLists();
        QCOMPARE(test::readAll(f.Dir.file("Bad.ply")), binary);
    }

    // A name that is not UTF-8 is shown decoded and used as its bytes.
    void aNameThatIsNotUtf8WorksLikeAnyOther() {
        const std::string cafe = "Caf\xe9", naive = "Na\xefve";
        Fixture f({{cafe, playlistText(0, {entry("a", 1)})}, {naive, "0"}});
        QCOMPARE(f.Names(),
                 (QStringList{QStringLiteral("Caf\uFFFD"), QStringLiteral("Na\uFFFDve")}));
        QCOMPARE(f.Captions(), QStringList{QStringLiteral(" a")});
        f.View->DoCommand(ECommand::PlayListsPlay);
        QCOMPARE(f.Main.PlayedPlayLists.at(0).Name, cafe);
        QVERIFY(test::DropFiles(f.View->lvwTracks->viewport(), {5, 5}, {QStringLiteral("/m/b")}));
        QCOMPARE(PathFromQString(f.Main.AddedToLibrary.at(0).second), cafe);

        // Accepted as shown, it is its own name; a new name renames its file.
        f.Prompts.TextAnswers = {QStringLiteral("Caf\uFFFD"), QStringLiteral("Caf\u00e9")};
        f.View->DoCommand(ECommand::PlayListsRename);
        QCOMPARE(f.Prompts.Messages.at(0).Text,
                 QStringLiteral("You already have a playlist with this name."));
        f.View->DoCommand(ECommand::PlayListsRename);
        QVERIFY(!std::filesystem::exists(f.Dir.file(cafe + ".ply")));
        QCOMPARE(test::readAll(f.Dir.file("Caf\u00e9.ply")), playlistText(0, {entry("a", 1)}));

        f.View->SelectPlayList(1);
        f.Prompts.YesNoAnswers = {true};
        f.View->DoCommand(ECommand::PlayListsRemove);
        QCOMPARE(f.Prompts.Questions.last(),
                 QStringLiteral("Confirm Action: Do you really want to remove\r\nNa\uFFFDve ?"));
        QVERIFY(!std::filesystem::exists(f.Dir.file(naive + ".ply")));
        QCOMPARE(f.Names(), QStringList{QStringLiteral("Caf\u00e9")});
    }
};

QTEST_MAIN(TestPlayListsView)
#include "test_playlists_view.moc"
