#pragma once

#include <QApplication>
#include <chrono>
#include <exception>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

namespace orvanta {

class IPrompts;
class TOptions;
class TfrmSplash;
class TMyMediaDB;
class TPlayListManager;
class TInstanceServer;

// Process-wide objects, created by InitApplication and freed by ReleaseGlobals in order.
extern std::unique_ptr<TOptions> Options;
extern std::unique_ptr<TfrmSplash> frmSplash;
extern std::unique_ptr<TMyMediaDB> MyMediaDB;
extern std::unique_ptr<TPlayListManager> PlayListManager;

// What start-up needs beyond the home: the files of the command line (handed to the running
// program by a second start), the server that receives such hand-overs once this process
// holds the home, and how long to wait for a library another program is writing to.
struct TStartRequest {
    std::vector<std::string> Files;
    TInstanceServer* Server = nullptr;
    std::function<bool()> Stopping;
    std::chrono::milliseconds LibraryWait{30000};
};

// Builds the globals in their order; false when the program is to end at once (another
// instance runs, or it was asked to end while it waited for the library). ExecutableDir is
// where the program lives (the default home). The home's lock is taken before anything in
// the home is opened, so a second start reads and writes nothing there.
bool InitApplication(IPrompts& Prompts, const QString& ExecutableDir,
                     const TStartRequest& Request = {});
void ReleaseGlobals();

// The application object. There is no catch-all around the event loop: each command, timer and
// slot that can reach the library catches at its own boundary (ui/common/uGuard.h).
class TOrvantaApplication : public QApplication {
public:
    TOrvantaApplication(int& Argc, char** Argv);
    ~TOrvantaApplication() override;

    // Reads the system's font list on a thread of its own, while the library opens: the first
    // widget that measures text would otherwise read it on the window's thread, half of what
    // building the window costs.
    void StartLoadingFonts();

private:
    std::future<void> FFontsLoading;
};

} // namespace orvanta
