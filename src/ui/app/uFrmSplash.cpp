#include "ui/app/uFrmSplash.h"

#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QScreen>

#include "core/common/uJpegImage.h"
#include "ui/common/uResources.h"

namespace orvanta {

QImage SplashPicture() {
    QFile file(QStringLiteral(":/splash.jpg"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    const TRgbImage rgb = DecodeJpeg(std::string_view(bytes.constData(), bytes.size()));
    if (rgb.IsEmpty())
        return {};
    return QImage(rgb.Rgb.data(), rgb.Width, rgb.Height, rgb.Width * 3, QImage::Format_RGB888)
        .copy();
}

TfrmSplash::TfrmSplash(QWidget* Parent)
    : QWidget(Parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    EnsureResources();
    setObjectName(QStringLiteral("frmSplash"));
    setFixedSize(442, 197);

    pnlContainer = new QFrame(this);
    pnlContainer->setObjectName(QStringLiteral("pnlContainer"));
    pnlContainer->setGeometry(0, 0, 442, 197);
    pnlContainer->setFrameShape(QFrame::Box);
    pnlContainer->setLineWidth(1);
    pnlContainer->setStyleSheet(
        QStringLiteral("#pnlContainer { background: white; border: 1px solid #808080; }"));

    imgLogo = new QLabel(pnlContainer);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    const QImage picture = SplashPicture();
    imgLogo->setPixmap(QPixmap::fromImage(picture));
    imgLogo->setGeometry(1, 1, picture.width(), picture.height());
    // Clicks on the picture reach the window's handler.
    imgLogo->setAttribute(Qt::WA_TransparentForMouseEvents);

    lblStatus = new QLabel(pnlContainer);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setTextFormat(Qt::PlainText);
    lblStatus->setAlignment(Qt::AlignCenter);
    lblStatus->setStyleSheet(QStringLiteral("background: white; color: black;"));
    lblStatus->setGeometry(1, 197 - 24, 440, 22);
    lblStatus->hide();

    tmrClose.setInterval(3000);
    tmrClose.setSingleShot(true);
    connect(&tmrClose, &QTimer::timeout, this, &TfrmSplash::tmrCloseTimer);
}

void TfrmSplash::ShowSplash() {
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    tmrClose.start();
    show();
    repaint();
}

void TfrmSplash::ShowStatus(const QString& Text) {
    lblStatus->setText(Text);
    lblStatus->setVisible(!Text.isEmpty());
    // Shown at once, but its timer waits for ShowSplash: the main window comes after the wait.
    if (!isVisible()) {
        if (QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
        show();
    }
    repaint();
}

QString TfrmSplash::StatusText() const {
    return lblStatus->text();
}

void TfrmSplash::tmrCloseTimer() {
    tmrClose.stop();
    FMainWindowDue = true;
    if (OnShowMainWindow)
        OnShowMainWindow();
    close();
}

void TfrmSplash::ExitClick() {
    close();
}

void TfrmSplash::mousePressEvent(QMouseEvent* Event) {
    QWidget::mousePressEvent(Event);
    ExitClick();
}

} // namespace orvanta
