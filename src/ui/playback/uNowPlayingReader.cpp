#include "ui/playback/uNowPlayingReader.h"

#include <QThread>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "core/metadata/uCoverArt.h"

namespace orvanta {

namespace {

struct TJob {
    unsigned Serial = 0;
    std::string Path;
    bool Tags = false;
};

} // namespace

struct TNowPlayingReader::TState {
    std::mutex Lock;
    std::condition_variable Wake;
    std::optional<TJob> Next;
    bool Started = false;
    // Set when the reader goes: the thread ends after the read in hand and answers no more.
    bool Closed = false;
    // Only touched on the receiver's thread; the worker copies it under Lock while open.
    QPointer<QObject> Receiver;
    TAnswer Answer;
};

TNowPlayingReader::TNowPlayingReader(QObject& Receiver, TAnswer Answer)
    : FState(std::make_shared<TState>()) {
    FState->Receiver = &Receiver;
    FState->Answer = std::move(Answer);
}

TNowPlayingReader::~TNowPlayingReader() {
    {
        const std::lock_guard<std::mutex> hold(FState->Lock);
        FState->Closed = true;
        FState->Next.reset();
    }
    FState->Wake.notify_all();
}

void TNowPlayingReader::Read(unsigned Serial, const std::string& Path, bool Tags) {
    Q_ASSERT(FState->Receiver && FState->Receiver->thread() == QThread::currentThread());
    bool start = false;
    {
        const std::lock_guard<std::mutex> hold(FState->Lock);
        FState->Next = TJob{Serial, Path, Tags};
        start = !FState->Started;
        FState->Started = true;
    }
    FState->Wake.notify_all();
    if (!start)
        return;
    // Detached: a read hanging on a dead share must not hold up the window's closing. The
    // thread owns the state with the reader, so it outlives either.
    std::thread([State = FState] {
        for (;;) {
            TJob job;
            {
                std::unique_lock<std::mutex> hold(State->Lock);
                State->Wake.wait(hold, [&] { return State->Closed || State->Next; });
                if (State->Closed)
                    return;
                job = std::move(*State->Next);
                State->Next.reset();
            }
            TNowPlayingFile file;
            file.Serial = job.Serial;
            file.HasTags = job.Tags;
            if (job.Tags)
                file.Tags = FileTrackInfo(job.Path);
            file.Cover = ReadCover(job.Path);
            const std::lock_guard<std::mutex> hold(State->Lock);
            // A newer track waits already: this answer would only be dropped.
            if (State->Closed || State->Next)
                continue;
            QPointer<QObject> receiver = State->Receiver;
            QMetaObject::invokeMethod(
                receiver.data(),
                [receiver, State, file = std::move(file)] {
                    if (receiver && !State->Closed)
                        State->Answer(file);
                },
                Qt::QueuedConnection);
        }
    }).detach();
}

QImage ReadCover(const std::string& Path) {
    const std::optional<TCoverArt> art = FindCoverArt(Path);
    QImage image;
    if (!art || !image.loadFromData(reinterpret_cast<const uchar*>(art->Bytes.data()),
                                    static_cast<int>(art->Bytes.size())))
        return {};
    constexpr int Largest = 256;
    if (image.width() > Largest || image.height() > Largest)
        image = image.scaled(Largest, Largest, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

} // namespace orvanta
