#pragma once

#include <string>
#include <vector>

namespace orvanta {

// Where drives are mounted, to tell an unmounted drive (its mount point left empty) from a
// folder the user emptied. The tables are read on the first question only.
class TMountPoints {
public:
    std::string FstabFile = "/etc/fstab";
    std::string MountsFile = "/proc/self/mounts";
    // Folders under which desktops and users mount drives.
    std::vector<std::string> Roots = {"/media", "/run/media", "/mnt"};

    // Whether Folder is a mount point listed in either table, or lies under one of Roots.
    bool Holds(const std::string& Folder);

private:
    bool FRead = false;
    std::vector<std::string> FListed;
};

} // namespace orvanta
