#include <QAction>
#include <QTest>
#include <filesystem>

#include "core/common/uDisplayUtils.h"
#include "core/library/uTMyMediaDB.h"
#include "support/FakeMainServices.h"
#include "support/FakePrompts.h"
#include "support/HomeWithLibrary.h"
#include "support/Mp3Files.h"
#include "ui/library/uFraMedia.h"

using namespace orvanta;

class TestMediaReplayGain : public QObject {
    Q_OBJECT

private slots:
    // The selected rows of one album are measured as an album on the library's worker; the
    // files' tags and the rows take the gains, and a summary ends it.
    void selectedAlbumIsMeasuredAndItsRowsTakeTheGains() {
        test::THomeWithLibrary home;
        test::FakePrompts prompts;
        test::FakeMainServices main;
        for (const char* name : {"a.mp3", "b.mp3"}) {
            test::WriteMp3(JoinPath(home.Music, name));
            home.DB.AddMedia({.Directory = home.Music,
                              .FileName = name,
                              .Stamp = {1},
                              .Title = name,
                              .Album = "Album",
                              .Seconds = 1});
        }
        TfraMedia view;
        view.Initialize(home.DB, *home.PlayLists, home.Types, main, prompts);
        QVERIFY(QTest::qWaitFor([&] { return !view.ListPending() && !view.Busy(); }, 10000));
        view.SelectRows({0, 1});
        view.popMediaPopup();
        QVERIFY(view.mnuPopMediaReplayGain->isEnabled());
        view.mnuPopMediaReplayGain->trigger();
        QVERIFY(view.Busy());
        QVERIFY(QTest::qWaitFor([&] { return !prompts.Messages.empty(); }, 30000));
        QCOMPARE(prompts.Messages.front().Text,
                 QStringLiteral("2 of 2 files measured, 2 tags changed."));
        QVERIFY(!view.Busy());
        TMediaRecord a, b;
        QVERIFY(home.DB.FindMedia(home.Music, "a.mp3", a));
        QVERIFY(home.DB.FindMedia(home.Music, "b.mp3", b));
        QVERIFY(a.ReplayGain.TrackGain && a.ReplayGain.AlbumGain);
        QCOMPARE(a.ReplayGain.AlbumGain, b.ReplayGain.AlbumGain);
        // The row was read from the file again: its stamp is the written file's.
        QCOMPARE(a.Stamp.FileSize, static_cast<std::int64_t>(
                                       std::filesystem::file_size(JoinPath(home.Music, "a.mp3"))));
        view.Finalize();
    }
};

QTEST_MAIN(TestMediaReplayGain)
#include "test_media_replaygain.moc"
