#include <QTest>
#include <filesystem>

#include "core/common/uDataPaths.h"
#include "core/library/uTMyMediaDB.h"
#include "core/playlists/uTPlayListManager.h"
#include "support/FakePrompts.h"
#include "support/TempDir.h"
#include "ui/app/uApplication.h"

using namespace orvanta;

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void emptyHomeGetsLibraryAndMyPlaylist() {
        test::TempDir home;
        qputenv("ORVANTA_HOME", QByteArray::fromStdString(home.str()));
        test::FakePrompts prompts;
        QVERIFY(InitApplication(prompts, QString::fromStdString(home.str())));
        QVERIFY(MyMediaDB && PlayListManager);
        QCOMPARE(PlayListManager->Count(), 1);
        QCOMPARE(PlayListManager->GetPlayList(0)->Name, std::string("My Playlist"));
        QVERIFY(std::filesystem::exists(home.file("Data/MyMedia.edb")));
        // It has no file until the manager is released.
        QVERIFY(!std::filesystem::exists(home.file("Playlists/My Playlist.ply")));
        PlayListManager->GetPlayList(0)->InsertTrack("/m/a.mp3*5");
        ReleaseGlobals();
        QVERIFY(!MyMediaDB && !PlayListManager);
        QCOMPARE(test::readAll(home.file("Playlists/My Playlist.ply")),
                 std::string("0\r\n/m/a.mp3*5"));

        // The next start finds that playlist and adds no other.
        QVERIFY(InitApplication(prompts, QString::fromStdString(home.str())));
        QCOMPARE(PlayListManager->Count(), 1);
        QCOMPARE(PlayListManager->GetPlayList(0)->Count(), 1);
        ReleaseGlobals();
        qunsetenv("ORVANTA_HOME");
    }
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
