#include <algorithm>
#include <filesystem>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

#include "cli/uCliBatch.h"
#include "cli/uCliCommands.h"
#include "cli/uCliJson.h"
#include "core/common/uDataPaths.h"
#include "core/common/uDisplayUtils.h"
#include "core/library/uMediaFolders.h"
#include "core/library/uMediaImport.h"
#include "core/library/uMediaMaintenance.h"
#include "core/library/uTMyMediaDB.h"
#include "core/playlists/uTPlayListManager.h"

namespace orvanta::cli {

namespace {

using json = nlohmann::json;

// Messages keep their wording; a line break is "\n" on a terminal.
std::string forTerminal(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            out += text[i];
    return out;
}

// A progress line on standard error, only when it is a terminal.
class TProgressLine {
public:
    explicit TProgressLine(std::string Caption)
        : FCaption(std::move(Caption)), FShown(::isatty(STDERR_FILENO) == 1) {}
    ~TProgressLine() {
        if (FShown && FUsed)
            std::cerr << "\n";
    }
    void Show(int Done, int Total) {
        if (!FShown || (Done != Total && Done % 50 != 0))
            return;
        FUsed = true;
        std::cerr << "\r" << FCaption << " " << Done << "/" << Total << std::flush;
    }

private:
    std::string FCaption;
    bool FShown;
    bool FUsed = false;
};

// A ReplayGain value, or null when the file gives none.
json gainJson(const std::optional<double>& Value) {
    return Value ? json(*Value) : json(nullptr);
}

json rowJson(const TMediaRecord& row) {
    const TReplayGain& gain = row.ReplayGain;
    return {{"fDirectory", row.Directory},
            {"fFileName", row.FileName},
            {"fTitle", row.Title},
            {"fArtist", row.Artist},
            {"fAlbum", row.Album},
            {"fYear", row.Year},
            {"fGenre", row.Genre},
            {"fLanguage", row.Language},
            {"fComposer", row.Composer},
            {"fFileSize", row.Stamp.FileSize},
            {"fSeconds", row.Seconds},
            {"fQuality", row.Quality},
            {"fTrack", row.Numbers.Track},
            {"fTrackTotal", row.TrackTotal},
            {"fDisc", row.Numbers.Disc},
            {"fDiscTotal", row.DiscTotal},
            {"fAlbumArtist", row.Numbers.AlbumArtist},
            {"fFormat", row.Format},
            {"fCodec", row.Codec},
            {"fSampleRate", row.SampleRate},
            {"fBitsPerSample", row.BitsPerSample},
            {"fChannels", row.Channels},
            {"fTrackGain", gainJson(gain.TrackGain)},
            {"fTrackPeak", gainJson(gain.TrackPeak)},
            {"fAlbumGain", gainJson(gain.AlbumGain)},
            {"fAlbumPeak", gainJson(gain.AlbumPeak)}};
}

// Opens the library of the data folder, creating the folder and the file when missing.
bool openLibrary(TMyMediaDB& library) {
    if (!ForceFolderPath(AppPath) || !ForceFolder(DataFolder())) {
        std::cerr << "Cannot create the data folder " << DataFolder() << "\n";
        return false;
    }
    // A batch cut short first gets its rows and entries where its files are.
    if (!FinishBatchCutShort())
        return false;
    library.OpenDatabase(MediaDatabaseFile());
    return true;
}

// One line per file added or left out; false when it was left out.
bool printAddResult(const TAddResult& result) {
    json out = {{"path", result.Path}};
    bool added = true;
    switch (result.Outcome) {
    case TAddOutcome::Added:
        out["result"] = "added";
        out["format"] = result.Row.Format;
        out["seconds"] = result.Row.Seconds;
        out["title"] = result.Row.Title;
        break;
    case TAddOutcome::AlreadyInLibrary:
        out["result"] = "already in library";
        break;
    case TAddOutcome::Updated:
        out["result"] = "updated";
        out["format"] = result.Row.Format;
        out["seconds"] = result.Row.Seconds;
        out["title"] = result.Row.Title;
        break;
    case TAddOutcome::Unsupported:
    case TAddOutcome::NotRegularFile:
        out["result"] =
            result.Outcome == TAddOutcome::Unsupported ? "unsupported" : "not a regular file";
        added = false;
        std::cerr << forTerminal(AddRefusalMessage(result)) << "\n";
        break;
    case TAddOutcome::NoAudio:
    case TAddOutcome::Unreadable:
        out["result"] = SkipReason(result);
        added = false;
        break;
    }
    printLine(out);
    return added;
}

int runAdd(const std::vector<std::string>& files) {
    TMyMediaDB library;
    if (!openLibrary(library))
        return ExitFailed;
    std::vector<std::string> chosen;
    bool allAdded = true;
    for (const std::string& file : files) {
        // The window adds only what its dialogs found; a mistyped path would leave a
        // ghost row until the next purge, so it is refused here.
        const std::string path = fullPath(file);
        if (FileExists(path) || FolderExists(path)) {
            chosen.push_back(path);
            continue;
        }
        allAdded = false;
        std::cerr << "File not found: " << path << "\n";
        printLine({{"path", path}, {"result", "not found"}});
    }
    TAddTally tally;
    TMediaImport importing(library, *FileTypes);
    // A file named here comes back after a removal; a folder's removed files stay out.
    importing.OnCollected = [&allAdded, &tally](const TCollectedFiles& Collected) {
        for (const TFolderProblem& problem : Collected.Problems) {
            allAdded = false;
            tally.CountFolder(problem.Path, problem.Reason);
            printLine({{"path", problem.Path}, {"result", "cannot be read"}});
        }
        for (const std::string& path : Collected.PassedBy)
            printLine({{"path", path}, {"result", "removed earlier"}});
        tally.PassedBy = static_cast<int>(Collected.PassedBy.size());
    };
    importing.OnResults = [&allAdded, &tally](std::vector<TAddResult>& Results) {
        for (const TAddResult& result : Results) {
            tally.Count(result);
            if (!printAddResult(result))
                allAdded = false;
        }
    };
    {
        TProgressLine line("Adding files");
        importing.OnProgress = [&line](int done, int total, const std::string&) {
            line.Show(done, total);
        };
        importing.Add(chosen);
    }
    std::cerr << tally.Summary() << "\n";
    for (const std::string& detail : tally.Details)
        std::cerr << "  " << forTerminal(detail) << "\n";
    return allAdded ? ExitOk : ExitFailed;
}

int runList() {
    TMyMediaDB library;
    if (!openLibrary(library))
        return ExitFailed;
    library.WalkAllMedia([](const TMediaRecord& row) {
        std::cout << JsonLine(rowJson(row)) << "\n";
        return true;
    });
    std::cout.flush();
    return ExitOk;
}

// A playlist that could not be written is a failure: the caller reports it, never "removed".
bool savePlayLists(TPlayListManager& playLists) {
    const TPlayListSync saved = playLists.SaveChanged();
    for (const std::string& error : saved.Errors)
        std::cerr << error << "\n";
    return saved.Failed.empty();
}

int runRemove(const std::vector<std::string>& files) {
    TMyMediaDB library;
    if (!openLibrary(library))
        return ExitFailed;
    // The playlists are read, changed and written under the folder's lock, so another run
    // (or the program) changing them at the same time loses nothing.
    TPlayListManager playLists;
    const auto lock = playLists.OpenLocked(PlayListsFolder());
    std::vector<TMediaRecord> rows;
    // Printed in the order of the arguments, once everything is written.
    std::vector<json> results;
    bool allFound = true;
    for (const std::string& file : files) {
        const std::string path = fullPath(file);
        TMediaRecord found;
        if (!library.FindMedia(ExtractFileDir(path), ExtractFileName(path), found)) {
            std::cerr << "Not in the library: " << path << "\n";
            results.push_back({{"path", path}, {"result", "not in library"}});
            allFound = false;
            continue;
        }
        results.push_back({{"path", found.FullPath()}, {"result", "removed"}});
        rows.push_back(std::move(found));
    }
    // Playlists first: a row left in the library after a failure can be removed again, an
    // entry left behind a removed row would never be cleaned up.
    std::vector<std::string> entries;
    for (const TMediaRecord& row : rows)
        entries.push_back(row.TrackEntry());
    playLists.RemoveTracksEverywhere(entries);
    if (!savePlayLists(playLists))
        return ExitFailed;
    RemoveMediaRows(library, rows);
    for (const json& result : results)
        printLine(result);
    return allFound ? ExitOk : ExitFailed;
}

int runRefresh() {
    TMyMediaDB library;
    if (!openLibrary(library))
        return ExitFailed;
    TPlayListManager playLists;
    const auto lock = playLists.OpenLocked(PlayListsFolder());
    TMediaMaintenance maintenance(library, playLists, *FileTypes);
    TPurgeResult result;
    {
        TProgressLine line("Checking files");
        // The one look at each file finds the changed ones too.
        result = maintenance.RemoveMissingFiles(
            {[&line](int done, int total) { line.Show(done, total); }, {}}, {{}, true});
    }
    const bool saved = savePlayLists(playLists);
    for (const std::string& entry : result.Removed)
        printLine({{"path", TrackPath(entry)}, {"result", "removed"}});
    // Files that appeared beside the library's files since come in; changed ones are read
    // again.
    TAddTally tally;
    TMediaImport importing(library, *FileTypes);
    importing.OnResults = [&tally](std::vector<TAddResult>& results) {
        for (const TAddResult& added : results) {
            tally.Count(added);
            if (added.Outcome == TAddOutcome::Added)
                printLine({{"path", added.Path}, {"result", "added"}});
            else if (added.Outcome == TAddOutcome::Updated)
                printLine({{"path", added.Path}, {"result", "updated"}});
        }
    };
    importing.Refresh(result.Changed ? &*result.Changed : nullptr);
    std::cerr << "Checked " << result.Checked << " files, removed " << result.Removed.size()
              << " missing files, added " << tally.Added << " new files, updated " << tally.Updated
              << " changed files";
    if (result.KeptFolderMissing > 0)
        std::cerr << ", kept " << result.KeptFolderMissing << " whose folder is missing or empty";
    std::cerr << ".\n";
    return saved ? ExitOk : ExitFailed;
}

} // namespace

void RegisterLibraryCommands(CLI::App& App, CommandAction& Chosen) {
    CLI::App* library = App.add_subcommand("library", "Add, list, remove and purge library files");
    library->require_subcommand(1);

    auto addFiles = std::make_shared<std::vector<std::string>>();
    CLI::App* add = library->add_subcommand(
        "add", "Add audio files (MP3, FLAC, Ogg Vorbis, Opus, M4A, WavPack, WAV, AIFF), and "
               "those in folders, to the library; a folder's files removed earlier stay out, a "
               "file named here comes back");
    add->add_option("FILE", *addFiles, "Files or folders to add")->required();
    add->callback([&Chosen, addFiles] { Chosen = [addFiles] { return runAdd(*addFiles); }; });

    CLI::App* list = library->add_subcommand("list", "Print every library row as JSON, by title");
    list->callback([&Chosen] { Chosen = runList; });

    auto removeFiles = std::make_shared<std::vector<std::string>>();
    CLI::App* remove = library->add_subcommand(
        "remove", "Remove files from the library and from every playlist (not from disk); "
                  "refreshes and folder adds pass them by");
    remove->add_option("FILE", *removeFiles, "Files to remove")->required();
    remove->callback(
        [&Chosen, removeFiles] { Chosen = [removeFiles] { return runRemove(*removeFiles); }; });

    CLI::App* refresh = library->add_subcommand(
        "refresh",
        "Remove rows whose file is gone, with their playlist entries; add new files beside "
        "the library's files and read changed files again");
    refresh->callback([&Chosen] { Chosen = runRefresh; });
}

} // namespace orvanta::cli
