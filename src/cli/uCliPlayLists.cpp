#include <filesystem>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/uCliCommands.h"
#include "cli/uCliJson.h"
#include "core/common/uDataPaths.h"
#include "core/common/uDisplayUtils.h"
#include "core/library/uTMyMediaDB.h"
#include "core/library/uTrackInfo.h"
#include "core/playlists/uM3U.h"
#include "core/playlists/uPlayListsController.h"
#include "core/playlists/uTPlayListManager.h"

namespace orvanta::cli {

namespace {

using json = nlohmann::json;

int fail(const std::string& message) {
    std::cerr << message << "\n";
    return ExitFailed;
}

// Reads the playlists without taking charge of the folder: nothing is written back.
void loadPlayLists(TPlayListManager& playLists) {
    if (FolderExists(PlayListsFolder()))
        playLists.LoadAll(PlayListsFolder());
}

int runPlayListList() {
    TPlayListManager playLists;
    loadPlayLists(playLists);
    for (int i = 0; i < playLists.Count(); ++i) {
        const TPlayList* list = playLists.GetPlayList(i);
        printLine({{"name", list->Name},
                   {"mode", list->PlayMode},
                   {"tracks", list->Count()},
                   {"unreadable", playLists.IsUnread(list)}});
    }
    return ExitOk;
}

int runPlayListShow(const std::string& name) {
    TPlayListManager playLists;
    loadPlayLists(playLists);
    const TPlayList* list = playLists.FindByName(name);
    if (list == nullptr)
        return fail("No playlist named " + name);
    for (int i = 0; i < list->Count(); ++i) {
        const std::string entry = list->GetTrack(i);
        printLine({{"index", i},
                   {"path", TrackPath(entry)},
                   {"seconds", TrackSeconds(entry)},
                   {"entry", entry}});
    }
    return ExitOk;
}

int runNew(TPlayListManager& playLists, const std::string& name) {
    if (const std::string refusal = TPlayListsController::NewNameRefusal(playLists, name);
        !refusal.empty())
        return fail(refusal);
    playLists.AddPlayList(name);
    printLine({{"name", name}, {"result", "created"}});
    return ExitOk;
}

int runRename(TPlayListManager& playLists, const std::string& oldName, const std::string& newName) {
    if (const TPlayListRename renamed = playLists.RenamePlayList(oldName, newName); !renamed)
        return fail(renamed.Error);
    printLine({{"name", newName}, {"result", "renamed"}});
    return ExitOk;
}

int runDelete(TPlayListManager& playLists, const std::string& name) {
    const TPlayList* list = playLists.FindByName(name);
    if (list == nullptr)
        return fail("No playlist named " + name);
    const std::string file = playLists.FileNameOf(list->Name);
    playLists.DeletePlayList(name);
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(file, error)))
        return fail("Cannot delete the playlist file " + file);
    printLine({{"name", name}, {"result", "deleted"}});
    return ExitOk;
}

int runAddTracks(TPlayListManager& playLists, const std::string& name,
                 const std::vector<std::string>& files) {
    TPlayList* list = playLists.FindByName(name);
    if (list == nullptr)
        return fail("No playlist named " + name);
    // A file that could not be read is never written over, so it cannot take a change.
    if (const std::string refusal = TPlayListsController::ChangeRefusal(playLists, list);
        !refusal.empty())
        return fail(refusal);
    const TTrackEntryLookup library = LibraryLookup();
    int result = ExitOk;
    for (const std::string& file : files) {
        const std::string path = fullPath(file);
        std::string entry = library(path);
        if (entry.empty())
            entry = MakeTrackEntry(path, 0);
        if (!list->AddTrack(entry)) {
            result = fail(PlayListRefusalMessage(path));
            continue;
        }
        printLine({{"path", path}, {"seconds", TrackSeconds(entry)}, {"result", "added"}});
    }
    return result;
}

int runRemoveTrack(TPlayListManager& playLists, const std::string& name, const std::string& file) {
    TPlayList* list = playLists.FindByName(name);
    if (list == nullptr)
        return fail("No playlist named " + name);
    // A file that could not be read is never written over, so it cannot take a change.
    if (const std::string refusal = TPlayListsController::ChangeRefusal(playLists, list);
        !refusal.empty())
        return fail(refusal);
    const std::string path = fullPath(file);
    int removed = 0;
    for (int i = list->Count() - 1; i >= 0; --i)
        if (TrackPath(list->GetTrack(i)) == path) {
            list->DeleteTrack(i);
            ++removed;
        }
    if (removed == 0)
        return fail("Not in the playlist: " + fullPath(file));
    printLine({{"path", fullPath(file)}, {"removed", removed}, {"result", "removed"}});
    return ExitOk;
}

int runMode(TPlayListManager& playLists, const std::string& name, int mode) {
    TPlayList* list = playLists.FindByName(name);
    if (list == nullptr)
        return fail("No playlist named " + name);
    // A file that could not be read is never written over, so it cannot take a change.
    if (const std::string refusal = TPlayListsController::ChangeRefusal(playLists, list);
        !refusal.empty())
        return fail(refusal);
    list->PlayMode = mode;
    printLine({{"name", list->Name}, {"mode", mode}, {"result", "changed"}});
    return ExitOk;
}

} // namespace

int ChangePlayLists(const std::function<int(TPlayListManager&)>& Change) {
    if (!ForceFolder(AppPath) || !ForceFolder(PlayListsFolder()))
        return fail("Cannot create the playlists folder " + PlayListsFolder());
    TPlayListManager playLists;
    const auto lock = playLists.OpenLocked(PlayListsFolder());
    const int result = Change(playLists);
    const TPlayListSync saved = playLists.SaveChanged();
    for (const std::string& error : saved.Errors)
        std::cerr << error << "\n";
    return saved.Failed.empty() ? result : ExitFailed;
}

TTrackEntryLookup LibraryLookup() {
    // The library is never created here.
    if (!FileExists(MediaDatabaseFile()))
        return [](const std::string&) { return std::string(); };
    auto library = std::make_shared<TMyMediaDB>();
    library->OpenDatabase(MediaDatabaseFile());
    return [library](const std::string& path) { return LibraryTrackEntry(path, *library); };
}

namespace {

CommandAction changing(std::function<int(TPlayListManager&)> change) {
    return [change = std::move(change)] { return ChangePlayLists(change); };
}

} // namespace

void RegisterPlayListCommands(CLI::App& App, CommandAction& Chosen) {
    CLI::App* playlist = App.add_subcommand("playlist", "Show and change the playlists");
    playlist->require_subcommand(1);
    CLI::App* list = playlist->add_subcommand("list", "Print each playlist's name, mode and size");
    list->callback([&Chosen] { Chosen = runPlayListList; });

    // The arguments live as long as the app; the callbacks capture them.
    auto name = std::make_shared<std::string>();
    auto other = std::make_shared<std::string>();
    auto files = std::make_shared<std::vector<std::string>>();
    auto mode = std::make_shared<int>(0);
    const char* nameHelp = "Playlist name (letter case aside)";

    CLI::App* show = playlist->add_subcommand("show", "Print the entries of one playlist");
    show->add_option("NAME", *name, nameHelp)->required();
    show->callback([&Chosen, name] { Chosen = [name] { return runPlayListShow(*name); }; });

    CLI::App* create = playlist->add_subcommand("new", "Create an empty playlist");
    create->add_option("NAME", *name, "Name of the new playlist")->required();
    create->callback([&Chosen, name] {
        Chosen = changing([name](TPlayListManager& p) { return runNew(p, *name); });
    });

    CLI::App* rename = playlist->add_subcommand("rename", "Rename a playlist");
    rename->add_option("OLD", *name, nameHelp)->required();
    rename->add_option("NEW", *other, "The new name")->required();
    rename->callback([&Chosen, name, other] {
        Chosen =
            changing([name, other](TPlayListManager& p) { return runRename(p, *name, *other); });
    });

    CLI::App* remove = playlist->add_subcommand("delete", "Delete a playlist and its file");
    remove->add_option("NAME", *name, nameHelp)->required();
    remove->callback([&Chosen, name] {
        Chosen = changing([name](TPlayListManager& p) { return runDelete(p, *name); });
    });

    CLI::App* add = playlist->add_subcommand(
        "add", "Append files to a playlist, with the library's seconds (0 when not in it)");
    add->add_option("NAME", *name, nameHelp)->required();
    add->add_option("FILE", *files, "Files to append")->required();
    add->callback([&Chosen, name, files] {
        Chosen =
            changing([name, files](TPlayListManager& p) { return runAddTracks(p, *name, *files); });
    });

    CLI::App* removeTrack =
        playlist->add_subcommand("remove-track", "Remove every entry of a file from a playlist");
    removeTrack->add_option("NAME", *name, nameHelp)->required();
    removeTrack->add_option("FILE", *other, "The file whose entries go")->required();
    removeTrack->callback([&Chosen, name, other] {
        Chosen = changing(
            [name, other](TPlayListManager& p) { return runRemoveTrack(p, *name, *other); });
    });

    CLI::App* setMode =
        playlist->add_subcommand("mode", "Set the play mode: 0 normal, 1 loop, 2 random");
    setMode->add_option("NAME", *name, nameHelp)->required();
    setMode->add_option("MODE", *mode, "0, 1 or 2")->required()->check(CLI::Range(0, 2));
    setMode->callback([&Chosen, name, mode] {
        Chosen = changing([name, mode](TPlayListManager& p) { return runMode(p, *name, *mode); });
    });
}

} // namespace orvanta::cli
