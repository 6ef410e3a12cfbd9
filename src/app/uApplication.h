#pragma once

#include <QApplication>
#include <functional>
#include <memory>

namespace orvanta {

class IPrompts;
class TOptions;
class TfrmSplash;
class TMyMediaDB;
class TPlayListManager;

// Process-wide objects, created by InitApplication and freed by ReleaseGlobals in order.
extern std::unique_ptr<TOptions> Options;
extern std::unique_ptr<TfrmSplash> frmSplash;
extern std::unique_ptr<TMyMediaDB> MyMediaDB;
extern std::unique_ptr<TPlayListManager> PlayListManager;

inline const QString SettingsBaseKey = QStringLiteral("Software\\Orvanta");

// Builds the globals in their order; false when the program is to end at once (another
// instance runs). ExecutableDir is where the program lives (the default home).
bool InitApplication(IPrompts& Prompts, const QString& ExecutableDir);
void ReleaseGlobals();

// The application object: an exception that escapes an event handler reaches one handler
// instead of ending the program.
class TOrvantaApplication : public QApplication {
public:
    TOrvantaApplication(int& Argc, char** Argv);
    bool notify(QObject* Receiver, QEvent* Event) override;

    // Shows the message of an escaped exception; the program then carries on.
    std::function<void(const QString& Message)> OnException;
};

} // namespace orvanta
