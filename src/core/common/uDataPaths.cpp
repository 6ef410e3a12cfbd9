#include "core/common/uDataPaths.h"

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace orvanta {

std::string AppPath;

namespace {
std::string withoutTrailingSeparator(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}
} // namespace

std::string ResolveAppPath(const std::string& ExecutableDir, const char* OrvantaHome,
                           const std::string& UserDataDir) {
    if (OrvantaHome && *OrvantaHome)
        return withoutTrailingSeparator(OrvantaHome);
    if (IsPortableCopy(ExecutableDir))
        return withoutTrailingSeparator(ExecutableDir);
    return withoutTrailingSeparator(UserDataDir);
}

bool IsPortableCopy(const std::string& ExecutableDir) {
    if (ExecutableDir.empty())
        return false;
    const std::string dir = withoutTrailingSeparator(ExecutableDir);
    return FileExists(dir + "/portable") || FileExists(dir + "/Data/MyMedia.edb");
}

bool SettingsInHome(const std::string& ExecutableDir, const char* OrvantaHome) {
    return (OrvantaHome && *OrvantaHome) || IsPortableCopy(ExecutableDir);
}

std::string ExecutableDir() {
    char buffer[4096];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return {};
    std::string path(buffer, static_cast<std::size_t>(length));
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

std::string UserDataDir() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        return std::string(xdg) + "/Orvanta";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.local/share/Orvanta";
}

std::string DataFolder() {
    return AppPath + "/Data";
}
std::string MediaDatabaseFile() {
    return DataFolder() + "/MyMedia.edb";
}
std::string PlayListsFolder() {
    return AppPath + "/Playlists";
}

bool FolderExists(const std::string& Folder) {
    struct stat info {};
    return ::stat(Folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool FileExists(const std::string& Path) {
    struct stat info {};
    return ::stat(Path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool ForceFolder(const std::string& Folder) {
    if (FolderExists(Folder))
        return true;
    return ::mkdir(Folder.c_str(), 0777) == 0 || FolderExists(Folder);
}

bool ForceFolderPath(const std::string& Folder) {
    for (std::size_t slash = Folder.find('/', 1); slash != std::string::npos;
         slash = Folder.find('/', slash + 1))
        ForceFolder(Folder.substr(0, slash));
    return ForceFolder(Folder);
}

} // namespace orvanta
