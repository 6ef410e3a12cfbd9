#include "ui/playback/uTransportMenu.h"

#include <QAction>
#include <QMenu>
#include <QToolButton>

#include "ui/playback/uFraTransportBar.h"
#include "ui/playback/uPlayerEngine.h"

namespace orvanta {

TTransportMenu::TTransportMenu(TfraTransportBar& Bar, IPlayerEngine& Engine, TWindowParts Parts)
    : QObject(&Bar), FBar(Bar), FEngine(Engine), FParts(std::move(Parts)) {
    popTransport = new QMenu(&Bar);
    popTransport->setObjectName(QStringLiteral("popTransport"));
    mnuPlayPause = popTransport->addAction(QStringLiteral("Play"));
    mnuPlayPause->setObjectName(QStringLiteral("mnuTransportPlayPause"));
    connect(mnuPlayPause, &QAction::triggered, this, [this] {
        if (FParts.PlayPause)
            FParts.PlayPause();
    });
    mnuStop = popTransport->addAction(QStringLiteral("Stop"));
    mnuStop->setObjectName(QStringLiteral("mnuTransportStop"));
    connect(mnuStop, &QAction::triggered, FBar.cmdStop, &QToolButton::click);
    popTransport->addSeparator();
    if (FParts.Previous)
        popTransport->addAction(FParts.Previous);
    if (FParts.Next)
        popTransport->addAction(FParts.Next);
    popTransport->addSeparator();
    mnuMute = popTransport->addAction(QStringLiteral("Mute"));
    mnuMute->setObjectName(QStringLiteral("mnuTransportMute"));
    mnuMute->setCheckable(true);
    connect(mnuMute, &QAction::triggered, FBar.cmdMute, &QToolButton::setChecked);
    if (FParts.ContinueThroughList)
        popTransport->addAction(FParts.ContinueThroughList);
    popTransport->addSeparator();

    connect(popTransport, &QMenu::aboutToShow, this, &TTransportMenu::popTransportPopup);
    // The strip's controls pass a right-click on to the strip.
    FBar.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&FBar, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& At) { popTransport->popup(FBar.mapToGlobal(At)); });
}

void TTransportMenu::popTransportPopup() {
    const bool playing = FEngine.PlayState() == IPlayerEngine::psPlaying;
    mnuPlayPause->setText(playing ? QStringLiteral("Pause") : QStringLiteral("Play"));
    mnuStop->setEnabled(FParts.Playing && FParts.Playing());
    mnuMute->setChecked(FBar.Muted());
}

} // namespace orvanta
