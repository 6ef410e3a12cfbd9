#include <QIcon>
#include <QWidget>
#include <exception>
#include <unistd.h>

#include "core/common/uDisplayUtils.h"
#include "ui/app/uApplication.h"
#include "ui/app/uFrmSplash.h"
#include "ui/app/uQuitSignals.h"
#include "ui/app/uSingleInstance.h"
#include "ui/common/uGuard.h"
#include "ui/common/uPrompts.h"
#include "ui/common/uTOptions.h"
#include "ui/shell/uFrmMain.h"

using namespace orvanta;

namespace {
// The files named on the command line, absolute, as the bytes the shell gave us.
std::vector<std::string> CommandLineFiles(int Argc, char** Argv) {
    std::string cwd;
    if (char* here = ::getcwd(nullptr, 0)) {
        cwd = here;
        ::free(here);
    }
    std::vector<std::string> files;
    for (int i = 1; i < Argc; ++i) {
        std::string path = Argv[i];
        if (path.empty())
            continue;
        if (path.front() != '/')
            path = JoinPath(cwd, path);
        files.push_back(std::move(path));
    }
    return files;
}
} // namespace

int main(int argc, char** argv) {
    TOrvantaApplication app(argc, argv); // takes Qt's own options out of argv
    TOrvantaApplication::setApplicationName(QStringLiteral("Orvanta"));
    TOrvantaApplication::setOrganizationName(QStringLiteral("Orvanta"));
    // The splash closes before the main window shows; only the main window ends the run.
    TOrvantaApplication::setQuitOnLastWindowClosed(false);

    TQtPrompts prompts;

    int exitCode = 0;
    std::unique_ptr<TfrmMain> frmMain;
    // Logout, shutdown, Ctrl+C and the session's end close the program as File > Exit does.
    bool quitRequested = false;
    const auto requestQuit = [&frmMain, &quitRequested] {
        quitRequested = true;
        if (frmMain) {
            frmMain->close();
            return;
        }
        // Before the main window there is no loop to end but that of a message box.
        while (QWidget* modal = TOrvantaApplication::activeModalWidget())
            if (!modal->close())
                break;
    };
    TQuitSignals quitSignals(requestQuit);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app, requestQuit);

    TInstanceServer instanceServer;
    TStartRequest request;
    request.Files = CommandLineFiles(argc, argv);
    request.Server = &instanceServer;
    request.Stopping = [&quitRequested] { return quitRequested; };
    try {
        if (InitApplication(prompts, TOrvantaApplication::applicationDirPath(), request)) {
            frmSplash->ShowSplash();
            frmSplash->OnShowMainWindow = [&frmMain] {
                if (frmMain)
                    frmMain->show();
            };
            // The splash timer may fire while My Music purges and lists the library; the
            // window is shown only once its views are ready.
            // The library's first list is read while the window is built.
            TListingStart listing = StartListing(*MyMediaDB);
            auto window = std::make_unique<TfrmMain>(prompts, Options.get());
            window->InitializeViews(*MyMediaDB, *PlayListManager, *FileTypes, std::move(listing));
            frmMain = std::move(window);
            TOrvantaApplication::setWindowIcon(frmMain->windowIcon());
            // The splash timer may have fired while the main window was being built.
            if (frmSplash->MainWindowDue())
                frmMain->show();
            instanceServer.SetReceiver([&frmMain, &prompts](const std::vector<std::string>& Files) {
                Guarded(prompts, [&] {
                    frmMain->RaiseWindow();
                    frmMain->OpenFiles(Files);
                });
            });
            if (!quitRequested) {
                frmMain->OpenFiles(request.Files);
                exitCode = TOrvantaApplication::exec();
            }
            // The notices write the settings from their threads, and an add still running
            // reads the file types: end them before the globals go.
            frmMain->StopNotices();
            frmMain->EndLibraryWork();
        }
    } catch (const std::exception& error) {
        // Start-up failed before the loop (an unreadable library, say): say why, then end.
        ShowException(prompts, ExceptionText(error));
        exitCode = 1;
    }
    ReleaseGlobals();
    frmMain.reset();
    return exitCode;
}
