#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>

class QFrame;
class QLabel;

namespace orvanta {

// The borderless splash picture shown while the main window is built. Its timer shows the
// main window after 3000 ms; a click only takes the splash away early.
class TfrmSplash : public QWidget {
    Q_OBJECT
public:
    explicit TfrmSplash(QWidget* Parent = nullptr);

    // Called when the timer fires; shows the main window (or marks it due if not built yet).
    std::function<void()> OnShowMainWindow;

    void ShowSplash();
    bool MainWindowDue() const { return FMainWindowDue; }
    // A line at the foot of the picture, for what start-up is waiting for.
    void ShowStatus(const QString& Text);
    QString StatusText() const;

    QFrame* pnlContainer = nullptr;
    QLabel* imgLogo = nullptr;
    QLabel* lblStatus = nullptr;
    QTimer tmrClose;

protected:
    void mousePressEvent(QMouseEvent* Event) override;

private:
    void tmrCloseTimer();
    void ExitClick();
    bool FMainWindowDue = false;
};

// The splash picture, decoded from the program's resources with libjpeg.
QImage SplashPicture();

} // namespace orvanta
