#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <functional>

class QTimer;

namespace orvanta {

class IPlayerEngine;
class TPlaybackControl;

// The player as the desktop sees it: MPRIS 2 on the session bus, so media keys, the sound menu
// and playerctl reach it. Without a session bus it stays silent and the program runs as before.
class TMprisService : public QObject, protected QDBusContext {
    Q_OBJECT

public:
    // What the service asks of the main window.
    struct THooks {
        std::function<void()> Raise;
        std::function<void()> Quit;
        std::function<void(const QString& Path)> OpenFile;
        // 0 to 100, as heard (0 while muted).
        std::function<int()> Volume;
        std::function<void(int Volume)> SetVolume;
    };

    TMprisService(TPlaybackControl& Playback, IPlayerEngine& Engine, THooks Hooks,
                  QObject* Parent = nullptr);
    ~TMprisService() override;

    // Takes the bus name and the object; false when there is no session bus or both are taken.
    bool Register();
    bool Registered() const { return FRegistered; }
    // A file URL of the playing track's cover, or empty.
    void SetArtUrl(const QString& Url);
    // Playback jumped to this point of the track.
    void AnnounceSeek(qint64 Milliseconds);
    // Something the properties show may have changed; announced from the event loop.
    void PropertiesMayHaveChanged();

    // What the adaptors show and do.
    QString PlaybackStatus() const;
    QVariantMap Metadata() const;
    double Volume() const;
    void SetVolume(double Volume);
    qlonglong Position() const;
    // The queue's mode: Loop is "Playlist", Random is Shuffle; "Track" sets Loop too, as
    // there is no mode that repeats one track.
    QString LoopStatus() const;
    void SetLoopStatus(const QString& Status);
    bool Shuffle() const;
    void SetShuffle(bool On);
    bool CanGoNext() const;
    bool CanGoPrevious() const;
    bool CanPlay() const;
    bool CanSeek() const;
    void Raise();
    void Quit();
    void Next();
    void Previous();
    void Play();
    void Pause();
    void PlayPause();
    void Stop();
    void Seek(qlonglong Offset);
    void SetPosition(const QDBusObjectPath& TrackId, qlonglong Position);
    // Plays the regular file an absolute "file:" URI names; anything else is refused with an
    // error reply and changes nothing. Never opens the file here.
    void OpenUri(const QString& Uri);

signals:
    void Seeked(qlonglong Position);

private:
    QDBusObjectPath TrackId() const;
    qlonglong Length() const;
    void SendChanges();
    void Refuse(const QString& Message);

    TPlaybackControl& FPlayback;
    IPlayerEngine& FEngine;
    THooks FHooks;
    QString FArtUrl;
    QString FServiceName;
    bool FRegistered = false;
    QTimer* tmrChanges = nullptr;
    // The values last announced, by property name.
    QVariantMap FAnnounced;
};

// org.mpris.MediaPlayer2: the application.
class TMprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)

public:
    explicit TMprisRootAdaptor(TMprisService* Service);
    bool CanQuit() const { return true; }
    bool CanRaise() const { return true; }
    bool HasTrackList() const { return false; }
    QString Identity() const { return QStringLiteral("Orvanta"); }
    QString DesktopEntry() const { return QStringLiteral("org.orvanta.Orvanta"); }
    QStringList SupportedUriSchemes() const { return {QStringLiteral("file")}; }
    QStringList SupportedMimeTypes() const {
        return {QStringLiteral("audio/mpeg"),  QStringLiteral("audio/flac"),
                QStringLiteral("audio/ogg"),   QStringLiteral("audio/x-opus+ogg"),
                QStringLiteral("audio/mp4"),   QStringLiteral("audio/x-wavpack"),
                QStringLiteral("audio/x-wav"), QStringLiteral("audio/x-aiff")};
    }

public slots:
    void Raise() { FService->Raise(); }
    void Quit() { FService->Quit(); }

private:
    TMprisService* FService;
};

// org.mpris.MediaPlayer2.Player: the transport, what plays and where.
class TMprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(double Rate READ Rate WRITE SetRate)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(QString LoopStatus READ LoopStatus WRITE SetLoopStatus)
    Q_PROPERTY(bool Shuffle READ Shuffle WRITE SetShuffle)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanPlay)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)

public:
    explicit TMprisPlayerAdaptor(TMprisService* Service);
    QString PlaybackStatus() const { return FService->PlaybackStatus(); }
    double Rate() const { return 1.0; }
    // Only normal speed is offered.
    void SetRate(double) {}
    QVariantMap Metadata() const { return FService->Metadata(); }
    double Volume() const { return FService->Volume(); }
    void SetVolume(double Volume) { FService->SetVolume(Volume); }
    qlonglong Position() const { return FService->Position(); }
    QString LoopStatus() const { return FService->LoopStatus(); }
    void SetLoopStatus(const QString& Status) { FService->SetLoopStatus(Status); }
    bool Shuffle() const { return FService->Shuffle(); }
    void SetShuffle(bool On) { FService->SetShuffle(On); }
    bool CanGoNext() const { return FService->CanGoNext(); }
    bool CanGoPrevious() const { return FService->CanGoPrevious(); }
    bool CanPlay() const { return FService->CanPlay(); }
    bool CanSeek() const { return FService->CanSeek(); }
    bool CanControl() const { return true; }

public slots:
    void Next() { FService->Next(); }
    void Previous() { FService->Previous(); }
    void Pause() { FService->Pause(); }
    void PlayPause() { FService->PlayPause(); }
    void Stop() { FService->Stop(); }
    void Play() { FService->Play(); }
    void Seek(qlonglong Offset) { FService->Seek(Offset); }
    void SetPosition(const QDBusObjectPath& TrackId, qlonglong Position) {
        FService->SetPosition(TrackId, Position);
    }
    void OpenUri(const QString& Uri) { FService->OpenUri(Uri); }

signals:
    void Seeked(qlonglong Position);

private:
    TMprisService* FService;
};

} // namespace orvanta
