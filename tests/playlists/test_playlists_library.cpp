#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QSettings>
#include <QTest>
#include <QTreeView>
#include <memory>

#include "core/playlists/uTPlayList.h"
#include "support/FakeMainServices.h"
#include "support/FakePrompts.h"
#include "support/HomeWithLibrary.h"
#include "ui/common/uTrackDrag.h"
#include "ui/playback/uPlayerEngine.h"
#include "ui/playlists/uFraPlayLists.h"
#include "ui/playlists/uFraPlayListsModel.h"
#include "ui/shell/uWindowState.h"

using namespace orvanta;
using Model = TTrackListModel;

namespace {

const std::string Stream = "http://radio.example/live";

// The Playlists view on a real library: Music/1.mp3 by "Artist" (30 s) is held, Music/2.mp3
// is a file the library does not hold. "~" at the start of an entry stands for Music.
struct Fixture {
    test::THomeWithLibrary Home{{}, 1};
    test::FakePrompts Prompts;
    test::FakeMainServices Main;
    std::unique_ptr<TfraPlayLists> View;

    explicit Fixture(std::vector<std::string> Entries, std::int32_t Mode = pmNormal) {
        Home.PlayLists->AddPlayList("List");
        TPlayList* list = Home.PlayLists->FindByName("List");
        list->PlayMode = Mode;
        for (std::string& entry : Entries)
            list->InsertTrack(entry[0] == '~' ? Home.Music + entry.substr(1) : entry);
        View = NewView();
    }
    std::unique_ptr<TfraPlayLists> NewView() {
        auto view = std::make_unique<TfraPlayLists>();
        view->Initialize(*Home.PlayLists, Main, Prompts);
        view->SetLibraryFile(Home.LibraryFile());
        return view;
    }
    std::string Held() const { return Home.Music + "/1.mp3"; }
    QString Cell(int Row, int Column) const {
        return View->TrackModel->index(Row, Column).data().toString();
    }
    std::vector<std::string> Tracks() const { return View->CurrentPlayList()->Tracks(); }
    // The playlist as its file holds it once saved.
    std::string SavedText() {
        View->SavePlayLists();
        return test::readAll(Home.Home.file("Playlists/List.ply"));
    }
};

} // namespace

class TestPlayListsLibrary : public QObject {
    Q_OBJECT

private slots:
    // Artist, Album and Track Title come from the library by path; entries it does not hold,
    // and streams, leave them empty. A held entry without seconds shows the library's.
    void libraryColumnsAndStreams() {
        Fixture f({"~/1.mp3*0", "~/2.mp3*0", Stream + "*0"});
        QTRY_COMPARE(f.Cell(0, Model::colArtist), QStringLiteral("Artist"));
        // Title, Duration, Artist, Album, Track Title.
        const std::vector<std::vector<std::string>> expected{
            {" 1", "00:00:30", "Artist", "1.mp3", "T1"},
            {" 2", "00:00:00", "", "", ""},
            {" " + Stream, "--", "", "", ""}};
        for (int row = 0; row < 3; ++row)
            for (int column = 0; column < Model::colCount; ++column)
                QCOMPARE(f.Cell(row, column).toStdString(), expected[size_t(row)][size_t(column)]);
        // The engine takes the stream's URL as it stands.
        QString error;
        QCOMPARE(PlayableUri(QString::fromStdString(Stream), error), Stream);
    }

    // The optional columns start hidden, are shown from the header's menu and come back so.
    void columnsAreChosenAndRemembered() {
        Fixture f({});
        QHeaderView* header = f.View->lvwTracks->header();
        for (int column : {Model::colArtist, Model::colAlbum, Model::colTrackTitle})
            QVERIFY(header->isSectionHidden(column));
        emit f.View->popColumns->aboutToShow();
        QAction* album = f.View->popColumns->actions().at(1);
        QCOMPARE(album->text(), QStringLiteral("Album"));
        album->setChecked(true);
        QSettings settings(QString::fromStdString(f.Home.Home.file("view.ini")),
                           QSettings::IniFormat);
        SavePlayListsViewState(*f.View, settings);
        std::unique_ptr<TfraPlayLists> again = f.NewView();
        RestorePlayListsViewState(*again, settings);
        QVERIFY(!again->lvwTracks->header()->isSectionHidden(Model::colAlbum));
        QVERIFY(again->lvwTracks->header()->isSectionHidden(Model::colArtist));
    }

    // Rows dragged within the list land before the row dropped on; the file follows, its mode
    // kept.
    void dragReorders() {
        struct Case {
            std::vector<int> Rows;
            int Row;    // dropped between rows before this one (-1: onto Parent)
            int Parent; // the row dropped on (-1: below the last)
            std::string Order;
        };
        const std::vector<Case> cases{{{0}, 3, -1, "bcad"},     {{3}, 0, -1, "dabc"},
                                      {{0, 2}, -1, -1, "bdac"}, {{1, 3}, -1, 0, "bdac"},
                                      {{1, 2}, 2, -1, "abcd"},  {{2}, -1, 1, "acbd"}};
        for (const Case& c : cases) {
            Fixture f({"/m/a*1", "/m/b*2", "/m/c*3", "/m/d*4"}, pmLoop);
            QModelIndexList dragged;
            for (int row : c.Rows)
                dragged << f.View->TrackModel->index(row, 0);
            std::unique_ptr<QMimeData> data(f.View->TrackModel->mimeData(dragged));
            const QModelIndex parent =
                c.Parent < 0 ? QModelIndex() : f.View->TrackModel->index(c.Parent, 0);
            f.View->TrackModel->dropMimeData(data.get(), Qt::MoveAction, c.Row, 0, parent);
            std::string order, text = "1";
            for (const std::string& entry : f.Tracks()) {
                order += entry[3];
                text += "\r\n" + entry;
            }
            QCOMPARE(order, c.Order);
            QCOMPARE(f.SavedText(), text);
        }
    }

    // Library rows dropped on the list are added as "Add Files to Playlist" adds them: in
    // order, at the end, one the file cannot hold refused by name.
    void myMusicRowsDropIn() {
        Fixture f({"/m/a*1"});
        const std::string refused = "/m/two\nlines.mp3*5";
        std::unique_ptr<QMimeData> data(TrackEntriesMime({f.Held() + "*30", refused, "/m/b*2"}));
        QVERIFY(f.View->TrackModel->dropMimeData(data.get(), Qt::CopyAction, -1, -1, {}));
        QCOMPARE(f.Tracks(), (std::vector<std::string>{"/m/a*1", f.Held() + "*30", "/m/b*2"}));
        QCOMPARE(f.Prompts.Messages.size(), size_t(1));
        QVERIFY(f.Prompts.Messages[0].Text.contains(QStringLiteral("lines.mp3")));
    }
};

QTEST_MAIN(TestPlayListsLibrary)
#include "test_playlists_library.moc"
