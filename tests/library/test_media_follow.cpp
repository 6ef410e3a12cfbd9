#include <QTest>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "core/common/uDisplayUtils.h"
#include "support/FakeMainServices.h"
#include "support/FakePrompts.h"
#include "support/HomeWithLibrary.h"
#include "support/Mp3Files.h"
#include "ui/library/uFraMedia.h"

using namespace orvanta;

class TestMediaFollow : public QObject {
    Q_OBJECT

private slots:
    // What happens to a file in a followed folder shows in the library and the list by itself.
    void filesComeAndGoWhileFollowed() {
        test::THomeWithLibrary home;
        test::FakePrompts prompts;
        test::FakeMainServices main;
        const auto file = [&](const char* name) { return JoinPath(home.Music, name); };
        test::WriteMp3(file("keep.mp3"));
        home.DB.AddMedia({.Directory = home.Music, .FileName = "keep.mp3", .Title = "keep"});
        TfraMedia view;
        view.Initialize(home.DB, *home.PlayLists, home.Types, main, prompts);
        view.FollowFolders(true);
        QVERIFY(QTest::qWaitFor([&] { return view.FollowedFolders() == 1 && !view.Busy(); }));

        // The titles listed, sorted, joined by "|".
        const auto titles = [&] {
            QStringList shown;
            for (int row = 0; row < view.MediaModel->rowCount(); ++row)
                shown << view.MediaModel->index(row, 0).data().toString().trimmed();
            shown.sort();
            return shown.join(QLatin1Char('|')).toStdString();
        };
        const auto inLibrary = [&](const char* name) {
            TMediaRecord row;
            return home.DB.FindMedia(home.Music, name, row) ? row.Title : std::string();
        };
        const struct {
            const char* Step;
            std::function<void()> Do;
            std::string Shown;
            const char* File;
            std::string Title;
        } steps[] = {
            {"created", [&] { test::WriteMp3(file("new.mp3")); }, "keep|new", "new.mp3", "new"},
            {"changed",
             [&] {
                 std::ofstream(file("new.mp3"), std::ios::app | std::ios::binary)
                     << test::id3v1Block("Retitled", "Someone", 1);
             },
             "Retitled|keep", "new.mp3", "Retitled"},
            {"moved", [&] { std::filesystem::rename(file("new.mp3"), file("moved.mp3")); },
             "Retitled|keep", "moved.mp3", "Retitled"},
            {"deleted", [&] { std::filesystem::remove(file("moved.mp3")); }, "keep", "moved.mp3",
             ""},
        };
        for (const auto& step : steps) {
            step.Do();
            QVERIFY2(
                QTest::qWaitFor(
                    [&] { return titles() == step.Shown && inLibrary(step.File) == step.Title; },
                    5000),
                step.Step);
        }
        QVERIFY(inLibrary("new.mp3").empty());
        QVERIFY(prompts.Messages.empty());
        view.Finalize();
    }
};

QTEST_MAIN(TestMediaFollow)
#include "test_media_follow.moc"
