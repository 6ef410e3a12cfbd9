// A batch through the window as a user runs one: every row of My Music selected, Edit Tag reads
// the files, the dialog opens, one field is typed and saved, and the batch runs on the library
// writer while the list stays in view. Prints each step's time and the longest time the event
// loop could not run (a timer that should tick every 5 ms), which the window's users feel as a
// stall.
// Usage: bench_batch_window [files] [folder]   (needs sox and lame; default 10,000 files in
// $TMPDIR)
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

#include "BenchSampleMp3.h"
#include "core/common/uDisplayUtils.h"
#include "core/library/uListingStart.h"
#include "core/library/uTMyMediaDB.h"
#include "support/FakePrompts.h"
#include "ui/app/uApplication.h"
#include "ui/library/uFraMedia.h"
#include "ui/metadata/uFrmMP3Tag.h"
#include "ui/metadata/uTagToolPages.h"
#include "ui/shell/uFrmMain.h"

using namespace orvanta;
namespace fs = std::filesystem;

namespace {

constexpr int FilesPerFolder = 500;

// The longest gap between ticks of a 5 ms timer since the last Restart, and what the window's
// thread did in it: ran (its CPU time), waited (voluntary switches: a lock, a read, a flush) or
// stood ready while others ran (involuntary switches).
class TStallMeter {
public:
    TStallMeter() {
        QObject::connect(&FTicker, &QTimer::timeout, [this] {
            const TUsage now = Usage();
            if (FSinceTick.elapsed() > FLongest) {
                FLongest = FSinceTick.elapsed();
                FLongestEnded = FSinceRestart.elapsed();
                FInLongest = {now.CpuMs - FAtTick.CpuMs, now.Waits - FAtTick.Waits,
                              now.Preempted - FAtTick.Preempted};
            }
            FAtTick = now;
            FSinceTick.restart();
        });
        FTicker.start(5);
        FSinceTick.start();
        FSinceRestart.start();
    }
    void Restart() {
        FLongest = 0;
        FInLongest = {};
        FAtTick = Usage();
        FSinceTick.restart();
        FSinceRestart.restart();
    }
    qint64 Longest() const { return std::max(FLongest, FSinceTick.elapsed()); }
    // When the longest stall ended, in ms since the last Restart, and what filled it.
    std::string LongestTold() const {
        return "ended at " + std::to_string(FLongestEnded) + " ms; on the CPU " +
               std::to_string(FInLongest.CpuMs) + " ms, " + std::to_string(FInLongest.Waits) +
               " waits, " + std::to_string(FInLongest.Preempted) + " preempted";
    }

private:
    struct TUsage {
        long CpuMs = 0;
        long Waits = 0;
        long Preempted = 0;
    };
    static TUsage Usage() {
        rusage usage{};
        ::getrusage(RUSAGE_THREAD, &usage);
        return {usage.ru_utime.tv_sec * 1000 + usage.ru_utime.tv_usec / 1000 +
                    usage.ru_stime.tv_sec * 1000 + usage.ru_stime.tv_usec / 1000,
                usage.ru_nvcsw, usage.ru_nivcsw};
    }
    QTimer FTicker;
    QElapsedTimer FSinceTick;
    QElapsedTimer FSinceRestart;
    qint64 FLongest = 0;
    qint64 FLongestEnded = 0;
    TUsage FAtTick = Usage();
    TUsage FInLongest;
};

// Sleeps until an event comes, a timer bringing one every 5 ms at least. The overload with a
// time limit would not sleep: it drops WaitForMoreEvents and spins a core the writers need.
void WaitFor(const std::function<bool()>& Done) {
    QTimer waker;
    waker.start(5);
    while (!Done())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    const fs::path base = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path();
    const fs::path folder = base / ("orvanta-bench-batch-window-" + std::to_string(::getpid()));
    const fs::path music = folder / "music";
    fs::create_directories(folder / "home");
    const std::string sample = bench::SampleMp3(folder);
    if (sample.empty()) {
        std::fprintf(stderr, "sox or lame failed\n");
        return 1;
    }
    for (int i = 0; i < count; ++i) {
        const fs::path sub = music / std::to_string(i / FilesPerFolder);
        if (i % FilesPerFolder == 0)
            fs::create_directories(sub);
        std::ofstream(sub / (std::to_string(i) + ".mp3"), std::ios::binary) << sample;
    }
    const std::string home = (folder / "home").string();
    qputenv("ORVANTA_HOME", QByteArray::fromStdString(home));
    TOrvantaApplication app(argc, argv);
    test::FakePrompts prompts;
    if (!InitApplication(prompts, QString::fromStdString(home)))
        return 1;
    auto window = std::make_unique<TfrmMain>(prompts);
    window->InitializeViews(*MyMediaDB, *PlayListManager, *FileTypes, StartListing(*MyMediaDB));
    window->show();
    TfraMedia* media = window->fraMedia1;
    const auto settled = [media] { return !media->ListPending() && !media->Busy(); };
    WaitFor(settled);
    // The add reads every file once: the batch below runs on a warm cache.
    media->AddPaths({QString::fromStdString(music.string())});
    WaitFor(settled);
    const int rows = media->MediaModel->rowCount();
    std::printf("rows listed: %d\n", rows);

    TStallMeter stalls;
    QElapsedTimer clock;
    clock.start();
    media->lvwMedia->selectAll(); // Ctrl+A
    media->DoCommand(ECommand::MediaEditMP3Tag);
    TfrmMP3Tag* dialog = nullptr;
    WaitFor([&dialog] {
        dialog = qobject_cast<TfrmMP3Tag*>(QApplication::activeModalWidget());
        return dialog != nullptr;
    });
    std::printf("Edit Tag over %d rows: dialog open in %lld ms, longest stall %lld ms\n", rows,
                static_cast<long long>(clock.elapsed()), static_cast<long long>(stalls.Longest()));

    // A tool previews every file again once typing into its pattern pauses.
    const int tags = dialog->tabPages->currentIndex();
    dialog->tabPages->setCurrentIndex(
        dialog->tabPages->indexOf(dialog->Tools->txtRenamePattern->parentWidget()));
    const QAbstractItemModel* preview = dialog->Tools->tblPreview[1]->model();
    WaitFor([&] { return preview->rowCount() == rows; });
    stalls.Restart();
    clock.restart();
    QTest::keyClicks(dialog->Tools->txtRenamePattern, QStringLiteral("x"));
    WaitFor(
        [&] { return preview->index(0, 3).data().toString().endsWith(QStringLiteral("x.mp3")); });
    std::printf("a key typed into the rename pattern: %d files previewed in %lld ms, longest "
                "stall %lld ms\n",
                rows, static_cast<long long>(clock.elapsed()),
                static_cast<long long>(stalls.Longest()));
    dialog->tabPages->setCurrentIndex(tags);

    QTest::keyClicks(dialog->cmbAlbums->lineEdit(), QStringLiteral("The Batch"));
    stalls.Restart();
    clock.restart();
    const std::size_t before = prompts.Messages.size();
    dialog->cmdSaveTag->click();
    const qint64 clicked = clock.elapsed();
    // The summary comes once the files and rows are written; the list is then read again.
    WaitFor([&] { return prompts.Messages.size() > before; });
    const qint64 written = clock.elapsed();
    WaitFor(settled);
    const qint64 took = clock.elapsed();
    std::printf("files and rows written in %lld ms (%.0f files/s), list read again in %lld ms\n",
                static_cast<long long>(written), written > 0 ? rows * 1000.0 / written : 0.0,
                static_cast<long long>(took - written));
    const QString summary = prompts.Messages.empty() ? QString() : prompts.Messages.back().Text;
    std::printf("batch of one field: %lld ms, %.0f files/s, longest stall %lld ms (%s)\n",
                static_cast<long long>(took), took > 0 ? rows * 1000.0 / took : 0.0,
                static_cast<long long>(stalls.Longest()), stalls.LongestTold().c_str());
    std::printf("the click itself (a look for any change, the hand-over): %lld ms\n",
                static_cast<long long>(clicked));
    std::printf("summary: %s\n", qPrintable(summary.section(QStringLiteral("\r\n"), 0, 0)));
    window.reset();
    ReleaseGlobals();
    fs::remove_all(folder);
    return summary.startsWith(QStringLiteral("%1 of %1 files written").arg(rows)) ? 0 : 1;
}
