// orvanta-cli playlist import|export: M3U and M3U8 files.
#include <filesystem>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "cli/uCliCommands.h"
#include "cli/uCliJson.h"
#include "core/common/uDataPaths.h"
#include "core/library/uPlayListLibrary.h"
#include "core/library/uTMyMediaDB.h"
#include "core/playlists/uM3U.h"
#include "core/playlists/uTPlayList.h"
#include "core/playlists/uTPlayListManager.h"

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
    // As every change: under the folder's lock, only the new playlist's file written.
    return ChangePlayLists([&](TPlayListManager& playLists) {
        if (!ImportM3UEntries(playLists, name, entries, keepMissing, error, LibraryLookup())) {
            std::cerr << error << "\n";
            return ExitFailed;
        }
        const TPlayList* list = playLists.FindByName(name);
        int result = ExitOk;
        int kept = 0;
        for (const TM3UEntry& entry : entries) {
            const bool keep = entry.Refusal.empty() && (entry.Exists || keepMissing);
            json line = {{"path", entry.Path},
                         {"seconds", keep ? TrackSeconds(list->GetTrack(kept++)) : entry.Seconds},
                         {"title", entry.Title},
                         {"exists", entry.Exists},
                         {"kept", keep}};
            if (!entry.Refusal.empty()) {
                std::cerr << entry.Refusal << "\n";
                line["error"] = entry.Refusal;
                result = ExitFailed;
            } else if (!entry.Exists) {
                std::cerr << (keepMissing ? "Kept, but not found: " : "Left out, not found: ")
                          << entry.Path << "\n";
            }
            printLine(line);
        }
        return result;
    });
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
    // The artists come from the library, which is never created here.
    TMyMediaDB library;
    TM3UTagLookup tags;
    if (FileExists(MediaDatabaseFile())) {
        library.OpenDatabase(MediaDatabaseFile());
        tags = LibraryM3UTags(library);
    }
    std::string error;
    if (!WriteM3UFile(file, *list, relative, error, tags)) {
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
