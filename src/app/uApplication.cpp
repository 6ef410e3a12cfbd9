#include "app/uApplication.h"

#include <cstdlib>
#include <exception>

#include "app/uFrmSplash.h"
#include "app/uSingleInstance.h"
#include "app/uTOptions.h"
#include "common/uDataPaths.h"
#include "common/uDisplayUtils.h"
#include "library/uTMyMediaDB.h"
#include "playlists/uTPlayListManager.h"
#include "playlists/uTRandom.h"
#include "shell/uPrompts.h"

namespace orvanta {

std::unique_ptr<TOptions> Options;
std::unique_ptr<TfrmSplash> frmSplash;
std::unique_ptr<TMyMediaDB> MyMediaDB;
std::unique_ptr<TPlayListManager> PlayListManager;

bool InitApplication(IPrompts& Prompts, const QString& ExecutableDir) {
    bool result = true;
    RandomGenerator.Randomize();
    AppPath =
        ResolveAppPath(ExecutableDir.toStdString(), std::getenv("ORVANTA_HOME"), UserDataDir());

    Options = std::make_unique<TOptions>();
    Options->LoadFromRegistry(SettingsBaseKey);

    frmSplash = std::make_unique<TfrmSplash>();

    ForceFolderPath(AppPath); // the user's data folder may not exist yet
    ForceFolder(DataFolder());
    MyMediaDB = std::make_unique<TMyMediaDB>();
    MyMediaDB->OpenDatabase(MediaDatabaseFile());
    ForceFolder(PlayListsFolder());
    PlayListManager = std::make_unique<TPlayListManager>();
    PlayListManager->Open(PlayListsFolder());
    if (PlayListManager->Count() <= 0)
        PlayListManager->AddPlayList(DefaultPlayListName);

    FileTypes = std::make_unique<TCustomStringList>();
    FileTypes->NameValueSeparator = ':';
    RegisterFileTypes();

    // Checked last: a second instance still opens its data before it finds the first.
    if (IsAlreadyRunning()) {
        ShowAlreadyRunning(Prompts);
        result = false;
    }
    return result;
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

bool TOrvantaApplication::notify(QObject* Receiver, QEvent* Event) {
    try {
        return QApplication::notify(Receiver, Event);
    } catch (const std::exception& error) {
        if (OnException)
            OnException(QString::fromUtf8(error.what()));
    } catch (...) {
        if (OnException)
            OnException(QStringLiteral("Unknown error."));
    }
    return false;
}

} // namespace orvanta
