#include "ui/playback/uFraTransportBar.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QProxyStyle>
#include <QSlider>
#include <QStringList>
#include <QStyle>
#include <QTimer>
#include <QToolButton>

#include "ui/common/uQuietSlider.h"
#include "ui/playback/uPlayerEngine.h"

#include <algorithm>
#include <climits>

namespace orvanta {

namespace {

constexpr int PositionInterval = 200;
constexpr int CoverSize = 40;
constexpr int InfoWidth = 170;

// A click on the seek bar goes to the point clicked, not a page towards it.
class TJumpToClickStyle : public QProxyStyle {
public:
    int styleHint(StyleHint Hint, const QStyleOption* Option, const QWidget* Widget,
                  QStyleHintReturn* Return) const override {
        if (Hint == QStyle::SH_Slider_AbsoluteSetButtons) {
            return Qt::LeftButton | Qt::MiddleButton;
        }
        return QProxyStyle::styleHint(Hint, Option, Widget, Return);
    }
};

QString Elided(const QLabel* Label, const QString& Text) {
    return Label->fontMetrics().elidedText(Text, Qt::ElideRight, InfoWidth);
}

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
    // Taken once: each icon the style hands out is new, and every new icon puts its own pixmaps
    // into the pixmap cache when painted, at every change of the playing state.
    FPlayIcon = style()->standardIcon(QStyle::SP_MediaPlay);
    FPauseIcon = style()->standardIcon(QStyle::SP_MediaPause);
    FVolumeIcon = style()->standardIcon(QStyle::SP_MediaVolume);
    FMutedIcon = style()->standardIcon(QStyle::SP_MediaVolumeMuted);

    imgCover = new QLabel(this);
    imgCover->setFixedSize(CoverSize, CoverSize);
    imgCover->setAlignment(Qt::AlignCenter);
    imgCover->setAccessibleName(QStringLiteral("Cover"));
    imgCover->hide();
    cmdPrevious = MakeButton(this, QStringLiteral("Previous (Alt+Left)"));
    cmdPrevious->setIcon(style()->standardIcon(QStyle::SP_MediaSkipBackward));
    cmdPlayPause = MakeButton(this, QStringLiteral("Play"));
    cmdPlayPause->setIcon(FPlayIcon);
    cmdNext = MakeButton(this, QStringLiteral("Next (Alt+Right)"));
    cmdNext->setIcon(style()->standardIcon(QStyle::SP_MediaSkipForward));
    cmdStop = MakeButton(this, QStringLiteral("Stop"));
    cmdStop->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    SetNavigation(false, false);

    lblTitle = new QLabel(this);
    lblArtist = new QLabel(this);
    QFont bold = lblTitle->font();
    bold.setBold(true);
    lblTitle->setFont(bold);
    for (QLabel* label : {lblTitle, lblArtist}) {
        label->setTextFormat(Qt::PlainText);
        label->setFixedWidth(InfoWidth);
        label->hide();
    }

    lblElapsed = new QLabel(FormatPlayTime(0), this);
    lblTotal = new QLabel(FormatPlayTime(0), this);
    for (QLabel* label : {lblElapsed, lblTotal}) {
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00")));
    }

    trkSeek = new TQuietSlider(Qt::Horizontal, this);
    auto* jumpStyle = new TJumpToClickStyle;
    jumpStyle->setParent(trkSeek);
    trkSeek->setStyle(jumpStyle);
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

    cmdMute = MakeButton(this, QStringLiteral("Mute"));
    cmdMute->setCheckable(true);
    cmdMute->setIcon(FVolumeIcon);
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
    layout->addWidget(imgCover);
    layout->addWidget(cmdPrevious);
    layout->addWidget(cmdPlayPause);
    layout->addWidget(cmdNext);
    layout->addWidget(cmdStop);
    auto* info = new QVBoxLayout;
    info->setSpacing(0);
    info->addStretch();
    info->addWidget(lblTitle);
    info->addWidget(lblArtist);
    info->addStretch();
    layout->addLayout(info);
    layout->addWidget(lblElapsed);
    layout->addWidget(trkSeek, 3);
    layout->addWidget(lblTotal);
    layout->addWidget(lblStatus, 3);
    layout->addSpacing(6);
    layout->addWidget(cmdMute);
    layout->addWidget(trkVolume);
    setFocusProxy(cmdPlayPause);
    setTabOrder(cmdPrevious, cmdPlayPause);
    setTabOrder(cmdPlayPause, cmdNext);
    setTabOrder(cmdNext, cmdStop);
    setTabOrder(cmdStop, trkSeek);
    setTabOrder(trkSeek, cmdMute);
    setTabOrder(cmdMute, trkVolume);

    tmrPosition = new QTimer(this);
    tmrPosition->setInterval(PositionInterval);

    connect(cmdPlayPause, &QToolButton::clicked, this, &TfraTransportBar::cmdPlayPauseClick);
    connect(cmdPrevious, &QToolButton::clicked, this, &TfraTransportBar::PreviousClicked);
    connect(cmdNext, &QToolButton::clicked, this, &TfraTransportBar::NextClicked);
    connect(cmdStop, &QToolButton::clicked, this, [this] {
        FEngine.Stop();
        emit StopClicked();
    });
    connect(trkSeek, &QSlider::valueChanged, this, &TfraTransportBar::trkSeekChange);
    // A click has sought already when the press set the value; only a drag seeks on release.
    connect(trkSeek, &QSlider::sliderReleased, this, [this] {
        if (FDragged) {
            FDragged = false;
            SeekTo(trkSeek->sliderPosition());
        }
    });
    connect(trkSeek, &QSlider::sliderMoved, this, [this](int Value) {
        FDragged = true;
        lblElapsed->setText(FormatPlayTime(Value));
    });
    connect(trkVolume, &QSlider::valueChanged, this, [this] {
        // Setting a volume ends a mute.
        if (cmdMute->isChecked()) {
            cmdMute->setChecked(false);
        } else {
            ApplyVolume();
        }
    });
    connect(cmdMute, &QToolButton::toggled, this, &TfraTransportBar::ApplyVolume);
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

void TfraTransportBar::SetNavigation(bool CanGoPrevious, bool CanGoNext) {
    cmdPrevious->setEnabled(CanGoPrevious);
    cmdNext->setEnabled(CanGoNext);
}

void TfraTransportBar::SetNowPlaying(const QString& Title, const QString& Artist,
                                     const QString& Album) {
    QStringList from;
    for (const QString& part : {Artist, Album}) {
        if (!part.isEmpty()) {
            from << part;
        }
    }
    const QString second = from.join(QStringLiteral(" \u2013 "));
    lblTitle->setText(Elided(lblTitle, Title));
    lblArtist->setText(Elided(lblArtist, second));
    const QString whole = second.isEmpty() ? Title : Title + QLatin1Char('\n') + second;
    lblTitle->setToolTip(whole);
    lblArtist->setToolTip(whole);
    lblTitle->setVisible(!Title.isEmpty());
    lblArtist->setVisible(!Title.isEmpty() && !second.isEmpty());
}

void TfraTransportBar::SetCoverArt(const QImage& Cover) {
    if (Cover.isNull()) {
        imgCover->clear();
        imgCover->hide();
        return;
    }
    const qreal ratio = devicePixelRatioF();
    QPixmap picture = QPixmap::fromImage(Cover.scaled(
        QSize(CoverSize, CoverSize) * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    picture.setDevicePixelRatio(ratio);
    imgCover->setPixmap(picture);
    imgCover->show();
}

int TfraTransportBar::Volume() const {
    return trkVolume->value();
}

void TfraTransportBar::SetVolume(int Volume) {
    trkVolume->setValue(Volume);
}

bool TfraTransportBar::Muted() const {
    return cmdMute->isChecked();
}

void TfraTransportBar::ApplyVolume() {
    const bool muted = cmdMute->isChecked();
    FEngine.SetVolume(muted ? 0 : trkVolume->value());
    cmdMute->setIcon(muted ? FMutedIcon : FVolumeIcon);
    const QString name = muted ? QStringLiteral("Unmute") : QStringLiteral("Mute");
    cmdMute->setToolTip(name);
    cmdMute->setAccessibleName(name);
    emit VolumeChanged();
}

void TfraTransportBar::SeekTo(int Milliseconds) {
    FEngine.Seek(Milliseconds);
    lblElapsed->setText(FormatPlayTime(Milliseconds));
    emit Jumped(Milliseconds);
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
    cmdPlayPause->setIcon(playing ? FPauseIcon : FPlayIcon);
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
    SeekTo(Value);
}

void TfraTransportBar::tmrPositionTimer() {
    const std::int64_t duration = FEngine.Duration();
    const std::int64_t position = FEngine.Position();
    lblTotal->setText(FormatPlayTime(duration));
    if (trkSeek->isSliderDown()) {
        return;
    }
    FUpdating = true;
    trkSeek->SetQuietly(0, static_cast<int>(std::min<std::int64_t>(duration, INT_MAX)),
                        static_cast<int>(std::min<std::int64_t>(position, INT_MAX)));
    FUpdating = false;
    lblElapsed->setText(FormatPlayTime(position));
}

} // namespace orvanta
