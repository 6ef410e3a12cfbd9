#pragma once

#include <string>

namespace orvanta {

// The folder every data path is built from, without a trailing separator.
extern std::string AppPath;

// ORVANTA_HOME wins; otherwise the executable's folder when it is a portable copy; otherwise
// the user's data folder. Returns the chosen folder without a trailing separator.
std::string ResolveAppPath(const std::string& ExecutableDir, const char* OrvantaHome,
                           const std::string& UserDataDir);

// A file named "portable" beside the executable, or a library an earlier version left there.
bool IsPortableCopy(const std::string& ExecutableDir);

// True when the home is ORVANTA_HOME or a portable copy: the settings then live in the home.
bool SettingsInHome(const std::string& ExecutableDir, const char* OrvantaHome);

// The folder of the running executable, and the user's data folder for Orvanta
// ($XDG_DATA_HOME/Orvanta, else ~/.local/share/Orvanta).
std::string ExecutableDir();
std::string UserDataDir();

std::string DataFolder();        // AppPath + "/Data"
std::string MediaDatabaseFile(); // DataFolder() + "/MyMedia.edb"
std::string PlayListsFolder();   // AppPath + "/Playlists"

// Makes one folder level when it is missing; true when the folder exists afterwards.
bool ForceFolder(const std::string& Folder);
// Makes every missing level of Folder (the home, such as ~/.local/share/Orvanta on a fresh
// account); true when the folder exists afterwards.
bool ForceFolderPath(const std::string& Folder);
bool FolderExists(const std::string& Folder);
bool FileExists(const std::string& Path);

// The maker's web hosts and the paths the program opens or fetches on them.
namespace web {
inline constexpr const char* HomeHost = "www.orvanta.org";
inline constexpr const char* NoticeHost = "notices.orvanta.org";
inline constexpr const char* HomePagePath = "/tessolin/index.htm";
inline constexpr const char* HelpPagePath = "/tessolin/help.htm";
inline constexpr const char* FirstRunPath = "/tessolin/data/firstrun.txt";
inline constexpr const char* AllFirstRunPath = "/firstrun/allfirstrun.txt";
} // namespace web

} // namespace orvanta
