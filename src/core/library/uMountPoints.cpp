#include "core/library/uMountPoints.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace orvanta {

namespace {

// fstab(5) and the mount table write a space, tab, newline or backslash of a path as a
// backslash and three octal digits.
std::string unescape(const std::string& field) {
    std::string path;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() &&
            std::all_of(field.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                        field.begin() + static_cast<std::ptrdiff_t>(i) + 4,
                        [](char c) { return c >= '0' && c <= '7'; })) {
            path += static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) |
                                      (field[i + 3] - '0'));
            i += 3;
        } else {
            path += field[i];
        }
    }
    return path;
}

// Without trailing '/', the root aside, so that "/mnt/usb/" and "/mnt/usb" are one folder.
std::string trimmed(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

void readTable(const std::string& file, std::vector<std::string>& listed) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string device, mountPoint;
        if (!(fields >> device >> mountPoint) || device.front() == '#')
            continue;
        listed.push_back(trimmed(unescape(mountPoint)));
    }
}

} // namespace

bool TMountPoints::Holds(const std::string& Folder) {
    const std::string folder = trimmed(Folder);
    for (const std::string& root : Roots) {
        const std::string base = trimmed(root);
        if (folder == base ||
            (folder.size() > base.size() && folder.compare(0, base.size(), base) == 0 &&
             folder[base.size()] == '/'))
            return true;
    }
    if (!FRead) {
        FRead = true;
        readTable(FstabFile, FListed);
        readTable(MountsFile, FListed);
    }
    return std::find(FListed.begin(), FListed.end(), folder) != FListed.end();
}

} // namespace orvanta
