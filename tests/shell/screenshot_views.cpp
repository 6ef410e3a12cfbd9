// Fills a library of generated MP3 files through the real add path and saves pictures of
// the views and the tag editor. Usage: screenshot_views <output folder> [tracks]
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QMenu>
#include <QPixmap>
#include <QTest>
#include <cstdio>
#include <filesystem>

#include "core/common/uDisplayUtils.h"
#include "core/library/uTMyMediaDB.h"
#include "core/metadata/ID3v1.h"
#include "core/metadata/ID3v2.h"
#include "core/playlists/uTPlayListManager.h"
#include "support/FakePrompts.h"
#include "support/Mp3Files.h"
#include "support/TempDir.h"
#include "ui/app/uApplication.h"
#include "ui/library/uFraMedia.h"
#include "ui/metadata/uFrmMP3Tag.h"
#include "ui/playlists/uFraPlayLists.h"
#include "ui/playlists/uFraPlayListsModel.h"
#include "ui/shell/uFrmMain.h"

using namespace orvanta;

namespace {

const char* const Artists[] = {"Miles Davis", "Nina Simone",     "Radiohead",  "Björk",
                               "Kraftwerk",   "Aretha Franklin", "Portishead", "Arvo Pärt"};
const char* const Genres[] = {"Jazz", "Soul", "Rock", "Electronic", "Classical", "Trip-Hop"};

void save(QWidget* widget, const QString& folder, const QString& name) {
    QApplication::processEvents();
    QTest::qWait(200); // late paints (covers, fades) have no signal to wait for
    const QString file = folder + QLatin1Char('/') + name;
    widget->grab().save(file);
    std::printf("%s\n", qPrintable(file));
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    const QString out = QString::fromLocal8Bit(argv[1]);
    const int tracks = argc > 2 ? std::atoi(argv[2]) : 2000;
    QDir().mkpath(out);
    test::TempDir home;
    qputenv("ORVANTA_HOME", QByteArray::fromStdString(home.str()));
    TOrvantaApplication app(argc, argv);
    test::FakePrompts prompts;
    if (!InitApplication(prompts, QString::fromStdString(home.str())))
        return 1;

    const std::string music = home.file("Music");
    std::filesystem::create_directories(music);
    QStringList paths;
    for (int i = 0; i < tracks; ++i) {
        const std::string path = music + "/track" + std::to_string(i) + ".mp3";
        test::WriteMp3(path);
        const int artist = i % 8;
        if (i % 10 == 9) { // some files carry only an ID3v1 tag
            TID3v1 tag;
            tag.SetTitle("Song " + std::to_string(i));
            tag.SetArtist(Artists[artist]);
            tag.SetAlbum("Album " + std::to_string(i % 23));
            tag.SetYear(std::to_string(1960 + i % 60));
            tag.SetGenreIndex(static_cast<std::uint8_t>(i % 40));
            tag.SetTrack(static_cast<std::uint8_t>(i % 12 + 1));
            if (!tag.StoreTag(path))
                qWarning("could not tag %s", path.c_str());
        } else {
            TID3v2 tag;
            tag.SetTitle("Song " + std::to_string(i));
            tag.SetArtist(Artists[artist]);
            tag.SetAlbum("Album " + std::to_string(i % 23));
            tag.SetYear(std::to_string(1960 + i % 60));
            tag.SetGenre(Genres[i % 6]);
            tag.SetLanguage(i % 3 ? "eng" : "fra");
            tag.SetComposer(i % 4 ? "" : "Composer " + std::to_string(i % 5));
            tag.SetTrack(static_cast<std::uint16_t>(i % 12 + 1));
            if (!tag.StoreTag(path))
                qWarning("could not tag %s", path.c_str());
        }
        paths << QString::fromStdString(path);
    }

    auto window = std::make_unique<TfrmMain>(prompts);
    window->InitializeViews(*MyMediaDB, *PlayListManager, *FileTypes);
    window->show();
    (void)QTest::qWaitForWindowExposed(window.get());
    TfraMedia* media = window->fraMedia1;
    // Lists, purges and adds come in from the background.
    const auto settle = [media] {
        (void)QTest::qWaitFor([&] { return !media->Busy() && !media->ListPending(); }, 60000);
    };
    settle();
    prompts.FileAnswers = {paths};
    media->DoCommand(ECommand::MediaAddFiles);
    settle();
    media->DoCommand(ECommand::MediaRefreshMedia); // rebuilds the filter list with the new artists
    settle();
    std::printf("library rows listed: %d\n", media->MediaModel->rowCount());

    media->lvwMediaColumnClick(1); // by artist
    settle();
    save(window.get(), out, QStringLiteral("my-music-all-by-artist.png"));
    media->SelectFilterItem(
        static_cast<int>(media->FilterItems().indexOf(QStringLiteral("Nina Simone"))));
    settle();
    save(window.get(), out, QStringLiteral("my-music-artist-nina-simone.png"));

    media->SelectFilterItem(0);
    settle();
    media->SelectRows({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19});
    media->DoCommand(ECommand::MediaAddFilesToPlayList);
    window->mnuViewPlayLists->trigger();
    save(window.get(), out, QStringLiteral("playlists-20-tracks.png"));
    // The library's columns, shown from the header's menu, filled from a worker; wide enough
    // to show them all.
    window->resize(1300, window->height());
    TfraPlayLists* lists = window->PlayListsView();
    emit lists->popColumns->aboutToShow();
    for (QAction* column : lists->popColumns->actions())
        column->setChecked(true);
    (void)QTest::qWaitFor([lists] { return !lists->TrackModel->Row(0).Artist.isEmpty(); }, 10000);
    save(window.get(), out, QStringLiteral("playlist-columns.png"));

    for (const char* file : {"track0.mp3", "track9.mp3"}) {
        TfrmMP3Tag dialog(prompts, window.get());
        dialog.LoadFile(*MyMediaDB, QString::fromStdString(music), QString::fromLatin1(file));
        dialog.show();
        (void)QTest::qWaitForWindowExposed(&dialog);
        save(&dialog, out,
             dialog.UseV2() ? QStringLiteral("tag-editor-id3v2.png")
                            : QStringLiteral("tag-editor-id3v1.png"));
    }
    window.reset();
    ReleaseGlobals();
    return 0;
}
