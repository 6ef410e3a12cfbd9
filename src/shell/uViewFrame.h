#pragma once

#include <QFrame>

namespace orvanta {

// One of the two stacked views of the main window; commands arrive by number.
class TViewFrame : public QFrame {
    Q_OBJECT
public:
    using QFrame::QFrame;
    // Runs the numbered command; numbers the view does not know are ignored.
    virtual void DoCommand(int Number) = 0;
    // Releases what the view holds; must not touch the library or the playlist manager.
    virtual void Finalize() {}
};

} // namespace orvanta
