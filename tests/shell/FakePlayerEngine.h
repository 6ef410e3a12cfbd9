#pragma once

#include <QString>
#include <QStringList>

#include "ui/playback/uPlayerEngine.h"

namespace orvanta::test {

// Records what it is asked and reports the states a test tells it to.
class TFakePlayerEngine : public IPlayerEngine {
public:
    void SetURL(const QString& Path) override {
        FURL = Path;
        FFailed = false;
        Calls << QStringLiteral("URL ") + Path;
        Report(psTransitioning);
    }
    QString URL() const override { return FURL; }
    void Play() override { Calls << QStringLiteral("play"); }
    void Pause() override { Calls << QStringLiteral("pause"); }
    void Stop() override {
        Calls << QStringLiteral("stop");
        // Like the real engine, a stop is reported as it happens.
        if (StopReportsState && FState != psStopped) {
            FFailed = false;
            Report(psStopped);
        }
    }
    void Seek(std::int64_t Milliseconds) override {
        Calls << QStringLiteral("seek %1").arg(Milliseconds);
    }
    void SetNextURL(const QString& Path) override { Next = Path; }
    void SetVolume(int Volume) override { FVolume = Volume; }
    int Volume() const override { return FVolume; }
    std::int64_t Position() const override { return FakePosition; }
    std::int64_t Duration() const override { return FakeDuration; }
    int PlayState() const override { return FState; }
    bool LoadFailed() const override { return FFailed; }

    void Report(int State) {
        FState = State;
        emit PlayStateChange(State);
    }
    void Fail(const QString& Message) {
        FFailed = true;
        Report(psStopped);
        emit MediaError(Message, FURL);
    }
    // playbin's join: the file given as next sounds on where the current one ended.
    void StartNext() {
        if (Next.isEmpty()) {
            return;
        }
        const QString path = Next;
        emit NextTaken(path);
        Calls << QStringLiteral("join ") + path;
        FURL = path;
        emit NextStarted();
    }
    // The files handed over with URL, in order.
    QStringList URLs() const {
        QStringList urls;
        for (const QString& call : Calls) {
            if (call.startsWith(QStringLiteral("URL "))) {
                urls << call.mid(4);
            }
        }
        return urls;
    }

    QStringList Calls;
    // The file to join on; empty for none.
    QString Next;
    bool StopReportsState = true;
    std::int64_t FakePosition = 0;
    std::int64_t FakeDuration = 0;

private:
    QString FURL;
    int FState = psUndefined;
    bool FFailed = false;
    int FVolume = 50;
};

} // namespace orvanta::test
