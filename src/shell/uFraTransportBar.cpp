#include "shell/uFraTransportBar.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QToolButton>

#include "shell/uPlayerEngine.h"

#include <algorithm>
#include <climits>

namespace orvanta {

namespace {

constexpr int PositionInterval = 200;

QToolButton* MakeButton(QWidget* Parent, const QString& Name) {
    auto* button = new QToolButton(Parent);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setAutoRaise(true);
    button->setIconSize(QSize(20, 20));
    button->setToolTip(Name);
    button->setAccessibleName(Name);
    return button;
}

} // namespace

QString FormatPlayTime(std::int64_t Milliseconds) {
    const std::int64_t total = std::max<std::int64_t>(0, Milliseconds) / 1000;
    const std::int64_t hours = total / 3600;
    const std::int64_t minutes = total / 60 % 60;
    const std::int64_t seconds = total % 60;
    const QLatin1Char zero('0');
    if (hours > 0) {
        return QStringLiteral("%1:%2:%3")
            .arg(hours)
            .arg(minutes, 2, 10, zero)
            .arg(seconds, 2, 10, zero);
    }
    return QStringLiteral("%1:%2").arg(minutes).arg(seconds, 2, 10, zero);
}

TfraTransportBar::TfraTransportBar(IPlayerEngine& Engine, QWidget* Parent)
    : QWidget(Parent), FEngine(Engine) {
    setObjectName(QStringLiteral("fraTransportBar"));

    cmdPlayPause = MakeButton(this, QStringLiteral("Play"));
    cmdPlayPause->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    cmdStop = MakeButton(this, QStringLiteral("Stop"));
    cmdStop->setIcon(style()->standardIcon(QStyle::SP_MediaStop));

    lblElapsed = new QLabel(FormatPlayTime(0), this);
    lblTotal = new QLabel(FormatPlayTime(0), this);
    for (QLabel* label : {lblElapsed, lblTotal}) {
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00")));
    }

    trkSeek = new QSlider(Qt::Horizontal, this);
    trkSeek->setFocusPolicy(Qt::StrongFocus);
    trkSeek->setRange(0, 0);
    trkSeek->setSingleStep(5000);
    trkSeek->setPageStep(30000);
    trkSeek->setToolTip(QStringLiteral("Seek"));
    trkSeek->setAccessibleName(QStringLiteral("Seek"));

    lblStatus = new QLabel(this);
    lblStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    lblStatus->setTextFormat(Qt::PlainText);
    lblStatus->setAccessibleName(QStringLiteral("Player message"));
    lblStatus->hide();

    cmdMute = new QToolButton(this);
    cmdMute->setCheckable(true);
    cmdMute->setAutoRaise(true);
    cmdMute->setIcon(style()->standardIcon(QStyle::SP_MediaVolume));
    cmdMute->setToolTip(QStringLiteral("Mute"));
    cmdMute->setAccessibleName(QStringLiteral("Mute"));
    trkVolume = new QSlider(Qt::Horizontal, this);
    trkVolume->setFocusPolicy(Qt::StrongFocus);
    trkVolume->setRange(0, 100);
    trkVolume->setSingleStep(5);
    trkVolume->setPageStep(10);
    trkVolume->setValue(FEngine.Volume());
    trkVolume->setFixedWidth(90);
    trkVolume->setToolTip(QStringLiteral("Volume"));
    trkVolume->setAccessibleName(QStringLiteral("Volume"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(cmdPlayPause);
    layout->addWidget(cmdStop);
    layout->addWidget(lblElapsed);
    layout->addWidget(trkSeek, 3);
    layout->addWidget(lblTotal);
    layout->addWidget(lblStatus, 3);
    layout->addSpacing(6);
    layout->addWidget(cmdMute);
    layout->addWidget(trkVolume);
    setFocusProxy(cmdPlayPause);
    setTabOrder(cmdPlayPause, cmdStop);
    setTabOrder(cmdStop, trkSeek);
    setTabOrder(trkSeek, cmdMute);
    setTabOrder(cmdMute, trkVolume);

    tmrPosition = new QTimer(this);
    tmrPosition->setInterval(PositionInterval);

    connect(cmdPlayPause, &QToolButton::clicked, this, &TfraTransportBar::cmdPlayPauseClick);
    connect(cmdStop, &QToolButton::clicked, this, [this] { FEngine.Stop(); });
    connect(trkSeek, &QSlider::valueChanged, this, &TfraTransportBar::trkSeekChange);
    connect(trkSeek, &QSlider::sliderReleased, this,
            [this] { FEngine.Seek(trkSeek->sliderPosition()); });
    connect(trkSeek, &QSlider::sliderMoved, this,
            [this](int Value) { lblElapsed->setText(FormatPlayTime(Value)); });
    connect(trkVolume, &QSlider::valueChanged, this, [this](int Value) {
        // Moving the volume while muted unmutes, as desktop sound controls do.
        if (cmdMute->isChecked())
            cmdMute->setChecked(false);
        else
            FEngine.SetVolume(Value);
    });
    connect(cmdMute, &QToolButton::toggled, this, [this](bool Muted) {
        cmdMute->setIcon(
            style()->standardIcon(Muted ? QStyle::SP_MediaVolumeMuted : QStyle::SP_MediaVolume));
        FEngine.SetVolume(Muted ? 0 : trkVolume->value());
    });
    connect(tmrPosition, &QTimer::timeout, this, &TfraTransportBar::tmrPositionTimer);
    connect(&FEngine, &IPlayerEngine::PlayStateChange, this, &TfraTransportBar::EngineStateChange);
    connect(&FEngine, &IPlayerEngine::MediaError, this, &TfraTransportBar::EngineMediaError);
}

QString TfraTransportBar::StatusText() const {
    return lblStatus->text();
}

QString TfraTransportBar::ElapsedText() const {
    return lblElapsed->text();
}

QString TfraTransportBar::TotalText() const {
    return lblTotal->text();
}

void TfraTransportBar::cmdPlayPauseClick() {
    if (FEngine.PlayState() == IPlayerEngine::psPlaying) {
        FEngine.Pause();
    } else {
        FEngine.Play();
    }
}

void TfraTransportBar::EngineStateChange(int NewState) {
    const bool playing = NewState == IPlayerEngine::psPlaying;
    cmdPlayPause->setIcon(
        style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    const QString name = playing ? QStringLiteral("Pause") : QStringLiteral("Play");
    cmdPlayPause->setToolTip(name);
    cmdPlayPause->setAccessibleName(name);
    // A new file or a new start ends the message about the last one.
    if (NewState == IPlayerEngine::psTransitioning || playing) {
        ShowStatus(QString());
    }
    if (playing || NewState == IPlayerEngine::psPaused) {
        tmrPosition->start();
    } else {
        tmrPosition->stop();
    }
    tmrPositionTimer();
}

void TfraTransportBar::EngineMediaError(const QString& Message, const QString& Path) {
    ShowStatus(QStringLiteral("Cannot play \"%1\": %2").arg(QFileInfo(Path).fileName(), Message));
}

void TfraTransportBar::ShowStatus(const QString& Text) {
    lblStatus->setText(Text);
    lblStatus->setToolTip(Text);
    lblStatus->setVisible(!Text.isEmpty());
    // Nothing plays while the message stands, so it takes the room of the time and seek.
    for (QWidget* control : {static_cast<QWidget*>(lblElapsed), static_cast<QWidget*>(trkSeek),
                             static_cast<QWidget*>(lblTotal)}) {
        control->setVisible(Text.isEmpty());
    }
}

void TfraTransportBar::trkSeekChange(int Value) {
    // Dragging seeks on release; keys and page clicks seek at once.
    if (FUpdating || trkSeek->isSliderDown()) {
        return;
    }
    FEngine.Seek(Value);
    lblElapsed->setText(FormatPlayTime(Value));
}

void TfraTransportBar::tmrPositionTimer() {
    const std::int64_t duration = FEngine.Duration();
    const std::int64_t position = FEngine.Position();
    lblTotal->setText(FormatPlayTime(duration));
    if (trkSeek->isSliderDown()) {
        return;
    }
    FUpdating = true;
    trkSeek->setRange(0, static_cast<int>(std::min<std::int64_t>(duration, INT_MAX)));
    trkSeek->setValue(static_cast<int>(std::min<std::int64_t>(position, INT_MAX)));
    FUpdating = false;
    lblElapsed->setText(FormatPlayTime(position));
}

} // namespace orvanta
