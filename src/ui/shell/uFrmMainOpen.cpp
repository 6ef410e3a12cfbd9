#include "ui/shell/uFrmMain.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <chrono>
#include <deque>

#include "core/common/uDisplayUtils.h"
#include "core/common/uPathText.h"
#include "core/common/uTFileUtils.h"
#include "core/library/uMediaMaintenance.h"
#include "core/library/uTMyMediaDB.h"
#include "core/playlists/uTPlayList.h"
#include "ui/common/uGuard.h"
#include "ui/common/uPrompts.h"
#include "ui/common/uQtPath.h"
#include "ui/library/uFraMedia.h"
#include "ui/playback/uPlaybackControl.h"
#include "ui/playlists/uFraPlayListsM3U.h"

// Files the program is asked to open: from its command line, a second start or the desktop.
namespace orvanta {

namespace {
// Time per tick spent checking paths at most, so the window stays responsive.
constexpr qint64 SliceMs = 10;
// While My Music runs another command, the checked files wait this long between looks.
constexpr int WaitMs = 100;
// How long a program told to close still lets handed-over files reach the library.
constexpr std::chrono::milliseconds FinishingMs{1000};
// Names listed in a message at most; the rest are counted.
constexpr std::size_t ListedNames = 10;

// The one check before a file is read: an absolute path (a hand-over may come from any
// program of the user's) naming a regular file.
bool CanOpen(const std::string& Path) {
    return !Path.empty() && Path.front() == '/' && TFileUtils::IsRegularFile(Path);
}

bool IsPlayListFileName(const std::string& Path) {
    const std::size_t dot = Path.rfind('.');
    if (dot == std::string::npos || Path.find('/', dot) != std::string::npos)
        return false;
    std::string suffix = Path.substr(dot + 1);
    for (char& c : suffix)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return suffix == "m3u" || suffix == "m3u8";
}

// A few names and a count, whatever the number of files: a box never outgrows the screen.
struct TNameList {
    std::vector<std::string> Shown;
    std::size_t Count = 0;

    void Add(const std::string& Path) {
        if (Shown.size() < ListedNames)
            Shown.push_back(Path);
        ++Count;
    }
    QString Text(const QString& Lead) const {
        QStringList lines{Lead};
        for (const std::string& path : Shown)
            lines << PathForDisplay(path);
        if (Count > Shown.size())
            lines << QStringLiteral("(and %1 more)").arg(Count - Shown.size());
        return lines.join(QStringLiteral("\r\n"));
    }
};
} // namespace

struct TfrmMain::TOpenQueue {
    struct TJob {
        std::vector<std::string> Paths;
        std::size_t Next = 0;
        std::vector<std::string> Music;
        TNameList Refused;
    };
    std::deque<TJob> Jobs;
    QTimer* tmrOpen = nullptr;
};

int TfrmMain::ImportPlayListFiles(const QStringList& Files) {
    PlayListsView(); // the file commands come with the view
    const int imported = PlayListFiles ? PlayListFiles->ImportFiles(Files) : 0;
    if (imported > 0)
        spdViewPlayLists->click();
    return imported;
}

void TfrmMain::OpenFiles(const std::vector<std::string>& Paths) {
    if (Paths.empty() || !FMediaDB || !FFileTypes)
        return;
    if (!FOpenQueue) {
        FOpenQueue = std::make_shared<TOpenQueue>();
        FOpenQueue->tmrOpen = new QTimer(this);
        connect(FOpenQueue->tmrOpen, &QTimer::timeout, this,
                [this] { Guarded(FPrompts, [this] { OpenTick(); }); });
    }
    // Playlist files (.m3u, .m3u8) become playlists at once: they are few, and a program
    // told to close right after still keeps them. The rest is music, checked a slice at a time.
    TOpenQueue::TJob job;
    QStringList lists;
    for (const std::string& path : Paths) {
        if (!IsPlayListFileName(path))
            job.Paths.push_back(path);
        else if (CanOpen(path))
            lists << PathToQString(path);
        else
            job.Refused.Add(path);
    }
    FOpenQueue->Jobs.push_back(std::move(job));
    FOpenQueue->tmrOpen->start(0);
    if (!lists.isEmpty())
        ImportPlayListFiles(lists);
}

void TfrmMain::EndLibraryWork() {
    // Files already handed over still reach the library when that takes little time: the
    // second start that brought them was told they were taken.
    const auto deadline = std::chrono::steady_clock::now() + FinishingMs;
    if (FOpenQueue) {
        FOpenQueue->tmrOpen->stop();
        for (TOpenQueue::TJob& job : FOpenQueue->Jobs) {
            for (; job.Next < job.Paths.size() && std::chrono::steady_clock::now() < deadline;
                 ++job.Next)
                if (CanOpen(job.Paths[job.Next]))
                    job.Music.push_back(std::move(job.Paths[job.Next]));
            if (!FMediaDB->ReadOnly())
                fraMedia1->AddPathsThen(std::move(job.Music), {});
        }
        FOpenQueue->Jobs.clear();
    }
    fraMedia1->LetImportsFinish(std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now()));
    fraMedia1->Finalize();
}

void TfrmMain::OpenTick() {
    TOpenQueue& open = *FOpenQueue;
    if (open.Jobs.empty()) {
        open.tmrOpen->stop();
        return;
    }
    TOpenQueue::TJob& job = open.Jobs.front();
    QElapsedTimer spent;
    spent.start();
    while (job.Next < job.Paths.size() && spent.elapsed() < SliceMs) {
        const std::size_t end = std::min(job.Paths.size(), job.Next + 256);
        for (; job.Next < end; ++job.Next) {
            std::string& path = job.Paths[job.Next];
            if (CanOpen(path))
                job.Music.push_back(std::move(path));
            else
                job.Refused.Add(path);
        }
    }
    if (job.Next < job.Paths.size())
        return;
    // One library command at a time: checked files wait while My Music adds, refreshes or
    // fills its list.
    if (!job.Music.empty() && !FMediaDB->ReadOnly() && fraMedia1->Busy()) {
        open.tmrOpen->start(WaitMs);
        return;
    }
    TOpenQueue::TJob done = std::move(job);
    open.Jobs.pop_front();
    if (open.Jobs.empty())
        open.tmrOpen->stop();
    else
        open.tmrOpen->start(0);
    // The add runs while the message is read.
    StartOpened(std::move(done.Music));
    if (done.Refused.Count > 0)
        FPrompts.Information(done.Refused.Text(QStringLiteral("These files could not be opened:")));
}

void TfrmMain::StartOpened(std::vector<std::string> Music) {
    if (Music.empty())
        return;
    if (FMediaDB->ReadOnly()) {
        // Nothing can be added: the files still play, as "Play File" plays one.
        TPlayList queue;
        queue.SetUp({}, pmNormal);
        TNameList unsupported;
        for (const std::string& path : Music) {
            if (FileTypeOf(path, *FFileTypes).empty())
                unsupported.Add(path);
            else
                queue.InsertTrack(MakeTrackEntry(path, 0));
        }
        if (queue.Count() > 0)
            Playback->PlayPlayList(queue);
        if (unsupported.Count > 0)
            FPrompts.Information(
                unsupported.Text(QStringLiteral("These files are not supported:")));
        return;
    }
    // Added off the GUI thread; those refused are named in the add's one summary.
    fraMedia1->AddPathsThen(std::move(Music), [this](std::vector<std::string> Entries) {
        TPlayList queue;
        queue.SetUp({}, pmNormal);
        for (const std::string& entry : Entries)
            queue.InsertTrack(entry);
        if (queue.Count() > 0)
            Playback->PlayPlayList(queue);
    });
}

void TfrmMain::RaiseWindow() {
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

} // namespace orvanta
