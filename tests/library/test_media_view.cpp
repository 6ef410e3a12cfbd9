#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <tuple>

#include "core/common/uDisplayUtils.h"
#include "core/library/uLibraryWorker.h"
#include "core/library/uTMyMediaDB.h"
#include "core/metadata/MPEGaudio.h"
#include "core/playlists/uTPlayListManager.h"
#include "support/BatchFiles.h"
#include "support/DropFiles.h"
#include "support/FakeMainServices.h"
#include "support/FakePrompts.h"
#include "support/HomeWithLibrary.h"
#include "support/LibraryQueries.h"
#include "support/Mp3Files.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"
#include "ui/common/uWorkerInbox.h"
#include "ui/library/uFraMedia.h"
#include "ui/library/uFraMediaState.h"
#include "ui/metadata/uFrmMP3Tag.h"

using namespace orvanta;

namespace {

// A My Music view on a real library file and real playlists in a home folder of its own.
struct Fixture : test::THomeWithLibrary {
    test::FakePrompts Prompts;
    test::FakeMainServices Main;
    std::unique_ptr<TfraMedia> View;
    QStringList Located;

    Fixture() { PlayLists->AddPlayList("Mix"); }
    void Start() {
        View = std::make_unique<TfraMedia>();
        View->OnLocateFile = [this](const QString& folder) { Located << folder; };
        View->resize(900, 500);
        View->Initialize(DB, *PlayLists, Types, Main, Prompts);
        Settle();
    }
    // Waits for the lists and the command the view reads and runs on its library worker.
    void Settle() {
        QVERIFY(QTest::qWaitFor([this] { return !View->ListPending() && !View->Busy(); }, 10000));
    }
    QString Mp3(const std::string& file) {
        const std::string path = JoinPath(Music, file);
        test::WriteMp3(path);
        return QString::fromStdString(path);
    }
    QStringList Column(int column) const {
        QStringList values;
        for (int row = 0; row < View->MediaModel->rowCount(); ++row)
            values << View->MediaModel->index(row, column).data().toString();
        return values;
    }
    QStringList Titles() const { return Column(0); }
    int RowsInLibrary() {
        TEasyQuery query;
        TMyMediaDBTestAccess::SelectAllMedia(DB, query);
        return query.RecordCount();
    }
    void Filter(const QString& text) {
        View->cmbFilter->setCurrentText(text);
        Settle();
    }
    void Pick(const QString& value) {
        View->SelectFilterItem(static_cast<int>(View->FilterItems().indexOf(value)));
        Settle();
    }
    int RowOf(const QString& title) const {
        return static_cast<int>(Titles().indexOf(QStringLiteral(" ") + title));
    }
    QString FullPath(const std::string& file) const {
        return QString::fromStdString(JoinPath(Music, file));
    }
};

} // namespace

class TestMediaView : public QObject {
    Q_OBJECT

private slots:
    void emptyLibraryStillOffersAll() {
        Fixture f;
        f.Start();
        QCOMPARE(f.View->cmbFilter->currentText(), QStringLiteral("Artists"));
        QCOMPARE(f.View->FilterItems(), QStringList{QStringLiteral("All")});
        QCOMPARE(f.View->MediaModel->rowCount(), 0);
        QCOMPARE(f.View->SortState(), 1);
        // Albums has no "All": the filter list stays empty and the rows are cleared.
        f.Filter(QStringLiteral("Albums"));
        QVERIFY(f.View->FilterItems().isEmpty());
        QCOMPARE(f.View->MediaModel->rowCount(), 0);
        QVERIFY(!f.View->pnlProgress->isVisible());
    }

    void filtersListTheirRows() {
        Fixture f;
        f.Row("1.mp3", "Waterloo", "ABBA", "Waterloo", "1974", "Pop");
        f.Row("2.mp3", "Dancing Queen", "Abba", "Arrival", "1976", "Pop");
        f.Row("3.mp3", "Nameless", "", "", "", "");
        f.Row("4.mp3", "Blue", "Joni", "Blue", "1971", "Folk");
        TMediaRecord various;
        QVERIFY(f.DB.FindMedia(f.Music, "2.mp3", various));
        various.Numbers.AlbumArtist = "Various";
        f.DB.RewriteMedia(various);
        f.Start();
        QCOMPARE(f.View->FilterItems().first(), QStringLiteral("All"));
        QVERIFY(!f.View->FilterItems().contains(QString()));
        // "All" lists every row, by title.
        QCOMPARE(f.Titles(),
                 (QStringList{QStringLiteral(" Blue"), QStringLiteral(" Dancing Queen"),
                              QStringLiteral(" Nameless"), QStringLiteral(" Waterloo")}));
        // An artist matches without regard to ASCII case.
        f.Pick(f.View->FilterItems().contains(QStringLiteral("Abba")) ? QStringLiteral("Abba")
                                                                      : QStringLiteral("ABBA"));
        QCOMPARE(f.Titles(),
                 (QStringList{QStringLiteral(" Dancing Queen"), QStringLiteral(" Waterloo")}));
        QCOMPARE(f.View->SortState(), 1);

        // Rows without an album or genre cannot be reached there.
        f.Filter(QStringLiteral("Albums"));
        QCOMPARE(f.View->FilterItems(),
                 (QStringList{QStringLiteral("Arrival"), QStringLiteral("Blue"),
                              QStringLiteral("Waterloo")}));
        QCOMPARE(f.Titles(), QStringList{QStringLiteral(" Dancing Queen")});
        f.Filter(QStringLiteral("Genres"));
        QCOMPARE(f.View->FilterItems(),
                 (QStringList{QStringLiteral("Folk"), QStringLiteral("Pop")}));
        QCOMPARE(f.Titles(), QStringList{QStringLiteral(" Blue")});
        // Album artists come after the three kinds, without "All".
        f.Filter(QStringLiteral("Album Artists"));
        QCOMPARE(f.View->FilterItems(), QStringList{QStringLiteral("Various")});
        QCOMPARE(f.Titles(), QStringList{QStringLiteral(" Dancing Queen")});
        f.Filter(QStringLiteral("Genres"));
        // A click on a value shows its rows.
        const QRect box = f.View->lstItems->visualRect(f.View->lstItems->model()->index(1, 0));
        f.View->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.View.get()));
        QTest::mouseClick(f.View->lstItems->viewport(), Qt::LeftButton, {}, box.center());
        f.Settle();
        QCOMPARE(f.Titles().size(), 2);
        // No entry selected: the list is emptied.
        f.View->SelectFilterItem(-1);
        QCOMPARE(f.View->MediaModel->rowCount(), 0);
    }

    void columnsShowTheirFormats() {
        Fixture f;
        f.Row("dir.mp3", "T", "A", "B", "1999", "Rock", 245, 128, 1536);
        f.Start();
        QStringList captions;
        for (int c = 0; c < TMediaListModel::ColumnCount; ++c)
            captions << f.View->MediaModel->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(captions, (QStringList{QStringLiteral("Title"), QStringLiteral("Artist"),
                                        QStringLiteral("Album"), QStringLiteral("Year"),
                                        QStringLiteral("Genre"), QStringLiteral("Duration"),
                                        QStringLiteral("Quality"), QStringLiteral("Size"),
                                        QStringLiteral("#"), QStringLiteral("Format"),
                                        QStringLiteral("Album Artist")}));
        QStringList cells;
        for (int c = 0; c < TMediaListModel::ColumnCount; ++c)
            cells << f.View->MediaModel->index(0, c).data().toString();
        QCOMPARE(cells, (QStringList{QStringLiteral(" T"), QStringLiteral("A"), QStringLiteral("B"),
                                     QStringLiteral("1999"), QStringLiteral("Rock"),
                                     QStringLiteral("00:04:05"), QStringLiteral("128"),
                                     QString::fromStdString(FormatFileSize(1536)), QString(),
                                     QString(), QString()}));
        const TMediaItem& item = f.View->MediaModel->Item(0);
        QCOMPARE(item.Directory, f.Music);
        QCOMPARE(item.FileName, std::string("dir.mp3"));
        QCOMPARE(item.TrackEntry(), f.Music + "/dir.mp3*245");
        QCOMPARE(f.View->lvwMedia->horizontalHeader()->sectionSize(0), 200);
        QCOMPARE(f.View->lvwMedia->horizontalHeader()->sectionSize(3), 50);
    }

    // Format and Album Artist start hidden, also under a state saved before they existed, and
    // the header's menu shows them, as the saved state remembers.
    void addedColumnsStartHiddenAndAreRemembered() {
        Fixture f;
        f.Start();
        const auto hidden = [](TfraMedia& view) {
            QHeaderView* header = view.lvwMedia->horizontalHeader();
            QList<bool> flags;
            for (int c = 0; c < TMediaListModel::ColumnCount; ++c)
                flags << header->isSectionHidden(c);
            return flags;
        };
        QList<bool> expected(TMediaListModel::ColumnCount, false);
        expected[TMediaListModel::colFormat] = expected[TMediaListModel::colAlbumArtist] = true;
        QCOMPARE(hidden(*f.View), expected);
        f.View->popColumns->actions()[0]->setChecked(true);
        expected[TMediaListModel::colFormat] = false;
        QCOMPARE(hidden(*f.View), expected);
        QSettings settings(QString::fromStdString(f.Home.file("view.ini")), QSettings::IniFormat);
        SaveMediaViewState(*f.View, settings);
        for (const bool older : {false, true}) {
            if (older)
                settings.remove(QStringLiteral("MyMusic/ColumnCount"));
            TfraMedia again;
            again.Initialize(f.DB, *f.PlayLists, f.Types, f.Main, f.Prompts);
            RestoreMediaViewState(again, settings);
            expected[TMediaListModel::colFormat] = older;
            QCOMPARE(hidden(again), expected);
            QVERIFY(QTest::qWaitFor([&again] { return !again.ListPending() && !again.Busy(); }));
        }
    }

    void columnClicksFlipAndSort() {
        Fixture f;
        f.Row("a.mp3", "beta", "x", "", "2001", "", 3599, 128, 900);
        f.Row("b.mp3", "Alpha", "y", "", "", "", 3600, 96, 1536);
        f.Row("c.mp3", "gamma", "z", "", "1999", "", 59, 320, 2000000);
        f.Start();
        QCOMPARE(f.Titles(), (QStringList{QStringLiteral(" Alpha"), QStringLiteral(" beta"),
                                          QStringLiteral(" gamma")}));
        // Title right after a fill: the state was 1, so it sorts descending; again ascending.
        f.View->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.View.get()));
        QHeaderView* header = f.View->lvwMedia->horizontalHeader();
        const auto clickHeader = [header](int column) {
            const QPoint at(header->sectionViewportPosition(column) + 5, header->height() / 2);
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
        };
        clickHeader(0);
        QCOMPARE(f.View->SortState(), -1);
        QCOMPARE(f.Titles().first(), QStringLiteral(" gamma"));
        clickHeader(0);
        QCOMPARE(f.View->SortState(), 1);
        QCOMPARE(f.Titles().first(), QStringLiteral(" Alpha"));

        // Duration in time order, quality and size as numbers, empty year first.
        f.View->lvwMediaColumnClick(5);
        QCOMPARE(f.Column(5), (QStringList{QStringLiteral("00:00:59"), QStringLiteral("00:59:59"),
                                           QStringLiteral("01:00:00")}));
        f.View->lvwMediaColumnClick(6);
        QCOMPARE(f.Column(6),
                 (QStringList{QStringLiteral("96"), QStringLiteral("128"), QStringLiteral("320")}));
        QCOMPARE(f.View->SortState(), 7);
        f.View->lvwMediaColumnClick(7);
        QCOMPARE(f.Titles(), (QStringList{QStringLiteral(" beta"), QStringLiteral(" Alpha"),
                                          QStringLiteral(" gamma")}));
        f.View->lvwMediaColumnClick(7);
        QCOMPARE(f.View->SortState(), -8);
        QCOMPARE(f.Titles().first(), QStringLiteral(" gamma"));
        f.View->lvwMediaColumnClick(3);
        QCOMPARE(f.Column(3),
                 (QStringList{QString(), QStringLiteral("1999"), QStringLiteral("2001")}));

        // The selection moves with its row.
        f.View->SelectRows({2});
        const std::string selected = f.View->MediaModel->Item(2).FileName;
        f.View->lvwMediaColumnClick(3);
        QCOMPARE(f.View->SelectedRows(), std::vector<int>{0});
        QCOMPARE(f.View->MediaModel->Item(0).FileName, selected);
    }

    void longListsSortByTheLibrarysOrder() {
        Fixture f;
        // Every column's values differ, so both ways of sorting have one answer.
        f.Row("a.mp3", "Track 10", "Édith", "Été", "1999", "Pop", 61, 320, 10);
        f.Row("b.mp3", "track 9", "abba", "Zoo", "2001", "jazz", 3600, 96, 2000);
        f.Row("c.mp3", "Ágætis", "Beck", "alpha", "", "Électro", 5, 128, 7);
        f.Row("d.mp3", "Zulu", "Édith 2", "Eta", "1980", "rock", 600, 192, 300);
        TEasyQuery query;
        for (const auto& [file, track, disc, albumArtist, format] :
             {std::tuple{"a.mp3", 3, 1, "Zed", "MP3"},
              {"b.mp3", 2, 1, "ásh", "FLAC"},
              {"c.mp3", 11, 0, "Bo", "Opus"},
              {"d.mp3", 1, 2, "", "M4A"}}) {
            f.DB.SetMediaNumbers(f.Music, file, {track, disc, albumArtist});
            TMyMediaDBTestAccess::ExecQuery(f.DB, query,
                                            "UPDATE tMedia SET fFormat = ?1 WHERE fFileName = ?2",
                                            {std::string(format), std::string(file)});
        }
        f.Start();
        for (int state = -TMediaListModel::ColumnCount; state <= TMediaListModel::ColumnCount;
             ++state) {
            if (state == 0)
                continue;
            f.View->MediaModel->InMemorySortLimit = 1000;
            f.View->MediaModel->Sort(state);
            f.Settle();
            const QStringList byTexts = f.Column(TMediaListModel::colSize);
            f.View->MediaModel->InMemorySortLimit = 0;
            f.View->SelectFilterItem(0);
            f.Settle();
            f.View->MediaModel->Sort(state);
            f.Settle();
            QVERIFY2(f.Column(TMediaListModel::colSize) == byTexts,
                     qPrintable(QString::number(state)));
        }
    }

    void popupEnablingFollowsTheSelection() {
        Fixture f;
        f.Row("a.mp3", "A");
        f.Row("b.mp3", "B");
        f.Start();
        struct Case {
            std::vector<int> Rows;
            bool One;
            bool Some;
        };
        for (const Case& c :
             {Case{{}, false, false}, Case{{0}, true, true}, Case{{0, 1}, false, true}}) {
            f.View->SelectRows(c.Rows);
            f.View->popMediaPopup();
            QCOMPARE(f.View->mnuPopMediaPlayFile->isEnabled(), c.One);
            QCOMPARE(f.View->mnuPopMediaLocateFile->isEnabled(), c.One);
            QCOMPARE(f.View->mnuPopMediaEditMP3Tag->isEnabled(), c.Some);
            QCOMPARE(f.View->mnuPopMediaRemoveFiles->isEnabled(), c.Some);
            QCOMPARE(f.View->mnuPopMediaAddFilesToPlayList->isEnabled(), c.Some);
            QVERIFY(f.View->mnuPopMediaAddFiles->isEnabled());
            QVERIFY(f.View->mnuPopMediaRefreshMedia->isEnabled());
        }
        QVERIFY(!f.View->mnuPopMediaFindMedia->isVisible());
        QCOMPARE(f.View->mnuPopMediaLocateFile->text(), QStringLiteral("Locate File..."));
        // End and Home go to the last and the first track, as in any list.
        f.View->lvwMedia->setCurrentIndex(f.View->MediaModel->index(0, 0));
        for (const auto& [key, row] : {std::pair{Qt::Key_End, 1}, std::pair{Qt::Key_Home, 0}}) {
            QTest::keyClick(f.View->lvwMedia, key);
            QCOMPARE(f.View->lvwMedia->currentIndex().row(), row);
        }
    }

    void playAndLocateNeedExactlyOneRow() {
        Fixture f;
        f.Row("a.mp3", "A");
        f.Row("b.mp3", "B");
        f.Start();
        f.View->SelectRows({0, 1});
        f.View->DoCommand(ECommand::MediaPlayFile);
        f.View->DoCommand(ECommand::MediaLocateFile);
        QVERIFY(f.Main.PlayedFiles.isEmpty() && f.Located.isEmpty());
        f.View->SelectRows({1});
        f.View->mnuPopMediaPlayFile->trigger();
        f.View->mnuPopMediaLocateFile->trigger();
        QCOMPARE(f.Main.PlayedFiles, QStringList{f.FullPath("b.mp3")});
        QCOMPARE(f.Located, QStringList{QString::fromStdString(f.Music)});
        f.View->DoCommand(ECommand::MediaFindMedia); // does nothing
        f.View->DoCommand(ECommand::PlayListsPlay);  // the other view's
        QCOMPARE(f.Main.PlayedFiles.size(), 1);
    }

    // A double-click and Return play the row's file, or the list as shown from that row on
    // while it is played through; Shift+F10 opens the row's menu.
    void aRowPlaysAloneOrOnThroughTheList() {
        Fixture f;
        f.Row("a.mp3", "A");
        f.Row("b.mp3", "B");
        f.Row("c.mp3", "C");
        f.Start();
        f.View->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.View.get()));
        const QRect cell = f.View->lvwMedia->visualRect(f.View->MediaModel->index(1, 0));
        QTest::mouseClick(f.View->lvwMedia->viewport(), Qt::LeftButton, {}, cell.center());
        for (const bool through : {false, true}) {
            f.Main.Continue = through;
            for (const bool byKey : {false, true}) {
                const qsizetype files = f.Main.PlayedFiles.size();
                if (byKey)
                    QTest::keyClick(f.View->lvwMedia, Qt::Key_Return);
                else
                    QTest::mouseDClick(f.View->lvwMedia->viewport(), Qt::LeftButton, {},
                                       cell.center());
                QCOMPARE(f.Main.PlayedFiles.size(), files + (through ? 0 : 1));
                // Read on the library worker.
                QTRY_COMPARE(f.Main.PlayedFromHere.size(), size_t(through ? byKey + 1 : 0));
            }
        }
        QCOMPARE(f.Main.PlayedFiles.last(), f.FullPath("b.mp3"));
        const auto& [queue, index] = f.Main.PlayedFromHere.back();
        QCOMPARE(index, 0);
        QCOMPARE(queue.Tracks.size(), size_t(2));
        QCOMPARE(QString::fromStdString(TrackPath(queue.Tracks[1])), f.FullPath("c.mp3"));
        QTest::keyClick(f.View->lvwMedia, Qt::Key_F10, Qt::ShiftModifier);
        QTRY_VERIFY(f.View->popMedia->isVisible());
        f.View->popMedia->close();
    }

    void addFilesToPlayListAppendsInListOrder() {
        Fixture f;
        f.Row("a.mp3", "A", "", "", "", "", 10);
        f.Row("b.mp3", "B", "", "", "", "", 20);
        f.Row("c.mp3", "C", "", "", "", "", 30);
        f.Start();
        TPlayList* mix = f.PlayLists->FindByName("Mix");
        // No name picked, or a name that is gone: nothing, and no message.
        f.View->SelectRows({0, 1, 2});
        f.View->DoCommand(ECommand::MediaAddFilesToPlayList);
        f.Main.SelectedName = QStringLiteral("Gone");
        f.View->DoCommand(ECommand::MediaAddFilesToPlayList);
        QCOMPARE(mix->Count(), 0);
        QCOMPARE(f.Main.TrackRefreshes, 1); // the start-up refresh only

        f.Main.SelectedName = QStringLiteral("mix");
        f.View->DoCommand(ECommand::MediaAddFilesToPlayList);
        QCOMPARE(mix->Count(), 3);
        QCOMPARE(mix->GetTrack(0), f.Music + "/a.mp3*10");
        QCOMPARE(mix->GetTrack(2), f.Music + "/c.mp3*30");
        QVERIFY(f.View->SelectedRows().empty());
        QCOMPARE(f.Main.TrackRefreshes, 2);
        // The same row again gives a second, equal entry.
        f.View->SelectRows({0});
        f.View->DoCommand(ECommand::MediaAddFilesToPlayList);
        QCOMPARE(mix->GetTrack(3), mix->GetTrack(0));
    }

    void addFilesReadsTagsAndSkipsWhatItCannot() {
        Fixture f;
        f.Row("b.mp3", "Someone", "Zed");
        f.Start();
        f.Filter(QStringLiteral("Albums")); // new rows are appended whatever is shown
        const QString plain = f.Mp3("song.v2.mp3");
        const QString old = f.Mp3("old.mp3");
        TID3v1 v1;
        v1.SetTitle("Old Title");
        v1.SetArtist("Old Artist");
        v1.SetGenreIndex(17);
        QVERIFY(v1.StoreTag(old.toStdString()));
        const QString tagged = f.Mp3("both.mp3");
        TID3v2 v2;
        v2.SetArtist("New Artist");
        v2.SetAlbum("New Album");
        v2.SetTrack(3);
        v2.SetLanguage("eng");
        QVERIFY(v2.StoreTag(tagged.toStdString()));
        QVERIFY(v1.StoreTag(tagged.toStdString()));
        const QString text = QString::fromStdString(f.Home.write("notes.txt", "hello"));
        const QString noise = QString::fromStdString(f.Home.write("noise.mp3", "not audio"));
        f.Prompts.FileAnswers = {{plain, text, old, tagged, noise, plain}};
        f.View->DoCommand(ECommand::MediaAddFiles);
        f.Settle();
        QCOMPARE(f.Prompts.Questions.last(), QStringLiteral("Add Files"));
        // One summary for the whole add, naming each file left out and why.
        QCOMPARE(f.Prompts.Messages.size(), size_t(1));
        QCOMPARE(f.Prompts.Messages[0].Caption, QStringLiteral("Information"));
        QCOMPARE(f.Prompts.Messages[0].Text,
                 QStringLiteral("3 added, 1 already in the library, 2 skipped (1 file in a "
                                "format Orvanta does not read: .txt)"));
        QCOMPARE(f.Prompts.Messages[0].Details,
                 text + QStringLiteral(": a format Orvanta does not read\r\n") + noise +
                     QStringLiteral(": no MPEG audio found"));
        QCOMPARE(f.RowsInLibrary(), 4);
        QCOMPARE(f.Titles(), (QStringList{QStringLiteral(" song.v2"), QStringLiteral(" Old Title"),
                                          QStringLiteral(" both")}));
        const TMediaItem& first = f.View->MediaModel->Item(0);
        QCOMPARE(first.Seconds, 1);
        QCOMPARE(first.Quality, 128);
        QVERIFY(first.Artist.empty() && first.Genre.empty());
        QCOMPARE(f.View->MediaModel->Item(1).Genre, std::string(GenreNames[17]));
        // An ID3v2 tag decides every text: its empty title is not the ID3v1 one.
        QCOMPARE(f.View->MediaModel->Item(2).Artist, std::string("New Artist"));
        QCOMPARE(f.View->MediaModel->Item(2).Numbers.Track, 3);
        QVERIFY(!f.View->Busy());
        // The filter list follows the add, the rows shown stay.
        QCOMPARE(f.View->FilterItems(), QStringList{QStringLiteral("New Album")});

        f.Prompts.FileAnswers = {{}}; // cancelled dialog
        f.View->DoCommand(ECommand::MediaAddFiles);
        QVERIFY(!f.View->Busy());
        QCOMPARE(f.RowsInLibrary(), 4);
    }

    void longAddRunsInTheBackgroundAndCancels() {
        Fixture f;
        f.Start();
        const QString model = f.Mp3("model.mp3");
        QStringList paths;
        constexpr int Files = 3000;
        for (int i = 0; i < Files; ++i) {
            paths << f.FullPath("track" + std::to_string(i) + ".mp3");
            std::filesystem::copy_file(model.toStdString(), paths.back().toStdString());
        }
        f.Prompts.FileAnswers = {paths};
        f.View->DoCommand(ECommand::MediaAddFiles);
        QVERIFY(f.View->Busy());
        QVERIFY(f.View->pnlProgress->isVisibleTo(f.View.get()));
        // Library commands wait while the add runs.
        f.Prompts.FileAnswers = {{f.Mp3("other.mp3")}};
        f.View->DoCommand(ECommand::MediaAddFiles);
        QCOMPARE(f.Prompts.FileAnswers.size(), size_t(1));
        // Cancelled at the first tick that shows progress: a warm add of these files takes only
        // a few ticks.
        QElapsedTimer waited;
        waited.start();
        while (!f.View->lblProgress->text().startsWith(QStringLiteral("Adding ")) &&
               waited.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        QVERIFY2(f.View->lblProgress->text().contains(QStringLiteral(" of %L1: track").arg(Files)),
                 qPrintable(f.View->lblProgress->text()));
        f.View->cmdCancelWork->click();
        f.Settle();
        // What was listed before the cancel is exactly what the library holds.
        const int added = f.View->MediaModel->rowCount();
        QVERIFY(added < Files);
        QCOMPARE(f.RowsInLibrary(), added);
        QVERIFY(!f.View->pnlProgress->isVisibleTo(f.View.get()));
    }

    // Dropped on the list: into the library; dropped for a playlist: into it too, in the
    // order dropped, folders walked in path order, and nothing twice when dropped again.
    void droppedFilesAndFoldersComeInInOrder() {
        Fixture f;
        f.Start();
        std::filesystem::create_directories(f.Music + "/Album/cd 2");
        const QString a = f.Mp3("a.mp3"), b = f.Mp3("b.mp3"), c = f.Mp3("Album/c.mp3"),
                      d = f.Mp3("Album/cd 2/d.mp3");
        QVERIFY(test::DropFiles(f.View->lvwMedia->viewport(), {5, 5}, {b}));
        f.Settle();
        QCOMPARE(f.RowsInLibrary(), 1);

        f.View->AddPaths({a, f.FullPath("Album"), b}, QStringLiteral("Mix"));
        f.View->AddPaths({f.FullPath("Album")}); // waits its turn, then finds all known
        f.Settle();
        QCOMPARE(f.RowsInLibrary(), 4);
        QCOMPARE(f.View->MediaModel->rowCount(), 4);
        const auto entry = [](const QString& path) { return path.toStdString() + "*1"; };
        QCOMPARE(f.PlayLists->FindByName("Mix")->Tracks(),
                 (std::vector<std::string>{entry(a), entry(c), entry(d), entry(b)}));
        QVERIFY(f.Main.TrackRefreshes >= 1);
        QVERIFY(f.Prompts.Messages.empty());

        // Removed files: a folder's add passes them by; dropped or opened, they come back.
        f.Prompts.YesNoAnswers = {true, true};
        for (const QString& title : {QStringLiteral("a"), QStringLiteral("b")}) {
            f.View->SelectRows({f.RowOf(title)});
            f.View->DoCommand(ECommand::MediaRemoveFiles);
            f.Settle();
        }
        QCOMPARE(f.RowsInLibrary(), 2);
        f.View->AddPaths({QString::fromStdString(f.Music)});
        f.Settle();
        QCOMPARE(f.RowsInLibrary(), 2);
        QVERIFY(test::DropFiles(f.View->lvwMedia->viewport(), {5, 5}, {b}));
        f.Settle();
        f.View->AddPathsThen({a.toStdString()}, {});
        QTRY_COMPARE(f.RowsInLibrary(), 4);
    }

    // Another program's adds and removes show, with the chosen value and sort kept.
    void followsChangesMadeOutside() {
        Fixture f;
        f.Row("1.mp3", "Alpha", "ABBA");
        f.Row("2.mp3", "Beta", "Queen");
        f.Start();
        f.Pick(QStringLiteral("Queen"));
        f.View->lvwMediaColumnClick(0);
        QCOMPARE(f.View->SortState(), -1);
        TMyMediaDB other;
        other.OpenDatabase(f.LibraryFile());
        other.AddMedia(
            {.Directory = f.Music, .FileName = "3.mp3", .Title = "Gamma", .Artist = "Queen"});
        other.AddMedia(
            {.Directory = f.Music, .FileName = "4.mp3", .Title = "Delta", .Artist = "Yes"});
        QTRY_COMPARE_WITH_TIMEOUT(
            f.Titles(), (QStringList{QStringLiteral(" Gamma"), QStringLiteral(" Beta")}), 5000);
        QVERIFY(f.View->FilterItems().contains(QStringLiteral("Yes")));
        QCOMPARE(f.View->SortState(), -1);
        other.DeleteMedia(f.Music, "2.mp3");
        QTRY_COMPARE_WITH_TIMEOUT(f.Titles(), QStringList{QStringLiteral(" Gamma")}, 5000);
    }

    void longListsFillInSlicesAndEndAsInOneGo() {
        Fixture f;
        // Rows in a folder that is gone are kept by the purge; titles run against the rows'
        // order, every row has an album of its own.
        constexpr int Rows = 150000;
        TEasyQuery raw;
        TMyMediaDBTestAccess::ExecQuery(
            f.DB, raw,
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
            "WHERE i < " +
                std::to_string(Rows) +
                ") INSERT INTO tMedia (fDirectory, fFileName, fTitle, fArtist, "
                "fAlbum, fGenre) SELECT '/gone', 'f' || i || '.mp3', "
                "printf('T%06d', " +
                std::to_string(Rows + 1) +
                " - i), 'Artist ' || (i % 7), printf('A%06d', i), 'Rock' FROM n");
        f.DB.OpenDatabase(std::string(f.DB.FileName())); // as at start-up: the rows get keys
        // The window runs while the worker reads the list, and a choice made meanwhile
        // supersedes the listing under way.
        int fillTicks = 0;
        int finished = 0;
        int partlyShown = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] {
            if (f.View && f.View->MediaModel->rowCount() < f.View->MediaModel->Count())
                ++partlyShown; // the view is told of the rows in steps
            if (f.View && f.View->ListPending() && ++fillTicks == 1)
                f.View->cmbFilterChange();
        });
        ticker.start(0);
        f.View = std::make_unique<TfraMedia>();
        connect(f.View.get(), &TfraMedia::WorkFinished, [&] { ++finished; });
        f.View->resize(900, 500);
        f.View->MediaModel->RevealStep = Rows / 4;
        f.View->Initialize(f.DB, *f.PlayLists, f.Types, f.Main, f.Prompts);
        f.Settle();
        QTRY_COMPARE(f.View->MediaModel->rowCount(), Rows);
        ticker.stop();
        QVERIFY2(fillTicks > 1, "the fill held the window");
        QVERIFY(partlyShown > 0);
        QCOMPARE(finished, 1);
        QCOMPARE(f.View->FilterItems().size(), 8); // All and seven artists
        QCOMPARE(f.View->MediaModel->Item(0).Title, std::string("T000001"));
        const std::string last = std::to_string(Rows);
        QCOMPARE(f.View->MediaModel->Item(Rows - 1).Title, "T" + last);
        QCOMPARE(f.View->MediaModel->Item(Rows - 1).FileName, std::string("f1.mp3"));
        QCOMPARE(f.View->SortState(), 1);

        f.Filter(QStringLiteral("Albums"));
        QCOMPARE(f.View->FilterItems().size(), Rows);
        QCOMPARE(f.View->FilterItems().first(), QStringLiteral("A000001"));
        QCOMPARE(f.View->FilterItems().last(), QString::fromStdString("A" + last));
        QCOMPARE(f.Titles(), QStringList{QString::fromStdString(" T" + last)});
        QVERIFY(!f.View->Busy() && f.View->pnlFilter->isEnabled());
    }

    void removeFilesAsksOnlyForPlayListFiles() {
        Fixture f;
        f.Row("a.mp3", "A", "", "", "", "", 10);
        f.Row("b.mp3", "B", "", "", "", "", 20);
        f.Row("c.mp3", "C", "", "", "", "", 30);
        f.Row("d.mp3", "D", "", "", "", "", 40);
        f.PlayLists->AddPlayList("Other");
        // Another file only by letter case: left alone.
        f.PlayLists->FindByName("Other")->InsertTrack(f.Music + "/B.MP3*20");
        f.PlayLists->FindByName("Mix")->InsertTrack(f.Music + "/b.mp3*20");
        f.Start();

        f.View->SelectRows({0, 1, 2});
        f.View->DoCommand(ECommand::MediaRemoveFiles);
        QCOMPARE(f.Prompts.Questions.size(), 1);
        QCOMPARE(f.Prompts.Questions[0],
                 QStringLiteral("Confirm Action: Some of the selected files are part of one or "
                                "more playlists.\r\nFiles removed from the My Music view will "
                                "also be removed from the playlists of which they are part.\r\n"
                                "Do you really want to remove the selected files ?"));
        QCOMPARE(f.RowsInLibrary(), 4);
        QCOMPARE(f.View->MediaModel->rowCount(), 4);

        f.View->SelectRows({1});
        f.Prompts.YesNoAnswers = {true};
        f.View->DoCommand(ECommand::MediaRemoveFiles);
        f.Settle();
        QVERIFY(f.Prompts.Questions[1].contains(
            QStringLiteral("The selected file is part of one or more playlists.\r\n")));
        QVERIFY(f.Prompts.Questions[1].endsWith(
            QStringLiteral("Do you really want to remove the selected file ?")));
        QCOMPARE(f.Titles(),
                 (QStringList{QStringLiteral(" A"), QStringLiteral(" C"), QStringLiteral(" D")}));
        QCOMPARE(f.PlayLists->FindByName("Mix")->Count(), 0);
        // Removal compares entries by their bytes: "B.MP3" is another file.
        QCOMPARE(f.PlayLists->FindByName("Other")->Count(), 1);
        QVERIFY(std::filesystem::exists(JoinPath(f.Music, "b.mp3")));

        // None in a playlist: no question.
        const int refreshes = f.Main.TrackRefreshes;
        f.View->SelectRows({0, 2});
        f.View->DoCommand(ECommand::MediaRemoveFiles);
        f.Settle();
        QCOMPARE(f.Prompts.Questions.size(), 2);
        QCOMPARE(f.Titles(), QStringList{QStringLiteral(" C")});
        QCOMPARE(f.RowsInLibrary(), 1);
        QCOMPARE(f.Main.TrackRefreshes, refreshes + 1);
        f.View->SelectRows({});
        f.View->DoCommand(ECommand::MediaRemoveFiles);
        QCOMPARE(f.RowsInLibrary(), 1);
    }

    void refreshDropsMissingFilesButNotMissingFolders() {
        Fixture f;
        f.Row("a.mp3", "A", "X", "", "", "", 10);
        f.Row("b.mp3", "B", "Y", "", "", "", 20);
        f.DB.AddMedia({.Directory = "/no/such/drive",
                       .FileName = "c.mp3",
                       .Title = "C",
                       .Artist = "Z",
                       .Seconds = 30});
        f.PlayLists->FindByName("Mix")->InsertTrack(f.Music + "/a.mp3*10");
        f.PlayLists->FindByName("Mix")->InsertTrack("/no/such/drive/c.mp3*30");
        f.Start();
        QCOMPARE(f.View->MediaModel->rowCount(), 3);
        f.Filter(QStringLiteral("Genres"));

        std::filesystem::remove(JoinPath(f.Music, "a.mp3"));
        f.Mp3("new.mp3"); // appeared beside the library's files
        f.Filter(QStringLiteral("Artists"));
        f.Mp3("b.mp3"); // rewritten by another program: read again
        f.View->DoCommand(ECommand::MediaRefreshMedia);
        f.Settle();
        QCOMPARE(f.PlayLists->FindByName("Mix")->Tracks(),
                 std::vector<std::string>{"/no/such/drive/c.mp3*30"});
        QVERIFY(f.Main.TrackRefreshes >= 2);
        QCOMPARE(f.Titles(),
                 (QStringList{QStringLiteral(" b"), QStringLiteral(" C"), QStringLiteral(" new")}));
    }

    void editTagUpdatesTheRowInPlace() {
        Fixture f;
        f.Row("a.mp3", "Alpha", "Old");
        const QString path = f.Mp3("z.mp3");
        f.DB.AddMedia({.Directory = f.Music,
                       .FileName = "z.mp3",
                       .Stamp = {1},
                       .Title = "Zulu",
                       .Artist = "Old",
                       .Seconds = 1,
                       .Quality = 128});
        f.Row("m.mp3", "Mike", "Old");
        f.Start();
        f.View->lvwMediaColumnClick(0); // descending: Zulu, Mike, Alpha
        QCOMPARE(f.RowOf(QStringLiteral("Zulu")), 0);

        f.View->SelectRows({0});
        QTimer::singleShot(0, [&f] {
            auto* dialog = qobject_cast<TfrmMP3Tag*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("MP3 Tag Editor (ID3 v2)"));
            dialog->txtTitle->setText(QStringLiteral("Yankee"));
            dialog->cmbArtists->setEditText(QStringLiteral("New"));
            dialog->cmdOK->click();
        });
        f.View->DoCommand(ECommand::MediaEditMP3Tag);
        f.Settle();
        QCOMPARE(f.View->MediaModel->Item(0).Title, std::string("Yankee"));
        QCOMPARE(f.View->MediaModel->Item(0).Artist, std::string("New"));
        QVERIFY(
            f.View->lblProgress->text().startsWith(QStringLiteral("Saved to the library: z.mp3")));
        // The filter list follows the edit.
        QVERIFY(f.View->FilterItems().contains(QStringLiteral("New")));
        TID3v2 tag;
        QVERIFY(tag.LoadTag(path.toStdString()));
        QVERIFY(!tag.Present());

        // A row whose file is not MPEG audio: a message and no dialog.
        std::ofstream(JoinPath(f.Music, "m.mp3")) << std::string(5000, 'x');
        f.View->SelectRows({f.RowOf(QStringLiteral("Mike"))});
        f.View->mnuPopMediaEditMP3Tag->trigger();
        QCOMPARE(f.Prompts.Messages.size(), size_t(1));
        QCOMPARE(f.Prompts.Messages[0].Text,
                 QStringLiteral("Invalid MP3 file.\r\n") + f.FullPath("m.mp3"));
        QCOMPARE(f.View->MediaModel->Item(1).Title, std::string("Mike"));
    }

    // Edit Tag with three rows opens the dialog for the three; its Save runs as one batch on
    // the writer, and the rows then show what the library holds, as they do after its undo.
    void editTagOfSeveralRowsRunsOneBatch() {
        Fixture f;
        for (const char* name : {"1", "2", "3"}) {
            f.Row(std::string(name) + ".mp3", std::string("Song ") + name, "", "Album");
            test::WriteTaggedMp3(JoinPath(f.Music, std::string(name) + ".mp3"),
                                 std::string("Song ") + name, "Album", test::JpegCover(name));
        }
        f.Start();
        f.View->SelectRows({0, 1, 2});
        // The files are read on the writer; the dialog opens once they are.
        f.View->DoCommand(ECommand::MediaEditMP3Tag);
        TfrmMP3Tag* dialog = nullptr;
        QVERIFY(QTest::qWaitFor([&dialog] {
            dialog = qobject_cast<TfrmMP3Tag*>(QApplication::activeModalWidget());
            return dialog != nullptr;
        }));
        QCOMPARE(dialog->Files().size(), std::size_t(3));
        QTest::keyClicks(dialog->txtYear, QStringLiteral("1999"));
        dialog->cmdSaveTag->click();
        f.Settle();
        QVERIFY(f.Prompts.Messages.back().Text.startsWith(QStringLiteral("3 of 3 files written")));
        // The rows are read again after the batch; the filter list may come first.
        const auto years = [&f](const std::string& Year) {
            return QTest::qWaitFor(
                [&] {
                    return f.View->MediaModel->rowCount() == 3 &&
                           std::ranges::all_of(std::vector<int>{0, 1, 2}, [&](int Row) {
                               return f.View->MediaModel->Item(Row).Year == Year;
                           });
                },
                10000);
        };
        QVERIFY(years("1999"));
        // Undo Last Batch gives the files and rows their old year back.
        QVERIFY(f.View->CanUndoBatch());
        f.View->UndoBatch();
        f.Settle();
        QVERIFY(f.Prompts.Messages.back().Text.startsWith(QStringLiteral("3 files restored")));
        QVERIFY(years(""));
        QVERIFY(!f.View->CanUndoBatch());
    }

    void searchCombinesWithTheFilterAndAlbumsPlayInOrder() {
        Fixture f;
        f.Row("1.mp3", "Dancing Queen", "ABBA", "Arrival", "1976", "Pop");
        f.Row("2.mp3", "Águas de Março", "Elis", "Elis & Tom", "1974", "Bossa");
        f.Row("3.mp3", "Queen of Hearts", "abba", "Other", "1980", "Pop");
        f.Row("4.mp3", "Intro", "Abba", "Arrival", "1976", "Pop");
        f.Row("5.mp3", "Outro", "Abba", "Arrival", "1976", "Pop");
        for (const auto& [file, track, disc] :
             {std::tuple{"4.mp3", 1, 1}, {"5.mp3", 2, 2}, {"1.mp3", 10, 1}})
            f.DB.SetMediaNumbers(f.Music, file, {track, disc, ""});
        f.Start();
        // Case variants are one artist, under the most frequent spelling.
        QCOMPARE(f.View->FilterItems(), (QStringList{QStringLiteral("All"), QStringLiteral("Abba"),
                                                     QStringLiteral("Elis")}));
        struct Case {
            QString Typed;
            QString Pick;
            QStringList Titles;
        };
        const Case cases[] = {
            {QStringLiteral("QUEEN"),
             QStringLiteral("All"),
             {QStringLiteral(" Dancing Queen"), QStringLiteral(" Queen of Hearts")}},
            {QStringLiteral("aguas marco"),
             QStringLiteral("All"),
             {QStringLiteral(" Águas de Março")}},
            {QStringLiteral(" pop  queen dan"),
             QStringLiteral("Abba"),
             {QStringLiteral(" Dancing Queen")}},
            {QStringLiteral("bossa"), QStringLiteral("Abba"), {}},
        };
        for (const Case& c : cases) {
            f.Pick(c.Pick);
            f.View->txtSearch->setText(c.Typed);
            QTRY_VERIFY(!f.View->SearchPending());
            f.Settle();
            QCOMPARE(f.Titles(), c.Titles);
            // A search narrowed by the filter says so.
            QCOMPARE(f.View->lblSearchScope->isVisibleTo(f.View.get()),
                     c.Pick != QStringLiteral("All"));
        }
        // One click on the hint searches the whole library.
        QVERIFY(f.View->lblSearchScope->text().contains(QStringLiteral("the artist \"Abba\"")));
        emit f.View->lblSearchScope->linkActivated(QStringLiteral("all"));
        QTRY_VERIFY(!f.View->SearchPending());
        f.Settle();
        QCOMPARE(f.Titles(), QStringList{QStringLiteral(" Águas de Março")});
        QVERIFY(!f.View->lblSearchScope->isVisibleTo(f.View.get()));
        // Ctrl+F reaches the box, Escape empties it and lists the filter's rows again.
        f.View->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.View.get()));
        f.View->lvwMedia->setFocus();
        QTest::keyClick(f.View->lvwMedia, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(f.View->txtSearch->hasFocus());
        QTest::keyClick(f.View->txtSearch, Qt::Key_Escape);
        QVERIFY(f.View->txtSearch->text().isEmpty());
        QTRY_VERIFY(!f.View->SearchPending());
        f.Settle();
        QCOMPARE(f.Titles().size(), 5);

        // An album lists by disc and track, and plays in that order.
        f.Filter(QStringLiteral("Albums"));
        f.Pick(QStringLiteral("Arrival"));
        QCOMPARE(f.Titles(),
                 (QStringList{QStringLiteral(" Intro"), QStringLiteral(" Dancing Queen"),
                              QStringLiteral(" Outro")}));
        QCOMPARE(f.Column(TMediaListModel::colTrack),
                 (QStringList{QStringLiteral("1"), QStringLiteral("10"), QStringLiteral("2")}));
        QCOMPARE(f.View->lvwMedia->horizontalHeader()->visualIndex(TMediaListModel::colTrack), 0);
        f.View->mnuPopMediaPlayAlbum->trigger();
        QCOMPARE(f.Main.PlayedPlayLists.size(), size_t(1));
        QCOMPARE(f.Main.PlayedPlayLists[0].Tracks,
                 (std::vector<std::string>{f.Music + "/4.mp3*0", f.Music + "/1.mp3*0",
                                           f.Music + "/5.mp3*0"}));
    }

    void filterListKeepsTheChoiceAndAClickListsAgain() {
        Fixture f;
        f.Row("a.mp3", "A", "X", "Blue", "1971");
        f.Row("b.mp3", "B", "X", "Blue", "1970");
        f.Row("c.mp3", "C", "X", "Court", "1975");
        f.Start();
        f.Filter(QStringLiteral("Albums"));
        f.Pick(QStringLiteral("Court"));
        f.View->lvwMediaColumnClick(3); // by year
        // Another program adds an album; Refresh lists it and keeps kind, value and sort.
        std::ofstream(JoinPath(f.Music, "d.mp3")).flush();
        f.DB.AddMedia({.Directory = f.Music,
                       .FileName = "d.mp3",
                       .Title = "D",
                       .Album = "Aja",
                       .Year = "1977"});
        f.View->DoCommand(ECommand::MediaRefreshMedia);
        f.Settle();
        QCOMPARE(f.View->cmbFilter->currentText(), QStringLiteral("Albums"));
        QCOMPARE(f.View->FilterItems(), (QStringList{QStringLiteral("Aja"), QStringLiteral("Blue"),
                                                     QStringLiteral("Court")}));
        QCOMPARE(f.View->lstItems->currentIndex().data().toString(), QStringLiteral("Court"));
        QCOMPARE(f.View->SortState(), 4);
        // A click on the entry already chosen lists it again.
        f.View->MediaModel->SetItems({});
        f.View->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.View.get()));
        const QRect box = f.View->lstItems->visualRect(f.View->lstItems->currentIndex());
        QTest::mouseClick(f.View->lstItems->viewport(), Qt::LeftButton, {}, box.center());
        f.Settle();
        QCOMPARE(f.Titles(), QStringList{QStringLiteral(" C")});
    }

    // A worker's result reaches the window's thread, unless its job was superseded or the
    // receiver is gone by then.
    void workerResultsReachOnlyTheirLiveReceiver() {
        test::TempDir home;
        TMyMediaDB library;
        library.OpenDatabase(home.file("MyMedia.edb"));
        TLibraryWorker worker(library.FileName(), false);
        auto inbox = std::make_unique<TWorkerInbox>();
        QList<int> got;
        bool onGuiThread = true;
        std::atomic<bool> release{false};
        const auto post = [&](int value, int lane) {
            inbox->Post<int>(
                worker, lane,
                [&release, value](TMyMediaDB&, const TCancelToken& cancel) {
                    test::WaitUntil([&] { return release.load() || cancel.Cancelled(); });
                    return value;
                },
                [&](int result) {
                    got << result;
                    onGuiThread = onGuiThread && QThread::currentThread() == qApp->thread();
                });
        };
        post(1, 7);
        post(2, 7); // supersedes 1
        release = true;
        QTRY_COMPARE(got, QList<int>{2});
        release = false;
        post(3, TLibraryWorker::NoLane);
        inbox.reset();
        release = true;
        QVERIFY(test::WaitUntil([&] { return worker.Idle(); }));
        QCoreApplication::processEvents();
        QCOMPARE(got, QList<int>{2});
        QVERIFY(onGuiThread);
    }

    void closingDuringAPurgeKeepsPlayListsAndLibraryInStep() {
        Fixture f;
        f.AddRows(3000);
        for (int i = 1; i <= 3000; ++i)
            f.PlayLists->FindByName("Mix")->InsertTrack(f.Music + "/" + std::to_string(i) +
                                                        ".mp3*30");
        f.Start();
        for (int i = 1; i <= 3000; ++i)
            std::filesystem::remove(JoinPath(f.Music, std::to_string(i) + ".mp3"));
        // The window closes once the purge removed rows, before its answer can come through
        // the event loop.
        f.View->DoCommand(ECommand::MediaRefreshMedia);
        QVERIFY(test::WaitUntil([&f] { return f.RowsInLibrary() < 3000; }));
        f.View->LetImportsFinish(std::chrono::seconds(30));
        QCOMPARE(static_cast<int>(f.PlayLists->FindByName("Mix")->Tracks().size()),
                 f.RowsInLibrary());
    }

    void finalizeLetsGoOfTheLibrary() {
        Fixture f;
        f.Row("a.mp3", "A");
        f.Start();
        f.View->Finalize();
        f.View->SelectRows({0});
        for (ECommand command :
             {ECommand::MediaPlayFile, ECommand::MediaLocateFile, ECommand::MediaEditMP3Tag,
              ECommand::MediaAddFiles, ECommand::MediaRemoveFiles, ECommand::MediaRefreshMedia,
              ECommand::MediaAddFilesToPlayList})
            f.View->DoCommand(command);
        QVERIFY(f.Prompts.Questions.isEmpty() && f.Main.PlayedFiles.isEmpty());
    }
};

QTEST_MAIN(TestMediaView)
#include "test_media_view.moc"
