// The Playback menu's two switches, the strip's menu, and coming back after a restart to what
// played, paused where it was.
#include <QAction>
#include <QMenu>
#include <QSettings>

#include <algorithm>
#include <cstdio>

#include "core/common/uDisplayUtils.h"
#include "core/library/uTMyMediaDB.h"
#include "ui/common/uTOptions.h"
#include "ui/playback/uFraTransportBar.h"
#include "ui/playback/uPlaybackControl.h"
#include "ui/playback/uPlayerEngine.h"
#include "ui/playback/uReplayGainMenu.h"
#include "ui/playback/uTransportMenu.h"
#include "ui/shell/uFrmMain.h"

namespace orvanta {

namespace {

const QString ContinueKey = QStringLiteral("Playback/ContinueThroughList");
const QString ResumeKey = QStringLiteral("Playback/ResumeAtStartup");
// Where playback stood; the queue's entries are in a file beside the library.
const QString ResumeGroup = QStringLiteral("Resume");
const QString EntryKey = QStringLiteral("Resume/Entry");
// Whether the queue's file holds the queue the track was played from.
const QString QueueKey = QStringLiteral("Resume/Queue");
const QString IndexKey = QStringLiteral("Resume/Index");
const QString PositionKey = QStringLiteral("Resume/QueuePosition");
const QString ModeKey = QStringLiteral("Resume/Mode");
const QString NameKey = QStringLiteral("Resume/Name");
const QString MillisecondsKey = QStringLiteral("Resume/Milliseconds");
const char* const QueueFileName = "NowPlaying.ply";

QAction* AddSwitch(QMenu* Menu, QObject* Owner, const char* Name, const QString& Caption) {
    auto* item = new QAction(Caption, Owner);
    item->setObjectName(QString::fromLatin1(Name));
    item->setCheckable(true);
    if (Menu)
        Menu->addAction(item);
    return item;
}

} // namespace

void TfrmMain::CreatePlaybackOptions(IPlayerEngine& Engine) {
    auto* menu = findChild<QMenu*>(QStringLiteral("mnuPlayback"));
    if (menu)
        menu->addSeparator();
    mnuPlaybackContinue =
        AddSwitch(menu, this, "mnuPlaybackContinue", QStringLiteral("&Continue Through the List"));
    mnuPlaybackResume =
        AddSwitch(menu, this, "mnuPlaybackResume", QStringLiteral("&Resume at Start-up"));
    // Only the real program (with its options) remembers them.
    if (FOptions) {
        const std::unique_ptr<QSettings> settings = OpenSettings(SettingsBaseKey);
        mnuPlaybackContinue->setChecked(settings->value(ContinueKey, false).toBool());
        mnuPlaybackResume->setChecked(settings->value(ResumeKey, false).toBool());
    }
    connect(mnuPlaybackContinue, &QAction::toggled, this, [this](bool On) {
        if (FOptions)
            OpenSettings(SettingsBaseKey)->setValue(ContinueKey, On);
    });
    connect(mnuPlaybackResume, &QAction::toggled, this, [this](bool On) {
        if (!FOptions)
            return;
        OpenSettings(SettingsBaseKey)->setValue(ResumeKey, On);
        // Kept from now on, or forgotten so that it never comes back later.
        FResumeSerial = 0;
        SaveResumePoint();
    });
    connect(Playback, &TPlaybackControl::NowPlayingChanged, this, [this] {
        // Each new track is written at once, so a crash loses little.
        const unsigned serial = Playback->Current().Serial;
        if (serial != 0 && serial != FResumeSerial)
            SaveResumePoint();
    });

    TTransportMenu::TWindowParts parts;
    parts.Previous = mnuPlayPrevious;
    parts.Next = mnuPlayNext;
    parts.ContinueThroughList = mnuPlaybackContinue;
    parts.PlayPause = [this] { PlayPauseClick(); };
    parts.Playing = [this] { return Playback->Playing(); };
    TransportMenu = new TTransportMenu(*wmpPlayer, Engine, std::move(parts));
    AddReplayGainMenu(*TransportMenu->Menu(), *Playback);
}

bool TfrmMain::ContinueThroughList() const {
    return mnuPlaybackContinue && mnuPlaybackContinue->isChecked();
}

std::string TfrmMain::ResumeQueueFile() const {
    if (!FMediaDB || FMediaDB->FileName().empty())
        return {};
    return ExtractFileDir(FMediaDB->FileName()) + "/" + QueueFileName;
}

void TfrmMain::SaveResumePoint() {
    if (!FOptions || !mnuPlaybackResume || FRestoring)
        return;
    const std::unique_ptr<QSettings> settings = OpenSettings(SettingsBaseKey);
    TPlaybackResume point;
    if (mnuPlaybackResume->isChecked())
        point = Playback->ResumePoint();
    FResumeSerial = Playback->Current().Serial;
    if (point.Entry.empty()) {
        settings->remove(ResumeGroup);
        if (const std::string file = ResumeQueueFile(); !file.empty())
            std::remove(file.c_str());
        FResumeRevision = 0;
        return;
    }
    // The queue's file is written again only when its entries changed; a queue a playlist
    // file cannot hold (a line break in a path) is not kept, the track alone is.
    const TPlayList& queue = Playback->NowPlaying();
    const std::string file = ResumeQueueFile();
    bool queueKept = !file.empty() && queue.Revision() == FResumeRevision;
    if (!file.empty() && !queueKept) {
        const auto& tracks = queue.Tracks();
        queueKept = std::all_of(tracks.begin(), tracks.end(),
                                [](const std::string& Entry) { return PlayListCanHold(Entry); }) &&
                    queue.SaveToFile(file);
        FResumeRevision = queueKept ? queue.Revision() : 0;
    }
    // Bytes: a path that is not UTF-8 would not survive the settings file as text.
    settings->setValue(EntryKey, QByteArray::fromStdString(point.Entry));
    settings->setValue(QueueKey, queueKept);
    settings->setValue(NameKey, QByteArray::fromStdString(queue.Name));
    settings->setValue(IndexKey, point.Index);
    settings->setValue(PositionKey, point.Position);
    settings->setValue(ModeKey, point.Mode);
    settings->setValue(MillisecondsKey, static_cast<qlonglong>(point.Milliseconds));
}

void TfrmMain::ResumeAtStartup() {
    if (FResumeTried || !FOptions || !mnuPlaybackResume || !mnuPlaybackResume->isChecked())
        return;
    FResumeTried = true;
    // Files the program was asked to open play instead.
    if (Playback->Playing())
        return;
    const std::unique_ptr<QSettings> settings = OpenSettings(SettingsBaseKey);
    TPlaybackResume point;
    point.Entry = settings->value(EntryKey).toByteArray().toStdString();
    if (point.Entry.empty())
        return;
    TPlayList queue;
    const std::string file = ResumeQueueFile();
    if (settings->value(QueueKey, false).toBool() && !file.empty() && queue.LoadFromFile(file)) {
        queue.Name = settings->value(NameKey).toByteArray().toStdString();
        point.Index = settings->value(IndexKey, -1).toInt();
        point.Position = settings->value(PositionKey, -1).toInt();
        point.Mode = settings->value(ModeKey, pmNormal).toInt();
    } else {
        // The track alone, once, as a file plays.
        queue.Clear();
        queue.InsertTrack(point.Entry, -1);
        point.Index = 0;
    }
    point.Milliseconds = settings->value(MillisecondsKey, 0).toLongLong();
    // A track that is gone brings nothing back, and says nothing. What was saved stays as it
    // is until the next track or the quit: the track comes back at the point saved.
    FResumeRevision = 0;
    FRestoring = true;
    Playback->Resume(queue, point);
    FRestoring = false;
    FResumeSerial = Playback->Current().Serial;
}

} // namespace orvanta
