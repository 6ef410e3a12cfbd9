#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>
#include <vector>

#include "core/playlists/uM3U.h"

namespace orvanta {
class TPlayListManager;
}

namespace orvanta::cli {

// Exit codes of orvanta-cli.
inline constexpr int ExitOk = 0;
inline constexpr int ExitFailed = 1;
inline constexpr int ExitUsage = 2;

// Each command family adds its subcommands to the app. The returned action runs after a
// successful parse when one of its subcommands was chosen, and yields the exit code. Any
// exception it throws is caught in one place (main) and ends the run with its message and 1.
using CommandAction = std::function<int()>;
void RegisterCommands(CLI::App& App, CommandAction& Chosen);

// The full path the program would get from its open dialog: absolute, normalised, no
// trailing "/".
std::string fullPath(const std::string& path);

// orvanta-cli analyse, orvanta-cli tag (uCliAnalyse.cpp).
void RegisterAnalyseCommands(CLI::App& App, CommandAction& Chosen);

// orvanta-cli library add|list|remove|refresh (uCliLibrary.cpp).
void RegisterLibraryCommands(CLI::App& App, CommandAction& Chosen);
// orvanta-cli playlist list|show|new|rename|delete|add|remove-track|mode (uCliPlayLists.cpp).
void RegisterPlayListCommands(CLI::App& App, CommandAction& Chosen);

// One change to the playlists, made the way the program makes it: read, change and write
// under the folder's lock, writing only the playlists that changed, at once. A playlist that
// could not be written is reported and makes the exit code 1.
int ChangePlayLists(const std::function<int(TPlayListManager&)>& Change);
// The library's track entries for playlist adds; finds nothing when there is no library.
TTrackEntryLookup LibraryLookup();

// orvanta-cli playlist import|export (uCliM3U.cpp); after RegisterPlayListCommands.
void RegisterM3UCommands(CLI::App& App, CommandAction& Chosen);

// orvanta-cli replaygain (uCliReplayGain.cpp).
void RegisterReplayGainCommands(CLI::App& App, CommandAction& Chosen);

// orvanta-cli rename (uCliRename.cpp).
void RegisterRenameCommands(CLI::App& App, CommandAction& Chosen);
// Adds --from-name and its options to the tag command. Once parsed, the result picks the
// action: the batch of tags from names, or Single, the tag command as it stands.
using TTagFromName =
    std::function<CommandAction(const std::vector<std::string>& Files, CommandAction Single)>;
TTagFromName AddTagFromName(CLI::App& Tag);

} // namespace orvanta::cli
