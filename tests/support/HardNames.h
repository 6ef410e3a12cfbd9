#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/Mp3Files.h"
#include "support/TempDir.h"

namespace orvanta::test {

// File names Linux allows and real collections hold. Json is how orvanta-cli writes the name.
struct THardName {
    const char* What;
    std::string Folder; // below the test folder, "" for none
    std::string Name;
    std::string Json;
    bool PlayListCanHoldIt = true;
    bool Link = false; // the name is a symbolic link to "target.mp3" beside it
};

inline const std::string& LongFolder() {
    static const std::string folder =
        std::string(120, 'a') + "/" + std::string(120, 'b') + "/" + std::string(120, 'c');
    return folder;
}

inline const std::vector<THardName>& HardNames() {
    static const std::vector<THardName> names = {
        {"star", "", "F**k You*.mp3", R"("F**k You*.mp3")"},
        {"quotes", "", "it's \"q\".mp3", R"("it's \"q\".mp3")"},
        {"backslash", "", "a\\b.mp3", R"("a\\b.mp3")"},
        {"tab", "", "a\tb.mp3", R"("a\tb.mp3")"},
        {"carriage return", "", "a\rb.mp3", R"("a\rb.mp3")", false},
        {"line feed", "", "a\nb.mp3", R"("a\nb.mp3")", false},
        {"not UTF-8", "", "caf\xe9 \xff\x80.mp3", R"("caf\udce9 \udcff\udc80.mp3")"},
        {"255 bytes", "", std::string(251, 'n') + ".mp3",
         std::string("\"").append(251, 'n').append(".mp3\"")},
        {"folder over 300 bytes", LongFolder(), "deep.mp3", R"("deep.mp3")"},
        {"symbolic link", "", "link.mp3", R"("link.mp3")", true, true},
    };
    return names;
}

// Makes the folder and an MP3 under the hard name; returns its full path.
inline std::string MakeHardFile(const TempDir& Dir, const THardName& Hard) {
    const std::filesystem::path folder = Dir.path() / Hard.Folder;
    std::filesystem::create_directories(folder);
    const std::string path = (folder / Hard.Name).string();
    if (Hard.Link) {
        WriteMp3((folder / "target.mp3").string());
        std::filesystem::create_symlink("target.mp3", path);
    } else {
        WriteMp3(path);
    }
    return path;
}

} // namespace orvanta::test
