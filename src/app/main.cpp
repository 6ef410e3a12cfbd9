#include <QIcon>
#include <exception>

#include "app/uApplication.h"
#include "app/uFrmSplash.h"
#include "app/uTOptions.h"
#include "common/uDisplayUtils.h"
#include "shell/uFrmMain.h"
#include "shell/uPrompts.h"

using namespace orvanta;

int main(int argc, char** argv) {
    TOrvantaApplication app(argc, argv);
    TOrvantaApplication::setApplicationName(QStringLiteral("Orvanta"));
    TOrvantaApplication::setOrganizationName(QStringLiteral("Orvanta"));
    // The splash closes before the main window shows; only the main window ends the run.
    TOrvantaApplication::setQuitOnLastWindowClosed(false);

    TQtPrompts prompts;
    const auto showException = [&prompts](const QString& message) {
        prompts.ShowMessage(QStringLiteral("Application Exception"), message, TPromptIcon::Warning);
    };
    app.OnException = showException;

    int exitCode = 0;
    std::unique_ptr<TfrmMain> frmMain;
    try {
        if (InitApplication(prompts, TOrvantaApplication::applicationDirPath())) {
            frmSplash->ShowSplash();
            frmSplash->OnShowMainWindow = [&frmMain] {
                if (frmMain)
                    frmMain->show();
            };
            // The splash timer may fire while My Music purges and lists the library; the
            // window is shown only once its views are ready.
            auto window = std::make_unique<TfrmMain>(prompts, Options.get());
            window->InitializeViews(*MyMediaDB, *PlayListManager, *FileTypes);
            frmMain = std::move(window);
            TOrvantaApplication::setWindowIcon(frmMain->windowIcon());
            // The splash timer may have fired while the main window was being built.
            if (frmSplash->MainWindowDue())
                frmMain->show();
            exitCode = TOrvantaApplication::exec();
            // The notices write the settings from their threads: end them before the globals go.
            frmMain->StopNotices();
        }
    } catch (const std::exception& error) {
        // Start-up failed before the loop (an unreadable library, say): say why, then end.
        showException(QString::fromUtf8(error.what()));
        exitCode = 1;
    }
    ReleaseGlobals();
    frmMain.reset();
    return exitCode;
}
