#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QListView>
#include <QSettings>
#include <QSlider>
#include <QSplitter>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <filesystem>
#include <memory>

#include "core/common/uDisplayUtils.h"
#include "core/library/uTMyMediaDB.h"
#include "core/playlists/uTPlayListManager.h"
#include "shell/FakePlayerEngine.h"
#include "support/FakePrompts.h"
#include "support/TempDir.h"
#include "ui/app/uApplication.h"
#include "ui/common/uTOptions.h"
#include "ui/library/uFraMedia.h"
#include "ui/playback/uFraTransportBar.h"
#include "ui/playlists/uFraPlayLists.h"
#include "ui/shell/uFrmMain.h"

using namespace orvanta;

class TestWindowState : public QObject {
    Q_OBJECT

    test::TempDir Home;
    TMyMediaDB DB;
    TPlayListManager PlayLists;
    TCustomStringList Types;
    TOptions Options; // FirstRun stays false: nothing is fetched
    test::FakePrompts Prompts;
    test::TFakePlayerEngine Engine;

    std::unique_ptr<TfrmMain> Open() {
        auto window = std::make_unique<TfrmMain>(Prompts, &Options, nullptr, &Engine);
        window->InitializeViews(DB, PlayLists, Types);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            return nullptr;
        return window;
    }

private slots:
    void initTestCase() {
        // The settings go to an INI file in this home, never to the user's.
        qputenv("ORVANTA_HOME", QByteArray::fromStdString(Home.str()));
        std::filesystem::create_directories(Home.file("Playlists"));
        Home.write("Playlists/Jazz.ply", "0\r\n/m/a.mp3*60");
        Home.write("Playlists/Rock.ply", "0");
        DB.OpenDatabase(Home.file("MyMedia.edb"));
        for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) {
            Home.write(name, "");
            DB.AddMedia({.Directory = Home.str(),
                         .FileName = name,
                         .Stamp = {1},
                         .Title = std::string("T") + name,
                         .Artist = "Artist",
                         .Album = name,
                         .Genre = "Pop",
                         .Seconds = 30,
                         .Quality = 128});
        }
        PlayLists.Open(Home.file("Playlists"));
        Types.NameValueSeparator = ':';
        RegisterFileTypes(Types);
    }

    void everyRememberedSettingComesBack() {
        struct Remembered {
            QSize Size;
            QList<int> PlayListsSplit;
            int MediaColumn, TrackColumn, FilterKind, Sort, Volume;
            QString FilterValue, PlayList;
            bool Muted;
            int View;
        };
        const auto read = [](const TfrmMain& w) {
            const QModelIndexList value =
                w.fraMedia1->lstItems->selectionModel()->selectedIndexes();
            return Remembered{w.size(),
                              w.fraPlayLists1->splPlayLists->sizes(),
                              w.fraMedia1->lvwMedia->horizontalHeader()->sectionSize(1),
                              w.fraPlayLists1->lvwTracks->header()->sectionSize(0),
                              w.fraMedia1->cmbFilter->currentIndex(),
                              w.fraMedia1->SortState(),
                              w.wmpPlayer->trkVolume->value(),
                              value.isEmpty() ? QString() : value.first().data().toString(),
                              w.cmbPlayLists->currentText(),
                              w.wmpPlayer->cmdMute->isChecked(),
                              w.CurrentView()};
        };

        std::unique_ptr<TfrmMain> window = Open();
        QVERIFY(window);
        const Remembered defaults = read(*window);
        window->resize(900, 640);
        window->fraMedia1->splMedia->setSizes({230, 600});
        window->fraMedia1->lvwMedia->horizontalHeader()->resizeSection(1, 171);
        window->fraMedia1->cmbFilter->setCurrentIndex(1); // Albums
        window->fraMedia1->SelectFilterItem(2);
        window->fraMedia1->lvwMediaColumnClick(2);
        window->fraMedia1->lvwMediaColumnClick(2); // descending
        window->wmpPlayer->trkVolume->setValue(30);
        window->wmpPlayer->cmdMute->setChecked(true);
        window->cmbPlayLists->setCurrentIndex(1);
        const QList<int> mediaSplit = window->fraMedia1->splMedia->sizes();
        window->spdViewPlayLists->click();
        window->fraPlayLists1->splPlayLists->setSizes({260, 500});
        window->fraPlayLists1->lvwTracks->header()->resizeSection(0, 222);
        const Remembered changed = read(*window);
        QCOMPARE(changed.FilterValue, QStringLiteral("c.mp3"));
        QCOMPARE(changed.Sort, -3);
        window->close();
        window.reset();

        window = Open();
        QVERIFY(window);
        const Remembered again = read(*window);
        QCOMPARE(again.Size, changed.Size);
        QCOMPARE(again.PlayListsSplit, changed.PlayListsSplit);
        QCOMPARE(again.MediaColumn, 171);
        QCOMPARE(again.TrackColumn, 222);
        QCOMPARE(again.FilterKind, 1);
        QCOMPARE(again.FilterValue, changed.FilterValue);
        QCOMPARE(again.Sort, -3);
        QCOMPARE(again.Volume, 30);
        QVERIFY(again.Muted);
        QCOMPARE(Engine.Volume(), 0);
        QCOMPARE(again.PlayList, QStringLiteral("Rock"));
        QCOMPARE(again.View, 2);
        QVERIFY(again.Size != defaults.Size && again.View != defaults.View);
        // A hidden splitter has no sizes of its own until its view is shown.
        window->spdViewMedia->click();
        QCOMPARE(window->fraMedia1->splMedia->sizes(), mediaSplit);
        window->close();
        window.reset();

        // Settings of older versions kept the widths alone.
        {
            const std::unique_ptr<QSettings> settings = OpenSettings(SettingsBaseKey);
            settings->remove(QStringLiteral("MyMusic/Columns"));
            settings->setValue(QStringLiteral("MyMusic/ColumnWidths"), QVariantList{200, 140});
        }
        window = Open();
        QVERIFY(window);
        QCOMPARE(window->fraMedia1->lvwMedia->horizontalHeader()->sectionSize(1), 140);
        window->close();
    }

    void noticesAtStartUpCanBeTurnedOff() {
        std::unique_ptr<TfrmMain> window = Open();
        QVERIFY(window);
        QAction* item = window->MenuAction(QStringLiteral("mnuHelpCheckNotices"));
        QVERIFY(item->isChecked());
        item->trigger();
        TOptions again;
        again.LoadFromRegistry(QStringLiteral("Software\\Orvanta"));
        QVERIFY(!Options.CheckNotices && !again.CheckNotices);
        window->close();
    }
};

QTEST_MAIN(TestWindowState)
#include "test_window_state.moc"
