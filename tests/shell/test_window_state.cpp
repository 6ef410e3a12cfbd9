#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QListView>
#include <QScreen>
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
#include "support/HomeWithLibrary.h"
#include "ui/app/uApplication.h"
#include "ui/common/uTOptions.h"
#include "ui/library/uFraMedia.h"
#include "ui/playback/uFraTransportBar.h"
#include "ui/playlists/uFraPlayLists.h"
#include "ui/shell/uFrmMain.h"
#include "ui/shell/uWindowPlacement.h"

using namespace orvanta;

class TestWindowState : public QObject {
    Q_OBJECT

    // The settings go to an INI file in this home, never to the user's.
    test::THomeWithLibrary Lib{{{"Jazz", "0\r\n/m/a.mp3*60"}, {"Rock", "0"}}, 3};
    TOptions Options; // FirstRun stays false: nothing is fetched
    test::FakePrompts Prompts;
    test::TFakePlayerEngine Engine;

    std::unique_ptr<TfrmMain> Open() {
        auto window = std::make_unique<TfrmMain>(Prompts, &Options, nullptr, &Engine);
        window->InitializeViews(Lib.DB, *Lib.PlayLists, Lib.Types);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()) || !Settled(*window))
            return nullptr;
        return window;
    }
    // My Music's lists and its purge come from its library worker.
    static bool Settled(const TfrmMain& Window) {
        return QTest::qWaitFor(
            [&Window] { return !Window.fraMedia1->ListPending() && !Window.fraMedia1->Busy(); });
    }

private slots:
    void everyRememberedSettingComesBack() {
        struct Remembered {
            QSize Size;
            QList<int> PlayListsSplit;
            int MediaColumn, TrackColumn, FilterKind, Sort, Volume;
            QString FilterValue, PlayList;
            bool Muted;
            EView View;
        };
        const auto read = [](TfrmMain& w) {
            const QModelIndexList value =
                w.fraMedia1->lstItems->selectionModel()->selectedIndexes();
            return Remembered{w.size(),
                              w.PlayListsView()->splPlayLists->sizes(),
                              w.fraMedia1->lvwMedia->horizontalHeader()->sectionSize(1),
                              w.PlayListsView()->lvwTracks->header()->sectionSize(0),
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
        window->resize(790, 640);
        window->fraMedia1->splMedia->setSizes({230, 600});
        window->fraMedia1->lvwMedia->horizontalHeader()->resizeSection(1, 171);
        window->fraMedia1->cmbFilter->setCurrentIndex(1); // Albums
        QVERIFY(Settled(*window));
        window->fraMedia1->SelectFilterItem(2);
        QVERIFY(Settled(*window));
        window->fraMedia1->lvwMediaColumnClick(2);
        window->fraMedia1->lvwMediaColumnClick(2); // descending
        window->wmpPlayer->trkVolume->setValue(30);
        window->wmpPlayer->cmdMute->setChecked(true);
        window->cmbPlayLists->setCurrentIndex(1);
        const QList<int> mediaSplit = window->fraMedia1->splMedia->sizes();
        window->spdViewPlayLists->click();
        window->PlayListsView()->splPlayLists->setSizes({260, 500});
        window->PlayListsView()->lvwTracks->header()->resizeSection(0, 222);
        const Remembered changed = read(*window);
        QCOMPARE(changed.FilterValue, QStringLiteral("3.mp3"));
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
        QCOMPARE(again.View, EView::PlayLists);
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

    // A place remembered on a larger or a removed screen comes back inside this one, no larger.
    void rememberedPlaceFitsTheScreen() {
        const QRect screen(0, 0, 700, 450);
        struct Case {
            QRect Remembered, Fitted;
        };
        for (const Case& c : {Case{{40, 30, 400, 300}, {40, 30, 400, 300}},
                              Case{{100, 100, 1200, 800}, {0, 0, 700, 450}},
                              Case{{3000, 2000, 400, 300}, {300, 150, 400, 300}},
                              Case{{-500, -20, 800, 300}, {0, 0, 700, 300}}})
            QCOMPARE(FitInside(c.Remembered, screen), c.Fitted);
        std::unique_ptr<TfrmMain> window = Open();
        QVERIFY(window);
        window->setGeometry(5000, 4000, 3000, 2000);
        window->close();
        window.reset();
        window = Open();
        QVERIFY(window);
        const QRect available = window->screen()->availableGeometry();
        QTRY_VERIFY(available.contains(window->frameGeometry()));
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

    // Off unless switched on; kept as true or false, and followed again at the next start.
    void followingTheLibraryFoldersIsKept() {
        std::unique_ptr<TfrmMain> window = Open();
        QVERIFY(window);
        QAction* item = window->MenuAction(QStringLiteral("mnuViewFollowFolders"));
        QVERIFY(!item->isChecked() && !window->fraMedia1->FollowingFolders());
        item->trigger();
        QVERIFY(window->fraMedia1->FollowingFolders());
        QCOMPARE(OpenSettings(SettingsBaseKey)
                     ->value(QStringLiteral("Options/FollowFolders"))
                     .toString(),
                 QStringLiteral("true"));
        window->close();
        window.reset();
        TOptions again;
        again.LoadFromRegistry(SettingsBaseKey);
        QVERIFY(again.FollowFolders);
        Options.FollowFolders = again.FollowFolders;
        window = Open();
        QVERIFY(window->fraMedia1->FollowingFolders());
        window->close();
    }
};

QTEST_MAIN(TestWindowState)
#include "test_window_state.moc"
