#include "ui/shell/uWindowCommandMenus.h"

#include <QAction>
#include <QMenu>

#include "core/common/uCommands.h"
#include "ui/shell/uFrmMain.h"

namespace orvanta {

void AddToolCommandsToMenus(TfrmMain& Window) {
    auto* edit = Window.findChild<QMenu*>(QStringLiteral("mnuEdit"));
    if (!edit)
        return;
    const auto group = [&](std::initializer_list<ECommand> Commands) {
        edit->addSeparator();
        for (const ECommand command : Commands)
            if (QAction* action = Window.CommandAction(command))
                edit->addAction(action);
    };
    // The play buttons are Playback > Play/Pause's.
    group({ECommand::MediaLocateFile, ECommand::MediaAddFilesToPlayList});
    group({ECommand::PlayListsShuffle, ECommand::PlayListsMoveTrackUp,
           ECommand::PlayListsMoveTrackDown, ECommand::PlayListsRemove,
           ECommand::PlayListsRemoveTracks});
}

} // namespace orvanta
