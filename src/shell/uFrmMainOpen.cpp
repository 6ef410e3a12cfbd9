#include "shell/uFrmMain.h"

#include <QStringList>
#include <QToolButton>
#include <QTimer>

#include "common/uDisplayUtils.h"
#include "common/uPathText.h"
#include "common/uTFileUtils.h"
#include "library/uFraMedia.h"
#include "library/uMediaMaintenance.h"
#include "library/uTMyMediaDB.h"
#include "playlists/uFraPlayListsM3U.h"
#include "playlists/uTPlayList.h"
#include "shell/uPlaybackControl.h"
#include "shell/uPrompts.h"
#include "shell/uQtPath.h"

// Files the program is asked to open: from its command line, a second start or the desktop.
namespace orvanta {

int TfrmMain::ImportPlayListFiles(const QStringList& Files) {
    const int imported = PlayListFiles ? PlayListFiles->ImportFiles(Files) : 0;
    if (imported > 0)
        spdViewPlayLists->click();
    return imported;
}

void TfrmMain::OpenFiles(const std::vector<std::string>& Paths) {
    if (Paths.empty() || !FMediaDB || !FFileTypes)
        return;
    // One library command at a time: files that arrive while My Music adds, refreshes or
    // fills its list wait for it.
    if (fraMedia1->Busy()) {
        QTimer::singleShot(100, this, [this, Paths] { OpenFiles(Paths); });
        return;
    }
    // Playlist files (.m3u, .m3u8) become playlists; the rest is music to add and play.
    QStringList lists;
    std::vector<std::string> music;
    for (const std::string& path : Paths) {
        const QStringList one = PlayListFilesAmong({PathToQString(path)});
        if (one.isEmpty())
            music.push_back(path);
        else
            lists << one;
    }
    if (!lists.isEmpty())
        ImportPlayListFiles(lists);
    std::vector<std::string> found;
    QStringList missing;
    for (const std::string& path : music) {
        if (TFileUtils::IsRegularFile(path))
            found.push_back(path);
        else
            missing << QString::fromStdString(DisplayPath(path));
    }
    if (!missing.isEmpty())
        FPrompts.Information(QStringLiteral("These files could not be opened:\r\n") +
                             missing.join(QStringLiteral("\r\n")));

    TPlayList queue;
    queue.SetUp({}, pmNormal);
    const auto unsupported = [this](const std::string& path) {
        FPrompts.Information(QString::fromStdString(UnsupportedFileMessage(path)));
    };
    if (FMediaDB->ReadOnly()) {
        // Nothing can be added: the files still play, as "Play File" plays one.
        for (const std::string& path : found) {
            if (FileTypeOf(path, *FFileTypes).empty())
                unsupported(path);
            else
                queue.InsertTrack(MakeTrackEntry(path, 0));
        }
    } else {
        fraMedia1->AddPathsNow(found, [this, &queue](const TAddResult& result) {
            if (const std::string refusal = AddRefusalMessage(result); !refusal.empty())
                FPrompts.Information(QString::fromStdString(refusal));
            else
                queue.InsertTrack(result.Row.TrackEntry());
        });
    }
    if (queue.Count() > 0)
        Playback->PlayPlayList(queue);
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
