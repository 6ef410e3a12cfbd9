// Memory over many track starts: the main window plays a queue of short MP3 files, each with a
// cover picture in its tag, through the real engine (a fake sink that does not keep time), and
// prints the resident memory and the heap in use every 250 starts. From the 500th start on the
// resident memory must grow by at most 10 MB, or the exit status is 1. Run it under
// dbus-run-session to include the desktop's media controls and the cover file they read.
// Usage: bench_playback_memory [starts]   (default 2000; needs sox and lame)
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <malloc.h>
#include <string>

#include "core/playlists/uTPlayList.h"
#include "ui/common/uPrompts.h"
#include "ui/common/uQtPath.h"
#include "ui/playback/uMpris.h"
#include "ui/playback/uPlaybackControl.h"
#include "ui/playback/uPlayerEngine.h"
#include "ui/shell/uFrmMain.h"

using namespace orvanta;

namespace {

constexpr unsigned ReportEvery = 250;
// Caches and pools fill in the first starts; from here on the memory must stay flat.
constexpr unsigned WarmUp = 500;
constexpr double MaxGrowthMB = 10;

long ResidentKB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    }
    return 0;
}

bool Run(const QString& Program, const QStringList& Arguments) {
    QProcess process;
    process.start(Program, Arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// A 0.15 s tone with a title, an artist and a 600 px cover, as lame writes them.
QString MakeTrack(const QString& Folder) {
    QImage cover(600, 600, QImage::Format_RGB32);
    QPainter painter(&cover);
    QLinearGradient gradient(0, 0, 600, 600);
    gradient.setColorAt(0, QColor(200, 120, 40));
    gradient.setColorAt(1, QColor(40, 80, 160));
    painter.fillRect(cover.rect(), gradient);
    painter.end();
    const QString png = Folder + QStringLiteral("/cover.png");
    const QString wav = Folder + QStringLiteral("/tone.wav");
    const QString mp3 = Folder + QStringLiteral("/tone.mp3");
    if (!cover.save(png) ||
        !Run(QStringLiteral("sox"),
             {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"),
              QStringLiteral("-c"), QStringLiteral("2"), wav, QStringLiteral("synth"),
              QStringLiteral("0.15"), QStringLiteral("sine"), QStringLiteral("440")}) ||
        !Run(QStringLiteral("lame"),
             {QStringLiteral("--quiet"), QStringLiteral("-b"), QStringLiteral("128"),
              QStringLiteral("--tt"), QStringLiteral("Short Tone"), QStringLiteral("--ta"),
              QStringLiteral("Bench Band"), QStringLiteral("--ti"), png, wav, mp3})) {
        return {};
    }
    return mp3;
}

} // namespace

int main(int argc, char** argv) {
    const unsigned starts = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    // The cover file for the desktop goes to the runtime folder; a bare session may lack one.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.path()));
    QApplication app(argc, argv);
    const QString track = MakeTrack(dir.path());
    if (track.isEmpty()) {
        std::fprintf(stderr, "sox and lame are needed to make the tracks\n");
        return 1;
    }
    // A file of its own per start, as a long queue of different tracks has.
    TPlayList queue;
    queue.SetUp("Bench", pmNormal);
    for (unsigned i = 0; i < starts; ++i) {
        const QString copy =
            dir.filePath(QStringLiteral("track-%1.mp3").arg(i, 5, 10, QLatin1Char('0')));
        if (!QFile::copy(track, copy)) {
            std::fprintf(stderr, "cannot copy %s\n", qPrintable(copy));
            return 1;
        }
        queue.InsertTrack(MakeTrackEntry(PathFromQString(copy), 0), -1);
    }

    TQtPrompts prompts;
    TGstPlayerEngine engine(QStringLiteral("fakesink sync=false"));
    if (!engine.IsReady()) {
        std::fprintf(stderr, "GStreamer's playbin is missing\n");
        return 1;
    }
    TfrmMain window(prompts, nullptr, nullptr, &engine);
    window.show();
    std::printf("media controls on the session bus: %s\n",
                window.findChild<TMprisService*>() != nullptr &&
                        window.findChild<TMprisService*>()->Registered()
                    ? "yes"
                    : "no");
    std::printf("%8s %10s %10s %8s\n", "starts", "RSS MB", "heap MB", "s");

    QElapsedTimer clock;
    clock.start();
    unsigned started = 0;
    unsigned reported = 0;
    bool warm = false;
    long warmRss = 0;
    long lastRss = 0;
    const auto report = [&] {
        malloc_trim(0);
        const long rss = ResidentKB();
        const struct mallinfo2 heap = mallinfo2();
        std::printf("%8u %10.1f %10.1f %8.1f\n", started, rss / 1024.0,
                    static_cast<double>(heap.uordblks) / (1024.0 * 1024.0),
                    static_cast<double>(clock.elapsed()) / 1000.0);
        std::fflush(stdout);
        if (!warm) {
            warmRss = rss;
            warm = started >= WarmUp;
        }
        lastRss = rss;
        reported = started;
    };
    report();
    QObject::connect(window.Playback, &TPlaybackControl::NowPlayingChanged,
                     [&] { started = std::max(started, window.Playback->Current().Serial); });
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!window.Playback->Playing())
            app.quit();
        else if (started >= reported + ReportEvery)
            report();
    });
    window.PlayPlayList(queue);
    poll.start();
    app.exec();
    report();
    const double growth = (lastRss - warmRss) / 1024.0;
    std::printf("resident memory from start %u to the end: %+.1f MB (at most %+.1f MB wanted)\n",
                WarmUp, growth, MaxGrowthMB);
    return growth <= MaxGrowthMB ? 0 : 1;
}
