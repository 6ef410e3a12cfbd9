#include "ui/playback/uPlayerEngine.h"
#include "core/replaygain/uStreamGain.h"
#include "ui/common/uQtPath.h"

#include "core/common/uTFileUtils.h"
#include "core/playlists/uStreamEntry.h"

#include <QMetaObject>
#include <QTimer>

#include <gst/gst.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <future>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <utility>

namespace orvanta {

namespace {

// playbin's GstPlayFlags. Its soft-volume flag is left off: with it, GStreamer 1.22 keeps a volume
// element for every file (each one takes the pipeline down to NULL), so the volume is an element
// of our own in front of the sink.
constexpr guint PlayFlagAudio = 1u << 1;

constexpr std::int64_t NanosPerMilli = 1000000;

QString FromGChar(const gchar* Text) {
    return Text != nullptr ? QString::fromUtf8(Text) : QString();
}

std::mutex LoadingLock;
std::future<void> Loading;

} // namespace

std::string PlayableUri(const QString& Path, QString& Error) {
    if (Path.isEmpty()) {
        Error = QStringLiteral("No file name was given.");
        return {};
    }
    const std::string path = PathFromQString(Path);
    // playbin opens a stream's URL itself; no file is there to look at.
    if (IsStreamUrl(path))
        return path;
    // The streaming thread would block on a FIFO for ever, and the stop that follows with it.
    // A missing file is left to GStreamer, whose words say so.
    struct stat info {};
    if (!TFileUtils::IsRegularFile(path) &&
        (path.find('\0') != std::string::npos || ::stat(path.c_str(), &info) == 0)) {
        Error = QString::fromStdString(TFileUtils::NotRegularFileMessage(DisplayPath(path)));
        return {};
    }
    GError* error = nullptr;
    gchar* uri = gst_filename_to_uri(path.c_str(), &error);
    if (uri == nullptr) {
        Error = FromGChar(error != nullptr ? error->message : nullptr);
        g_clear_error(&error);
        return {};
    }
    std::string text(uri);
    g_free(uri);
    return text;
}

void TGstPlayerEngine::StartLoading() {
    const std::lock_guard lock(LoadingLock);
    if (Loading.valid())
        return;
    Loading = std::async(std::launch::async, [] {
        if (!gst_init_check(nullptr, nullptr, nullptr))
            return; // the engine says why when it is made
        // Loading the plugin is most of what making the first playbin costs.
        if (GstElementFactory* factory = gst_element_factory_find("playbin")) {
            if (GstPluginFeature* loaded = gst_plugin_feature_load(GST_PLUGIN_FEATURE(factory)))
                gst_object_unref(loaded);
            gst_object_unref(factory);
        }
    });
}

bool TGstPlayerEngine::Loaded() {
    const std::lock_guard lock(LoadingLock);
    return !Loading.valid() ||
           Loading.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

TGstPlayerEngine::TGstPlayerEngine(const QString& AudioSink, QObject* Parent)
    : IPlayerEngine(Parent), FAudioSink(AudioSink) {}

void TGstPlayerEngine::Prepare() {
    if (FPrepared)
        return;
    FPrepared = true;
    {
        const std::lock_guard lock(LoadingLock);
        if (Loading.valid())
            Loading.wait();
    }
    GError* error = nullptr;
    if (!gst_init_check(nullptr, nullptr, &error)) {
        FInitError = QStringLiteral("GStreamer could not start: ") +
                     FromGChar(error != nullptr ? error->message : nullptr);
        g_clear_error(&error);
        return;
    }
    FPlayBin = gst_element_factory_make("playbin", nullptr);
    if (FPlayBin == nullptr) {
        FInitError = QStringLiteral("GStreamer's playbin is missing (gstreamer1.0-plugins-base).");
        return;
    }
    gst_object_ref_sink(FPlayBin);
    g_object_set(FPlayBin, "flags", PlayFlagAudio, nullptr);
    const QString sinkText = FAudioSink.isEmpty() ? QStringLiteral("autoaudiosink") : FAudioSink;
    // Each stream's ReplayGain, then the user's volume.
    GstElement* sink = gst_parse_bin_from_description(
        ("volume name=orvanta-gain ! volume name=orvanta-volume ! " + sinkText.toUtf8())
            .constData(),
        TRUE, &error);
    if (sink != nullptr) {
        FVolumeElement = gst_bin_get_by_name(GST_BIN(sink), "orvanta-volume");
        GstElement* gain = gst_bin_get_by_name(GST_BIN(sink), "orvanta-gain");
        FGain = std::make_unique<TStreamGain>();
        FGain->Attach(gain);
        gst_object_unref(gain);
        g_object_set(FPlayBin, "audio-sink", sink, nullptr);
        SetVolume(FVolume);
    } else {
        FInitError = QStringLiteral("Audio sink \"%1\": %2")
                         .arg(sinkText, FromGChar(error != nullptr ? error->message : nullptr));
    }
    g_clear_error(&error);
    g_signal_connect(FPlayBin, "about-to-finish", G_CALLBACK(+[](GstElement*, gpointer Data) {
                         static_cast<TGstPlayerEngine*>(Data)->AboutToFinish();
                     }),
                     this);

    GstBus* bus = gst_element_get_bus(FPlayBin);
    gst_bus_set_sync_handler(
        bus,
        [](GstBus*, GstMessage* Message, gpointer Data) -> GstBusSyncReply {
            auto* self = static_cast<TGstPlayerEngine*>(Data);
            // A handler that drops a message owns it. Each message holds its source, so one
            // left behind keeps that file's whole decoding chain alive.
            std::shared_ptr<GstMessage> held(Message, gst_message_unref);
            switch (GST_MESSAGE_TYPE(Message)) {
            case GST_MESSAGE_ERROR:
            case GST_MESSAGE_EOS:
            case GST_MESSAGE_STATE_CHANGED:
            case GST_MESSAGE_DURATION_CHANGED:
            case GST_MESSAGE_STREAM_START:
                break;
            default:
                return GST_BUS_DROP;
            }
            if ((GST_MESSAGE_TYPE(Message) == GST_MESSAGE_STATE_CHANGED ||
                 GST_MESSAGE_TYPE(Message) == GST_MESSAGE_STREAM_START) &&
                GST_MESSAGE_SRC(Message) != GST_OBJECT(self->FPlayBin)) {
                return GST_BUS_DROP;
            }
            // The load is read here, on the posting thread, so a message keeps the load it
            // belongs to even when it waits in the queue while a new file is set; so is the
            // count of streams begun, which tells which file a stream start is of.
            const unsigned load = self->FLoad.load();
            const unsigned streams = self->FGain ? self->FGain->Streams() : 0;
            QMetaObject::invokeMethod(
                self,
                [self, held, load, streams] { self->HandleMessage(held.get(), load, streams); },
                Qt::QueuedConnection);
            return GST_BUS_DROP;
        },
        this, nullptr);
    gst_object_unref(bus);
}

TGstPlayerEngine::~TGstPlayerEngine() {
    if (FPlayBin == nullptr) {
        return;
    }
    // Going to NULL joins the streaming threads, so the handler is not running when removed.
    gst_element_set_state(FPlayBin, GST_STATE_NULL);
    GstBus* bus = gst_element_get_bus(FPlayBin);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    if (FVolumeElement != nullptr) {
        gst_object_unref(FVolumeElement);
    }
    gst_object_unref(FPlayBin);
}

void TGstPlayerEngine::Unload() {
    // NULL, not READY: an error of the old file must not leak into the next one.
    if (FPlayBin != nullptr) {
        gst_element_set_state(FPlayBin, GST_STATE_NULL);
    }
    ++FLoad;
    FSeekWhenReady = -1;
    FEndingEarly = false;
    FPositionBefore = -1;
    // The streaming threads are gone: nothing is handed over any more.
    const std::lock_guard hold(FNextLock);
    FNext = TNext{};
}

void TGstPlayerEngine::SetNextURL(const QString& Path) {
    QString error;
    std::string uri = Path.isEmpty() ? std::string() : PlayableUri(Path, error);
    const std::lock_guard hold(FNextLock);
    // A file that cannot be opened is not handed over: the current one ends, and the queue
    // then sets it by SetURL, which says why it does not play.
    FNext.Uri = std::move(uri);
    FNext.Path = FNext.Uri.empty() ? QString() : Path;
}

void TGstPlayerEngine::AboutToFinish() {
    // On a streaming thread, up to a second before the current file's last sample: never wait
    // here on the window's thread.
    const std::lock_guard hold(FNextLock);
    if (FNext.Uri.empty()) {
        return;
    }
    g_object_set(FPlayBin, "uri", FNext.Uri.c_str(), nullptr);
    const unsigned begun = FGain ? FGain->Streams() : 0;
    const unsigned stream = FNext.Handed.empty() ? begun + 1 : FNext.Handed.back().Stream + 1;
    FNext.Handed.push_back({std::move(FNext.Uri), FNext.Path, stream});
    FNext.Uri.clear();
    const unsigned load = FLoad.load();
    QMetaObject::invokeMethod(
        this,
        [this, load, path = std::move(FNext.Path)] {
            if (load == FLoad.load()) {
                emit NextTaken(path);
            }
        },
        Qt::QueuedConnection);
    FNext.Path.clear();
}

void TGstPlayerEngine::Reload(std::int64_t Milliseconds) {
    QString next;
    {
        const std::lock_guard hold(FNextLock);
        next = FNext.Handed.empty() ? FNext.Path : FNext.Handed.front().Path;
    }
    Unload();
    QString error;
    const std::string uri = PlayableUri(FPath, error);
    if (uri.empty()) {
        FailLater(error);
        return;
    }
    g_object_set(FPlayBin, "uri", uri.c_str(), nullptr);
    // Handed over again when this file nears its end once more.
    SetNextURL(next);
    // Seeks once the file is ready (paused), and plays on from there unless a pause is wanted.
    FSeekWhenReady = std::max<std::int64_t>(0, Milliseconds);
    gst_element_set_state(FPlayBin, GST_STATE_PAUSED);
}

void TGstPlayerEngine::SetURL(const QString& Path) {
    Prepare();
    FPath = Path;
    FFailed = false;
    FPauseWanted = false;
    FLastDuration = 0;
    Unload();
    ChangeState(psTransitioning);
    if (FPlayBin == nullptr || !FInitError.isEmpty()) {
        FailLater(FInitError);
        return;
    }
    QString error;
    const std::string uri = PlayableUri(Path, error);
    if (uri.empty()) {
        FailLater(error);
        return;
    }
    g_object_set(FPlayBin, "uri", uri.c_str(), nullptr);
    Play();
}

void TGstPlayerEngine::Play() {
    if (FPlayBin == nullptr || FPath.isEmpty() || FFailed) {
        return;
    }
    FPauseWanted = false;
    if (FState == psPlaying) {
        return;
    }
    if (FState == psStopped || FState == psMediaEnded) {
        ChangeState(psTransitioning);
    }
    if (gst_element_set_state(FPlayBin, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        // The element usually posted its own error already; that one is queued first and wins.
        FailLater(QStringLiteral("The file could not be opened."));
    }
}

void TGstPlayerEngine::FailLater(const QString& Message) {
    // Reported from the event loop, as bus errors are, so a caller that sets a file and then
    // marks itself as playing sees the stop after that, never before. Fail ends the load, so
    // whichever error of a load comes first is the only one reported.
    FFailed = true;
    const unsigned load = FLoad.load();
    QMetaObject::invokeMethod(
        this,
        [this, load, Message] {
            if (load == FLoad.load()) {
                Fail(Message);
            }
        },
        Qt::QueuedConnection);
}

void TGstPlayerEngine::Pause() {
    if (FPlayBin == nullptr || FState != psPlaying) {
        return;
    }
    FPauseWanted = true;
    gst_element_set_state(FPlayBin, GST_STATE_PAUSED);
}

void TGstPlayerEngine::Stop() {
    if (FPlayBin == nullptr || FState == psStopped || FState == psUndefined) {
        return;
    }
    // A stop asked for while a failure is on its way is a stop, not a failure.
    FFailed = false;
    Unload();
    ChangeState(psStopped);
}

void TGstPlayerEngine::Seek(std::int64_t Milliseconds) {
    if (FPlayBin == nullptr || (FState != psPlaying && FState != psPaused)) {
        return;
    }
    bool handed = false;
    {
        const std::lock_guard hold(FNextLock);
        handed = !FNext.Handed.empty();
    }
    // playbin has the next file already and may have switched to it: a seek would land in
    // that one, so the current file is loaded again at the point asked for.
    if (handed) {
        Reload(Milliseconds);
        return;
    }
    gst_element_seek_simple(FPlayBin, GST_FORMAT_TIME,
                            static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT),
                            std::max<std::int64_t>(0, Milliseconds) * NanosPerMilli);
}

void TGstPlayerEngine::SetReplayGain(const TReplayGainSettings& Settings, bool AlbumInOrder) {
    Prepare();
    if (FGain) {
        FGain->SetSettings(Settings, AlbumInOrder);
    }
}

double TGstPlayerEngine::GainFactor() {
    return FGain ? FGain->Factor() : 1.0;
}

void TGstPlayerEngine::SetVolume(int Volume) {
    FVolume = std::clamp(Volume, 0, 100);
    if (FVolumeElement != nullptr) {
        // The volume element is linear: 0.5 is -6 dB.
        g_object_set(FVolumeElement, "volume", FVolume / 100.0, nullptr);
    }
}

std::int64_t TGstPlayerEngine::Position() const {
    gint64 position = 0;
    if (FPlayBin == nullptr || (FState != psPlaying && FState != psPaused) ||
        !gst_element_query_position(FPlayBin, GST_FORMAT_TIME, &position) || position < 0) {
        return 0;
    }
    // Until the joined file's first samples, the sink still tells the last file's position,
    // standing where it was when the joined file began.
    if (FPositionBefore >= 0) {
        if (std::abs(position - FPositionBefore) < 50 * NanosPerMilli) {
            return 0;
        }
        FPositionBefore = -1;
    }
    return position / NanosPerMilli;
}

std::int64_t TGstPlayerEngine::Duration() const {
    gint64 duration = 0;
    if (FPlayBin != nullptr && (FState == psPlaying || FState == psPaused) &&
        gst_element_query_duration(FPlayBin, GST_FORMAT_TIME, &duration) && duration > 0) {
        FLastDuration = duration / NanosPerMilli;
    }
    return FLastDuration;
}

void TGstPlayerEngine::Fail(const QString& Message) {
    FFailed = true;
    Unload();
    // The state goes first: by the time a listener sees the message, playback is over.
    ChangeState(psStopped);
    emit MediaError(Message, FPath);
}

void TGstPlayerEngine::ChangeState(int NewState) {
    if (NewState == FState) {
        return;
    }
    FState = NewState;
    emit PlayStateChange(NewState);
}

void TGstPlayerEngine::HandleMessage(GstMessage* Message, unsigned Load, unsigned Streams) {
    if (Load != FLoad.load()) {
        return;
    }
    switch (GST_MESSAGE_TYPE(Message)) {
    case GST_MESSAGE_ERROR: {
        bool handed = false;
        {
            const std::lock_guard hold(FNextLock);
            handed = !FNext.Handed.empty();
        }
        // The next file failed before it began: what is left of the current one sounds, then
        // it ends, and the queue sets the next by SetURL, which reports why it cannot play.
        if (handed || FEndingEarly) {
            if (!FEndingEarly) {
                FEndingEarly = true;
                const unsigned load = FLoad.load();
                QTimer::singleShot(std::max<std::int64_t>(0, Duration() - Position()), this,
                                   [this, load] {
                                       if (load == FLoad.load()) {
                                           Unload();
                                           ChangeState(psMediaEnded);
                                       }
                                   });
            }
            break;
        }
        GError* error = nullptr;
        gchar* debug = nullptr;
        gst_message_parse_error(Message, &error, &debug);
        const QString text = FromGChar(error != nullptr ? error->message : nullptr);
        g_clear_error(&error);
        g_free(debug);
        Fail(text.isEmpty() ? QStringLiteral("The file could not be played.") : text);
        break;
    }
    case GST_MESSAGE_EOS:
        Unload();
        ChangeState(psMediaEnded);
        break;
    case GST_MESSAGE_STATE_CHANGED: {
        GstState oldState = GST_STATE_NULL;
        GstState newState = GST_STATE_NULL;
        GstState pending = GST_STATE_VOID_PENDING;
        gst_message_parse_state_changed(Message, &oldState, &newState, &pending);
        if (newState == GST_STATE_PAUSED && FSeekWhenReady >= 0) {
            gst_element_seek_simple(FPlayBin, GST_FORMAT_TIME,
                                    static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH),
                                    FSeekWhenReady * NanosPerMilli);
            FSeekWhenReady = -1;
            if (!FPauseWanted) {
                gst_element_set_state(FPlayBin, GST_STATE_PLAYING);
            }
        } else if (newState == GST_STATE_PLAYING) {
            ChangeState(psPlaying);
        } else if (newState == GST_STATE_PAUSED && FPauseWanted && FState == psPlaying) {
            ChangeState(psPaused);
        }
        break;
    }
    case GST_MESSAGE_DURATION_CHANGED:
        FLastDuration = 0;
        break;
    case GST_MESSAGE_STREAM_START: {
        QString path;
        {
            const std::lock_guard hold(FNextLock);
            if (!FNext.Handed.empty() && Streams >= FNext.Handed.front().Stream) {
                path = FNext.Handed.front().Path;
                FNext.Handed.pop_front();
            }
        }
        if (!path.isEmpty()) {
            FPath = path;
            FLastDuration = 0;
            gint64 position = 0;
            FPositionBefore =
                gst_element_query_position(FPlayBin, GST_FORMAT_TIME, &position) ? position : -1;
            emit NextStarted();
        }
        break;
    }
    default:
        break;
    }
}

} // namespace orvanta
