// Start-up to a filled My Music list, sorting it by each column, searching it as one types,
// opening the tag editor and refreshing the list, on a library of many rows whose files exist,
// and optionally the background add of a folder of MP3 files.
// Usage: bench_my_music [rows] [folder to add]   (default 100000 rows, no add); the library
// is made once in $TMPDIR/orvanta-bench-<rows>.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/resource.h>

#include "core/common/uDataPaths.h"
#include "core/common/uDisplayUtils.h"
#include "core/library/uMediaSearchText.h"
#include "core/library/uTMyMediaDB.h"
#include "core/playlists/uTPlayListManager.h"
#include "core/tablestore/uTEasyQuery.h"
#include "ui/app/uApplication.h"
#include "ui/common/uPrompts.h"
#include "ui/library/uFraMedia.h"
#include "ui/metadata/uFrmMP3Tag.h"
#include "ui/shell/uFrmMain.h"

using namespace orvanta;

namespace {

constexpr int FilesPerFolder = 1000;

// A library of Rows rows in Home, each with an (empty) file on disk.
void makeLibrary(const std::string& home, int rows) {
    std::filesystem::create_directories(home + "/Data");
    TMyMediaDB db;
    db.OpenDatabase(home + "/Data/MyMedia.edb");
    std::mt19937 random(42);
    const auto word = [&random](int length) {
        std::string text;
        for (int i = 0; i < length; ++i)
            text += static_cast<char>((i == 0 ? 'A' : 'a') + random() % 26);
        return text;
    };
    db.BeginBatch();
    for (int i = 0; i < rows; ++i) {
        const std::string folder = home + "/Music/" + std::to_string(i / FilesPerFolder);
        if (i % FilesPerFolder == 0)
            std::filesystem::create_directories(folder);
        const std::string file = "track" + std::to_string(i) + ".mp3";
        std::ofstream(folder + "/" + file).flush();
        db.AddMedia({.Directory = folder,
                     .FileName = file,
                     .Stamp = {static_cast<std::int32_t>(random() % 10'000'000)},
                     .Title = word(12),
                     .Artist = "Artist " + std::to_string(random() % 2000),
                     .Album = word(8),
                     .Year = std::to_string(1950 + random() % 75),
                     .Genre = "Genre " + std::to_string(random() % 60),
                     .Seconds = static_cast<std::int32_t>(random() % 600),
                     .Quality = static_cast<std::int32_t>(64 + random() % 256)});
    }
    db.EndBatch();
}

} // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    const std::string home =
        (std::filesystem::temp_directory_path() / ("orvanta-bench-" + std::to_string(rows)))
            .string();
    if (!std::filesystem::exists(home + "/Data/MyMedia.edb")) {
        std::fprintf(stderr, "making a library of %d rows in %s ...\n", rows, home.c_str());
        makeLibrary(home, rows);
    }
    qputenv("ORVANTA_HOME", QByteArray::fromStdString(home));
    TOrvantaApplication app(argc, argv);
    TQtPrompts prompts;

    QElapsedTimer clock;
    // The first moment the list has rows while the event loop runs: a usable window.
    TfrmMain* shown = nullptr;
    qint64 usable = -1;
    // The longest time the event loop could not run: a timer that should tick every 5 ms.
    QElapsedTimer sinceTick;
    qint64 longestStall = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestStall = std::max(longestStall, sinceTick.elapsed());
        sinceTick.restart();
        if (usable < 0 && shown && shown->fraMedia1->MediaModel->rowCount() > 0)
            usable = clock.elapsed();
    });

    clock.start();
    if (!InitApplication(prompts, QString::fromStdString(home)))
        return 1;
    const qint64 globals = clock.elapsed();
    ticker.start(5);
    sinceTick.start();
    // As the program starts: the first list is read while the window is built.
    TListingStart listing = StartListing(*MyMediaDB);
    auto window = std::make_unique<TfrmMain>(prompts);
    shown = window.get();
    window->InitializeViews(*MyMediaDB, *PlayListManager, *FileTypes, std::move(listing));
    window->show();
    TfraMedia* media = window->fraMedia1;
    // Lists and the purge arrive from the library worker through the event loop.
    const auto settle = [media] {
        QApplication::processEvents();
        while (media->ListPending() || media->Busy())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    };
    settle();
    const qint64 filled = clock.elapsed();
    longestStall = std::max(longestStall, sinceTick.elapsed());
    const int listed = window->fraMedia1->MediaModel->rowCount();
    std::printf("rows listed:                    %d\n", listed);
    std::printf("start to globals ready:         %lld ms\n", static_cast<long long>(globals));
    std::printf("start to usable My Music list:  %lld ms\n",
                static_cast<long long>(usable < 0 ? filled : usable));
    std::printf("start to settled My Music list: %lld ms (missing files looked for)\n",
                static_cast<long long>(filled));
    std::printf("longest stall of the event loop during start-up: %lld ms\n",
                static_cast<long long>(longestStall));

    const char* const captions[TMediaListModel::ColumnCount] = {
        "Title",   "Artist", "Album", "Year",   "Genre",      "Duration",
        "Quality", "Size",   "#",     "Format", "AlbumArtist"};
    // The columns shown only on request first, so that the list ends sorted by "#", as it did
    // before they came: the refill and the tag editor below then measure the same state.
    constexpr int Shown = 9;
    for (int step = 0; step < TMediaListModel::ColumnCount; ++step) {
        const int column = (step + Shown) % TMediaListModel::ColumnCount;
        // Each column sorts ascending at its first click, descending at its second.
        for (int pass = 0; pass < 2; ++pass) {
            QElapsedTimer sortClock;
            sortClock.start();
            longestStall = 0;
            sinceTick.restart();
            window->fraMedia1->lvwMediaColumnClick(column);
            settle(); // the repaint counts too
            longestStall = std::max(longestStall, sinceTick.elapsed());
            std::printf("sort by %-8s (state %+d): %lld ms, longest stall %lld ms\n",
                        captions[column], window->fraMedia1->SortState(),
                        static_cast<long long>(sortClock.elapsed()),
                        static_cast<long long>(longestStall));
        }
    }

    // Showing "All" again: the library query plus filling the list.
    QElapsedTimer refill;
    refill.start();
    window->fraMedia1->SelectFilterItem(0);
    settle();
    std::printf("refill of All: %lld ms\n", static_cast<long long>(refill.elapsed()));
    {
        QElapsedTimer select;
        select.start();
        MyMediaDB->WalkAllMedia([](const TMediaRecord&) { return true; });
        std::printf("  of which the library's WalkAllMedia (every row read): %lld ms\n",
                    static_cast<long long>(select.elapsed()));
    }

    // Typing into the search box, one key at a time, then clearing it.
    longestStall = 0;
    sinceTick.restart();
    for (const char* typed : {"q", "qu", "qua", "qua z", ""}) {
        QElapsedTimer key;
        key.start();
        window->fraMedia1->txtSearch->setText(QString::fromLatin1(typed));
        QApplication::processEvents();
        while (window->fraMedia1->SearchPending())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        std::printf("search \"%s\": %lld ms, %d rows\n", typed,
                    static_cast<long long>(key.elapsed()),
                    window->fraMedia1->MediaModel->rowCount());
    }
    longestStall = std::max(longestStall, sinceTick.elapsed());
    std::printf("longest stall of the event loop while searching: %lld ms\n",
                static_cast<long long>(longestStall));

    {
        // The tag editor of one file (40 silent MPEG frames): its window at once, the
        // library's pick lists later.
        const std::string mp3 = home + "/tag-editor.mp3";
        {
            std::string frame(417, '\0'); // MPEG-1 layer III, 128 kbit/s, 44.1 kHz
            frame[0] = '\xFF';
            frame[1] = '\xFB';
            frame[2] = '\x90';
            std::ofstream out(mp3, std::ios::binary);
            for (int i = 0; i < 40; ++i)
                out << frame;
        }
        QElapsedTimer open;
        open.start();
        longestStall = 0;
        sinceTick.restart();
        TfrmMP3Tag editor(prompts);
        if (editor.LoadFile(*MyMediaDB, QString::fromStdString(home),
                            QStringLiteral("tag-editor.mp3"))) {
            const qint64 opened = open.elapsed();
            while (editor.cmbAlbums->count() == 0 && open.elapsed() < 60000)
                QApplication::processEvents(QEventLoop::WaitForMoreEvents);
            longestStall = std::max(longestStall, sinceTick.elapsed());
            std::printf("tag editor: ready in %lld ms, pick lists in %lld ms (%d albums), "
                        "longest stall %lld ms\n",
                        static_cast<long long>(opened), static_cast<long long>(open.elapsed()),
                        editor.cmbAlbums->count(), static_cast<long long>(longestStall));
        }
    }
    {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("peak memory before Refresh Media: %ld MB\n", usage.ru_maxrss / 1024);
    }
    QElapsedTimer refresh;
    refresh.start();
    longestStall = 0;
    sinceTick.restart();
    window->fraMedia1->DoCommand(ECommand::MediaRefreshMedia);
    // The purge, then the files beside the library's files are looked for in the background.
    qint64 purged = -1;
    QObject::connect(media, &TfraMedia::WorkFinished, [&] {
        if (purged < 0)
            purged = refresh.elapsed();
    });
    while (window->fraMedia1->Busy() || purged < 0)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    settle();
    longestStall = std::max(longestStall, sinceTick.elapsed());
    std::printf("Refresh Media: %lld ms (%lld ms in the background), longest stall %lld ms\n",
                static_cast<long long>(purged), static_cast<long long>(refresh.elapsed() - purged),
                static_cast<long long>(longestStall));
    if (argc > 2) {
        // The add of a whole folder: the window keeps running while rows arrive.
        const int before = window->fraMedia1->MediaModel->rowCount();
        QElapsedTimer import;
        import.start();
        longestStall = 0;
        sinceTick.restart();
        window->fraMedia1->AddPaths({QString::fromLocal8Bit(argv[2])});
        while (window->fraMedia1->Busy())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const qint64 took = import.elapsed();
        const int added = window->fraMedia1->MediaModel->rowCount() - before;
        std::printf("background add of a folder: %d rows in %lld ms (%.0f files/s), longest "
                    "stall %lld ms\n",
                    added, static_cast<long long>(took), took > 0 ? added * 1000.0 / took : 0.0,
                    static_cast<long long>(longestStall));
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory: %ld MB\n", usage.ru_maxrss / 1024);
    {
        // What the search thread reads into memory at start and after each change.
        TMyMediaDB library;
        library.OpenReadOnly(MyMediaDB->FileName());
        TMediaSearchText text;
        const std::atomic<bool> stop{false};
        QElapsedTimer read;
        read.start();
        const bool loaded = text.Load(library, stop);
        std::printf("search block read: %lld ms, %zu rows%s\n",
                    static_cast<long long>(read.elapsed()), text.Count(),
                    loaded ? "" : " (failed)");
        for (const char* word : {"q", "qu"}) {
            QElapsedTimer scan;
            scan.start();
            const auto rows = text.Find({TMediaSearchText::Compiled(word)});
            const qint64 found = scan.elapsed();
            const auto ids = text.IdsOf(rows);
            std::printf("  scan for \"%s\": %lld ms, in title order %lld ms, %zu rows\n", word,
                        static_cast<long long>(found),
                        static_cast<long long>(scan.elapsed() - found), ids.size());
        }
    }
    std::printf("library file: %lld MB\n",
                static_cast<long long>(std::filesystem::file_size(home + "/Data/MyMedia.edb") /
                                       (1024 * 1024)));
    window.reset();
    ReleaseGlobals();
    return listed == rows ? 0 : 1;
}
