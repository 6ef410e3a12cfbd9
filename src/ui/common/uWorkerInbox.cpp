#include "ui/common/uWorkerInbox.h"

namespace orvanta {

TWorkerInbox::TWorkerInbox(QObject* Parent) : QObject(Parent), FLink(std::make_shared<TLink>()) {
    FLink->Inbox = this;
}

TWorkerInbox::~TWorkerInbox() {
    // Under the lock, so no call is being queued to this object while it goes; calls queued
    // before go with it.
    const std::lock_guard<std::mutex> hold(FLink->Lock);
    FLink->Inbox = nullptr;
}

void TWorkerInbox::Deliver(const std::shared_ptr<TLink>& Link, std::function<void()> Call) {
    const std::lock_guard<std::mutex> hold(Link->Lock);
    if (Link->Inbox)
        QMetaObject::invokeMethod(Link->Inbox, std::move(Call), Qt::QueuedConnection);
}

std::function<void(std::function<void()> Call)> TWorkerInbox::Sender() const {
    return [link = FLink](std::function<void()> Call) { Deliver(link, std::move(Call)); };
}

} // namespace orvanta
