#pragma once

#include <QObject>

#include <functional>

class QAction;
class QMenu;

namespace orvanta {

class IPlayerEngine;
class TfraTransportBar;

// The player strip's right-click menu: Play or Pause, Stop, Previous, Next, Mute and the
// window's "Continue Through the List". Each item does what the strip's own control or the
// window's command does, so the two never disagree.
class TTransportMenu : public QObject {
    Q_OBJECT

public:
    // What the window lends the menu: its Previous, Next and Continue actions (shared, not
    // copied), its Play/Pause command and whether a queue is playing.
    struct TWindowParts {
        QAction* Previous = nullptr;
        QAction* Next = nullptr;
        QAction* ContinueThroughList = nullptr;
        std::function<void()> PlayPause;
        std::function<bool()> Playing;
    };

    TTransportMenu(TfraTransportBar& Bar, IPlayerEngine& Engine, TWindowParts Parts);

    // The place for further actions: add them (or a submenu) at the end of this menu; they
    // follow a separator after the strip's own items.
    QMenu* Menu() const { return popTransport; }

    QMenu* popTransport = nullptr;
    QAction* mnuPlayPause = nullptr;
    QAction* mnuStop = nullptr;
    QAction* mnuMute = nullptr;

private:
    // Texts, marks and enabling as things stand when the menu opens.
    void popTransportPopup();

    TfraTransportBar& FBar;
    IPlayerEngine& FEngine;
    TWindowParts FParts;
};

} // namespace orvanta
