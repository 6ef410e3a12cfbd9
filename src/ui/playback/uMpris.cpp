#include "ui/playback/uMpris.h"
#include "ui/common/uQtPath.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/common/uTFileUtils.h"

#include "ui/playback/uPlaybackControl.h"
#include "ui/playback/uPlayerEngine.h"

namespace orvanta {

namespace {

const QString ObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString ServiceName = QStringLiteral("org.mpris.MediaPlayer2.orvanta");
const QString PlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
constexpr qlonglong MicrosPerMilli = 1000;

// Without an address or a bus socket, libdbus would try to start a bus of its own; the program
// runs without one instead.
bool SessionBusExpected() {
    if (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS")) {
        return true;
    }
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

} // namespace

TMprisService::TMprisService(TPlaybackControl& Playback, IPlayerEngine& Engine, THooks Hooks,
                             QObject* Parent)
    : QObject(Parent), FPlayback(Playback), FEngine(Engine), FHooks(std::move(Hooks)) {
    new TMprisRootAdaptor(this);
    auto* player = new TMprisPlayerAdaptor(this);
    connect(this, &TMprisService::Seeked, player, &TMprisPlayerAdaptor::Seeked);
    tmrChanges = new QTimer(this);
    tmrChanges->setSingleShot(true);
    tmrChanges->setInterval(0);
    connect(tmrChanges, &QTimer::timeout, this, &TMprisService::SendChanges);
    connect(&FEngine, &IPlayerEngine::PlayStateChange, this,
            &TMprisService::PropertiesMayHaveChanged);
    connect(&FPlayback, &TPlaybackControl::NowPlayingChanged, this,
            &TMprisService::PropertiesMayHaveChanged);
    connect(&FPlayback, &TPlaybackControl::Jumped, this, &TMprisService::AnnounceSeek);
}

TMprisService::~TMprisService() {
    if (FRegistered) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterService(FServiceName);
        bus.unregisterObject(ObjectPath);
    }
}

bool TMprisService::Register() {
    if (FRegistered || !SessionBusExpected()) {
        return FRegistered;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() ||
        !bus.registerObject(ObjectPath, this, QDBusConnection::ExportAdaptors)) {
        return false;
    }
    // A second player under the same name registers as "<name>.instance<pid>", which
    // desktop controls still find.
    FServiceName = ServiceName;
    if (!bus.registerService(FServiceName)) {
        FServiceName =
            ServiceName + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid());
        if (!bus.registerService(FServiceName)) {
            bus.unregisterObject(ObjectPath);
            return false;
        }
    }
    FRegistered = true;
    FAnnounced.clear();
    SendChanges();
    return true;
}

void TMprisService::SetArtUrl(const QString& Url) {
    FArtUrl = Url;
    PropertiesMayHaveChanged();
}

void TMprisService::AnnounceSeek(qint64 Milliseconds) {
    emit Seeked(Milliseconds * MicrosPerMilli);
}

void TMprisService::PropertiesMayHaveChanged() {
    if (FRegistered) {
        tmrChanges->start();
    }
}

void TMprisService::SendChanges() {
    const QVariantMap now = {
        {QStringLiteral("PlaybackStatus"), PlaybackStatus()},
        {QStringLiteral("Metadata"), Metadata()},
        {QStringLiteral("Volume"), Volume()},
        {QStringLiteral("LoopStatus"), LoopStatus()},
        {QStringLiteral("Shuffle"), Shuffle()},
        {QStringLiteral("CanGoNext"), CanGoNext()},
        {QStringLiteral("CanGoPrevious"), CanGoPrevious()},
        {QStringLiteral("CanPlay"), CanPlay()},
        {QStringLiteral("CanPause"), CanPlay()},
        {QStringLiteral("CanSeek"), CanSeek()},
    };
    QVariantMap changed;
    for (auto value = now.cbegin(); value != now.cend(); ++value) {
        if (FAnnounced.value(value.key()) != value.value()) {
            changed.insert(value.key(), value.value());
        }
    }
    const bool first = FAnnounced.isEmpty();
    FAnnounced = now;
    if (changed.isEmpty() || first) {
        return;
    }
    QDBusMessage signal =
        QDBusMessage::createSignal(ObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << PlayerInterface << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

QString TMprisService::PlaybackStatus() const {
    switch (FEngine.PlayState()) {
    case IPlayerEngine::psPlaying:
        return QStringLiteral("Playing");
    case IPlayerEngine::psPaused:
        return QStringLiteral("Paused");
    case IPlayerEngine::psTransitioning:
        // Between two tracks of a queue the player is still playing.
        if (FPlayback.Playing()) {
            return QStringLiteral("Playing");
        }
        break;
    default:
        break;
    }
    return QStringLiteral("Stopped");
}

QDBusObjectPath TMprisService::TrackId() const {
    const unsigned serial = FPlayback.Current().Serial;
    if (serial == 0) {
        return QDBusObjectPath(QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
    }
    return QDBusObjectPath(QStringLiteral("/org/orvanta/Orvanta/Track/%1").arg(serial));
}

qlonglong TMprisService::Length() const {
    const TNowPlaying& track = FPlayback.Current();
    if (track.Seconds > 0) {
        return qlonglong(track.Seconds) * 1000 * MicrosPerMilli;
    }
    return FEngine.Duration() * MicrosPerMilli;
}

QVariantMap TMprisService::Metadata() const {
    const TNowPlaying& track = FPlayback.Current();
    QVariantMap metadata{{QStringLiteral("mpris:trackid"), QVariant::fromValue(TrackId())}};
    if (track.Serial == 0) {
        return metadata;
    }
    metadata.insert(QStringLiteral("xesam:title"), track.Title);
    if (!track.Artist.isEmpty()) {
        metadata.insert(QStringLiteral("xesam:artist"), QStringList{track.Artist});
    }
    if (!track.Album.isEmpty()) {
        metadata.insert(QStringLiteral("xesam:album"), track.Album);
    }
    if (!track.AlbumArtists.isEmpty()) {
        metadata.insert(QStringLiteral("xesam:albumArtist"), track.AlbumArtists);
    }
    if (track.Track > 0) {
        metadata.insert(QStringLiteral("xesam:trackNumber"), track.Track);
    }
    if (track.Disc > 0) {
        metadata.insert(QStringLiteral("xesam:discNumber"), track.Disc);
    }
    // Built from the path's bytes, so a name that is not UTF-8 still names its file.
    const QByteArray bytes = QByteArray::fromStdString(PathFromQString(track.Path));
    metadata.insert(QStringLiteral("xesam:url"),
                    QString::fromLatin1("file://" + bytes.toPercentEncoding("/")));
    const qlonglong length = Length();
    if (length > 0) {
        metadata.insert(QStringLiteral("mpris:length"), length);
    }
    if (!FArtUrl.isEmpty()) {
        metadata.insert(QStringLiteral("mpris:artUrl"), FArtUrl);
    }
    return metadata;
}

double TMprisService::Volume() const {
    return FHooks.Volume ? FHooks.Volume() / 100.0 : FEngine.Volume() / 100.0;
}

void TMprisService::SetVolume(double Volume) {
    if (std::isnan(Volume) || !FHooks.SetVolume) {
        return;
    }
    FHooks.SetVolume(static_cast<int>(std::lround(std::clamp(Volume, 0.0, 1.0) * 100)));
}

qlonglong TMprisService::Position() const {
    return FEngine.Position() * MicrosPerMilli;
}

QString TMprisService::LoopStatus() const {
    return FPlayback.PlayMode() == pmLoop ? QStringLiteral("Playlist") : QStringLiteral("None");
}

void TMprisService::SetLoopStatus(const QString& Status) {
    if (Status == QStringLiteral("Playlist") || Status == QStringLiteral("Track")) {
        FPlayback.SetPlayMode(pmLoop);
    } else if (Status == QStringLiteral("None") && FPlayback.PlayMode() == pmLoop) {
        // Random stays Random: it is Shuffle's to end.
        FPlayback.SetPlayMode(pmNormal);
    }
    // An answer that differs from what was asked ("Track") is announced.
    FAnnounced.remove(QStringLiteral("LoopStatus"));
    PropertiesMayHaveChanged();
}

bool TMprisService::Shuffle() const {
    return FPlayback.PlayMode() == pmRandom;
}

void TMprisService::SetShuffle(bool On) {
    if (On) {
        FPlayback.SetPlayMode(pmRandom);
    } else if (FPlayback.PlayMode() == pmRandom) {
        FPlayback.SetPlayMode(pmNormal);
    }
    PropertiesMayHaveChanged();
}

bool TMprisService::CanGoNext() const {
    return FPlayback.CanGoNext();
}

bool TMprisService::CanGoPrevious() const {
    return FPlayback.CanGoPrevious();
}

bool TMprisService::CanPlay() const {
    return !FEngine.URL().isEmpty();
}

bool TMprisService::CanSeek() const {
    const int state = FEngine.PlayState();
    return (state == IPlayerEngine::psPlaying || state == IPlayerEngine::psPaused) && Length() > 0;
}

void TMprisService::Raise() {
    if (FHooks.Raise) {
        FHooks.Raise();
    }
}

void TMprisService::Quit() {
    if (FHooks.Quit) {
        // After the reply: the call must not be answered by a closed window.
        QTimer::singleShot(0, this, [this] { FHooks.Quit(); });
    }
}

void TMprisService::Next() {
    FPlayback.Next();
}

void TMprisService::Previous() {
    FPlayback.Previous();
}

void TMprisService::Play() {
    FEngine.Play();
}

void TMprisService::Pause() {
    FEngine.Pause();
}

void TMprisService::PlayPause() {
    if (FEngine.PlayState() == IPlayerEngine::psPlaying) {
        FEngine.Pause();
    } else {
        FEngine.Play();
    }
}

void TMprisService::Stop() {
    FPlayback.StopPlaying();
}

void TMprisService::Seek(qlonglong Offset) {
    if (!CanSeek()) {
        return;
    }
    // A far jump saturates instead of wrapping round 64 bits.
    qlonglong target = 0;
    if (__builtin_add_overflow(Position(), Offset, &target)) {
        target = Offset > 0 ? std::numeric_limits<qlonglong>::max() : 0;
    }
    target = std::max<qlonglong>(0, target);
    if (target > Length()) {
        Next();
        return;
    }
    FEngine.Seek(target / MicrosPerMilli);
    AnnounceSeek(target / MicrosPerMilli);
}

void TMprisService::SetPosition(const QDBusObjectPath& Track, qlonglong Position) {
    // A position meant for another track, or outside this one, is ignored.
    if (!CanSeek() || Track != TrackId() || Position < 0 || Position > Length()) {
        return;
    }
    FEngine.Seek(Position / MicrosPerMilli);
    AnnounceSeek(Position / MicrosPerMilli);
}

void TMprisService::OpenUri(const QString& Uri) {
    // Decoded to bytes by hand: QUrl would turn stray bytes into U+FFFD and stop at a NUL.
    const std::string path = TFileUtils::LocalPathOfFileUri(Uri.toStdString());
    if (path.empty()) {
        Refuse(QStringLiteral("Not an absolute local file URI: ") + Uri);
        return;
    }
    if (!TFileUtils::IsRegularFile(path)) {
        Refuse(QString::fromStdString(TFileUtils::NotRegularFileMessage(DisplayPath(path))));
        return;
    }
    if (FHooks.OpenFile) {
        FHooks.OpenFile(PathToQString(path));
    }
}

void TMprisService::Refuse(const QString& Message) {
    if (calledFromDBus()) {
        sendErrorReply(QDBusError::InvalidArgs, Message);
    }
}

TMprisRootAdaptor::TMprisRootAdaptor(TMprisService* Service)
    : QDBusAbstractAdaptor(Service), FService(Service) {}

TMprisPlayerAdaptor::TMprisPlayerAdaptor(TMprisService* Service)
    : QDBusAbstractAdaptor(Service), FService(Service) {
    // Property changes are sent by the service itself, in one signal per change.
    setAutoRelaySignals(false);
}

} // namespace orvanta
