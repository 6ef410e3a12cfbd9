#include "ui/app/uApplication.h"

#include <cstdio>
#include <cstdlib>
#include <malloc.h>

#include <QFontDatabase>

#include "core/batch/uBatchRun.h"
#include "core/common/uDataPaths.h"
#include "core/common/uDisplayUtils.h"
#include "core/library/uTMyMediaDB.h"
#include "core/playlists/uTPlayListManager.h"
#include "core/playlists/uTRandom.h"
#include "ui/app/uFrmSplash.h"
#include "ui/app/uSingleInstance.h"
#include "ui/common/uLibraryStart.h"
#include "ui/common/uPrompts.h"
#include "ui/common/uTOptions.h"
#include "ui/playback/uPlayerEngine.h"

namespace orvanta {

namespace {

// The library workers, the search and the add's readers allocate on threads of their own, and
// glibc gives each thread an arena whose freed memory the others never reuse: megabytes held
// for nothing by a program that stays open all day. Two arenas keep that in bounds; set before
// main, so before any thread allocates.
[[maybe_unused]] const int ArenasLimited = mallopt(M_ARENA_MAX, 2);

} // namespace

std::unique_ptr<TOptions> Options;
std::unique_ptr<TfrmSplash> frmSplash;
std::unique_ptr<TMyMediaDB> MyMediaDB;
std::unique_ptr<TPlayListManager> PlayListManager;

bool InitApplication(IPrompts& Prompts, const QString& ExecutableDir,
                     const TStartRequest& Request) {
    RandomGenerator.Randomize();
    AppPath =
        ResolveAppPath(ExecutableDir.toStdString(), std::getenv("ORVANTA_HOME"), UserDataDir());
    ForceFolderPath(AppPath); // the user's data folder may not exist yet
    const QString home = QString::fromStdString(AppPath);

    // Decided before anything in the home is read or written: a second start changes nothing.
    if (IsAlreadyRunning(home)) {
        if (Request.Files.empty()) {
            ShowAlreadyRunning(Prompts);
            return false;
        }
        // Bounded: a second start ends at once, whatever the running program is doing.
        const THandOver handed = HandOverToRunningInstance(home, Request.Files);
        if (handed != THandOver::Accepted) {
            const QString text = HandOverFailureText(handed);
            std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
            Prompts.Information(text);
        }
        return false;
    }
    if (Request.Server)
        Request.Server->Listen(home);
    TGstPlayerEngine::StartLoading(); // while the library opens and the window is built
    if (auto* application = dynamic_cast<TOrvantaApplication*>(QCoreApplication::instance()))
        application->StartLoadingFonts();

    Options = std::make_unique<TOptions>();
    Options->LoadFromRegistry(SettingsBaseKey);

    frmSplash = std::make_unique<TfrmSplash>();

    ForceFolder(DataFolder());
    MyMediaDB = std::make_unique<TMyMediaDB>();
    TLibraryWait wait;
    wait.Limit = Request.LibraryWait;
    wait.ShowWaiting = [](const QString& Text) { frmSplash->ShowStatus(Text); };
    wait.Stopping = Request.Stopping;
    const TLibraryAccess access = OpenLibraryWaiting(*MyMediaDB, MediaDatabaseFile(), wait);
    if (access == TLibraryAccess::Stopped)
        return false;
    frmSplash->ShowStatus({});
    ForceFolder(PlayListsFolder());
    PlayListManager = std::make_unique<TPlayListManager>();
    PlayListManager->Open(PlayListsFolder());
    if (PlayListManager->Count() <= 0)
        PlayListManager->AddPlayList(DefaultPlayListName);
    // A batch of tag edits or renames cut short: its files are whole at their old or new
    // names, and the rows and playlist entries go where each file now is.
    if (access == TLibraryAccess::ReadWrite) {
        std::string batchError;
        if (!FinishInterruptedBatch({AppPath, MyMediaDB.get(), PlayListManager.get()}, batchError))
            Prompts.ShowMessage(QStringLiteral("Warning"), QString::fromStdString(batchError),
                                TPromptIcon::Warning);
    }

    FileTypes = std::make_unique<TCustomStringList>();
    FileTypes->NameValueSeparator = ':';
    RegisterFileTypes();
    if (access == TLibraryAccess::ReadOnly)
        Prompts.Information(LibraryReadOnlyText);
    return true;
}

void ReleaseGlobals() {
    Options.reset();
    frmSplash.reset();
    MyMediaDB.reset();
    // Writes every playlist back to its file.
    PlayListManager.reset();
    FileTypes.reset();
}

TOrvantaApplication::TOrvantaApplication(int& Argc, char** Argv) : QApplication(Argc, Argv) {}

TOrvantaApplication::~TOrvantaApplication() {
    // The font list belongs to the application object, which goes after this.
    if (FFontsLoading.valid())
        FFontsLoading.wait();
}

void TOrvantaApplication::StartLoadingFonts() {
    // Qt guards its font list with a lock, so a widget that needs it first waits for this read
    // rather than starting a second one.
    if (!FFontsLoading.valid())
        FFontsLoading = std::async(std::launch::async, [] { QFontDatabase::families(); });
}

} // namespace orvanta
