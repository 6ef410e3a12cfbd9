#include "ui/shell/uWindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace orvanta {

QRect FitInside(const QRect& Geometry, const QRect& Available) {
    const QSize size = Geometry.size().boundedTo(Available.size());
    const int x = std::clamp(Geometry.x(), Available.left(), Available.right() + 1 - size.width());
    const int y = std::clamp(Geometry.y(), Available.top(), Available.bottom() + 1 - size.height());
    return {QPoint(x, y), size};
}

void FitToScreen(QWidget& Window, bool Placed) {
    QScreen* screen = Placed ? QGuiApplication::screenAt(Window.geometry().center()) : nullptr;
    // A remembered screen that is gone: the window comes to the primary one.
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
        Placed = false;
    }
    if (!screen)
        return;
    // The frame the window manager adds is known once the window is shown; before, a window
    // that must shrink keeps room for a title bar.
    constexpr int TitleRoom = 32;
    const QRect frame = Window.frameGeometry();
    QMargins margins(Window.geometry().left() - frame.left(), Window.geometry().top() - frame.top(),
                     frame.right() - Window.geometry().right(),
                     frame.bottom() - Window.geometry().bottom());
    const QRect available = screen->availableGeometry();
    if (margins.isNull() && Window.height() > available.height())
        margins.setTop(TitleRoom);
    const QRect room = available - margins;
    Window.setMinimumSize(Window.minimumSize().boundedTo(room.size()));
    QRect fitted = FitInside(Window.geometry(), room);
    if (!Placed)
        fitted.moveCenter(room.center());
    if (fitted != Window.geometry())
        Window.setGeometry(fitted);
}

} // namespace orvanta
