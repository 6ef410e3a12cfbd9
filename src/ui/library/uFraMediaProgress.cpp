#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>

#include "ui/common/uWorkerInbox.h"
#include "ui/library/uFraMedia.h"
#include "ui/library/uFraMediaShared.h"

namespace orvanta {

using namespace media_view;

namespace {
// How long a note stays in the strip.
constexpr int NoteMs = 5000;
} // namespace

void TfraMedia::BeginWork(TWork Work, const QString& Text, int Total) {
    AssertGuiThread();
    FController.Begin(Work);
    FStopWork = std::make_shared<std::atomic<bool>>(false);
    pnlFilter->setEnabled(false);
    prgProgress->setRange(0, std::max(Total, 1));
    prgProgress->setValue(0);
    prgProgress->show();
    cmdCancelWork->show();
    lblProgress->setText(Text);
    pnlProgress->show();
}

std::function<void(int Done, int Total)> TfraMedia::ProgressSender(TWork Work,
                                                                   const QString& Text) {
    auto last = std::make_shared<std::chrono::steady_clock::time_point>();
    return [this, Work, Text, last, send = FInbox->Sender()](int Done, int Total) {
        const auto now = std::chrono::steady_clock::now();
        if (now - *last < std::chrono::milliseconds(ResponsiveMs))
            return;
        *last = now;
        send([this, Work, Text, Done, Total] {
            if (FController.Work() != Work)
                return;
            prgProgress->setRange(0, std::max(Total, 1));
            prgProgress->setValue(Done);
            lblProgress->setText(Text.arg(Done).arg(Total));
        });
    };
}

void TfraMedia::EndWork() {
    pnlProgress->hide();
    pnlFilter->setEnabled(true);
    FController.End();
    emit WorkFinished();
}

void TfraMedia::ShowNote(const QString& Text) {
    if (Busy())
        return;
    lblProgress->setText(Text);
    prgProgress->hide();
    cmdCancelWork->hide();
    pnlProgress->show();
    QTimer::singleShot(NoteMs, this, [this] {
        if (!Busy())
            pnlProgress->hide();
    });
}

} // namespace orvanta
