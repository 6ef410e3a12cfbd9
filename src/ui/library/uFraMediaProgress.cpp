#include <QCoreApplication>
#include <QDateTime>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "ui/library/uFraMedia.h"
#include "ui/library/uFraMediaShared.h"

namespace orvanta {

using namespace media_view;

namespace {
// How long a note stays in the strip.
constexpr int NoteMs = 5000;
} // namespace

void TfraMedia::BeginWork(const QString& Text, int Total) {
    FBusy = true;
    FCancelled = false;
    pnlFilter->setEnabled(false);
    prgProgress->setRange(0, std::max(Total, 1));
    prgProgress->setValue(0);
    prgProgress->show();
    cmdCancelWork->show();
    lblProgress->setText(Text);
    pnlProgress->show();
    FLastEvents = 0;
}

void TfraMedia::ShowWork(const QString& Text, int Done) {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - FLastEvents < ResponsiveMs)
        return;
    lblProgress->setText(Text);
    prgProgress->setValue(Done);
    KeepResponsive();
}

void TfraMedia::KeepResponsive() {
    QCoreApplication::processEvents();
    FLastEvents = QDateTime::currentMSecsSinceEpoch();
}

void TfraMedia::EndWork() {
    pnlProgress->hide();
    pnlFilter->setEnabled(true);
    FBusy = false;
    emit WorkFinished();
}

void TfraMedia::ShowNote(const QString& Text) {
    if (FBusy)
        return;
    lblProgress->setText(Text);
    prgProgress->hide();
    cmdCancelWork->hide();
    pnlProgress->show();
    QTimer::singleShot(NoteMs, this, [this] {
        if (!FBusy)
            pnlProgress->hide();
    });
}

} // namespace orvanta
