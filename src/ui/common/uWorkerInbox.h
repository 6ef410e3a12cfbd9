#pragma once

#include <QObject>
#include <QString>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>

#include "core/library/uLibraryWorker.h"
#include "ui/common/uGuard.h"

namespace orvanta {

// The window's side of the library worker: a job's result comes back as a queued call on this
// object's thread, and is dropped when the job was cancelled or this object is gone by then.
class TWorkerInbox : public QObject {
    Q_OBJECT
public:
    explicit TWorkerInbox(QObject* Parent = nullptr);
    ~TWorkerInbox() override;

    // Runs Work on the worker; Done gets its result here. Failed gets the text of an
    // exception Work threw ("Application Exception" words).
    template <class TResult, class TWork, class TDone>
    TCancelToken Post(TLibraryWorker& Worker, int Lane, TWork Work, TDone Done,
                      std::function<void(const QString& Error)> Failed = {}) {
        return Worker.Post(
            [link = FLink, Work = std::move(Work), Done = std::move(Done),
             Failed = std::move(Failed)](TMyMediaDB& Library, const TCancelToken& Cancel) {
                std::shared_ptr<TResult> result;
                try {
                    result = std::make_shared<TResult>(Work(Library, Cancel));
                } catch (const std::exception& error) {
                    if (Failed && !Cancel.Cancelled())
                        Deliver(link, [Failed, text = ExceptionText(error)] { Failed(text); });
                    return;
                }
                if (!Cancel.Cancelled())
                    Deliver(link, [Done, result] { Done(std::move(*result)); });
            },
            Lane);
    }
    // From any thread: Call runs later on this object's thread, unless the object is gone.
    std::function<void(std::function<void()> Call)> Sender() const;

private:
    struct TLink {
        std::mutex Lock;
        TWorkerInbox* Inbox = nullptr;
    };
    static void Deliver(const std::shared_ptr<TLink>& Link, std::function<void()> Call);

    std::shared_ptr<TLink> FLink;
};

} // namespace orvanta
