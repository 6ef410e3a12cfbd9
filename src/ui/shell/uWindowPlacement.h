#pragma once

#include <QRect>

class QWidget;

namespace orvanta {

// Geometry no larger than Available and moved inside it.
QRect FitInside(const QRect& Geometry, const QRect& Available);

// Fits a top-level window to the screen it opens on, before it is first shown: a size and
// place remembered on a larger (or a scaled, or a since removed) screen would hide its lower
// part. Placed: the window's place was remembered, and it stays there when it fits; else it
// is centred on the primary screen. The least size gives way too.
void FitToScreen(QWidget& Window, bool Placed);

} // namespace orvanta
