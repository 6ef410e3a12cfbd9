// orvanta-cli playlist import|export: M3U and M3U8 files.
#include <filesystem>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "cli/uCliCommands.h"
#include "cli/uCliJson.h"
#include "common/uDataPaths.h"
#include "playlists/uM3U.h"
#include "playlists/uTPlayListManager.h"

namespace orvanta::cli {

namespace {

using json = nlohmann::json;

int runImport(const std::string& file, std::string name, bool keepMissing) {
    std::vector<TM3UEntry> entries;
    std::string error;
    if (!ReadM3UFile(file, entries, error)) {
        std::cerr << error << "\n";
        return ExitFailed;
    }
    if (name.empty())
        name = PlayListNameOfM3U(file);
    if (!ForceFolderPath(PlayListsFolder())) {
        std::cerr << "Cannot create the playlists folder " << PlayListsFolder() << "\n";
        return ExitFailed;
    }
    // Only the new playlist's file is written; the others stay as they are on disk.
    TPlayListManager playLists;
    playLists.LoadAll(PlayListsFolder());
    if (!ImportM3UEntries(playLists, name, entries, keepMissing, error)) {
        std::cerr << error << "\n";
        return ExitFailed;
    }
    const TPlayList* list = playLists.FindByName(name);
    const std::string target = PlayListsFolder() + "/" + name + ".ply";
    if (FileExists(target) || !list->SaveToFile(target)) {
        std::cerr << "Cannot write the playlist file " << target << "\n";
        return ExitFailed;
    }
    for (const TM3UEntry& entry : entries) {
        if (!entry.Exists)
            std::cerr << (keepMissing ? "Kept, but not found: " : "Left out, not found: ")
                      << entry.Path << "\n";
        printLine({{"path", entry.Path},
                   {"seconds", entry.Seconds},
                   {"title", entry.Title},
                   {"exists", entry.Exists},
                   {"kept", entry.Exists || keepMissing}});
    }
    return ExitOk;
}

int runExport(const std::string& name, const std::string& file, bool relative) {
    TPlayListManager playLists;
    if (FolderExists(PlayListsFolder()))
        playLists.LoadAll(PlayListsFolder());
    const TPlayList* list = playLists.FindByName(name);
    if (list == nullptr) {
        std::cerr << "No playlist named " << name << "\n";
        return ExitFailed;
    }
    std::string error;
    if (!WriteM3UFile(file, *list, relative, error)) {
        std::cerr << error << "\n";
        return ExitFailed;
    }
    return ExitOk;
}

} // namespace

void RegisterM3UCommands(CLI::App& App, CommandAction& Chosen) {
    CLI::App* playlist = App.get_subcommand("playlist");

    struct ImportArgs {
        std::string File, Name;
        bool KeepMissing = false;
    };
    auto in = std::make_shared<ImportArgs>();
    CLI::App* import = playlist->add_subcommand(
        "import", "Make a playlist of an M3U or M3U8 file; prints each entry as JSON");
    import->add_option("FILE", in->File, "The .m3u or .m3u8 file")->required();
    import->add_option("NAME", in->Name, "Playlist name (default: the file's name)");
    import->add_flag("--keep-missing", in->KeepMissing,
                     "Keep entries whose file does not exist (they are left out otherwise)");
    import->callback([&Chosen, in] {
        Chosen = [in] { return runImport(in->File, in->Name, in->KeepMissing);
};
} // namespace orvanta::cli
);

struct ExportArgs {
    std::string Name, File;
    bool Relative = false;
};
auto out = std::make_shared<ExportArgs>();
CLI::App* exportCommand =
    playlist->add_subcommand("export", "Write a playlist as a UTF-8 M3U8 file");
exportCommand->add_option("NAME", out->Name, "Playlist name (letter case aside)")->required();
exportCommand->add_option("FILE", out->File, "The file to write")->required();
exportCommand->add_flag("--relative", out->Relative, "Write paths relative to the file's folder");
exportCommand->callback([&Chosen, out] {
    Chosen = [out] { return runExport(out->Name, out->File, out->Relative); };
});
}

} // namespace orvanta::cli
