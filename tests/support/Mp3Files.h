#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "support/TempDir.h"

namespace orvanta::test {

// One second of a 440 Hz tone, encoded once per test process by sox and lame at 128 kbit/s,
// without any tag.
inline const std::string& SampleMp3Bytes() {
    static const std::string bytes = [] {
        TempDir dir;
        const std::string wav = dir.file("tone.wav");
        const std::string mp3 = dir.file("tone.mp3");
        const std::string command = "sox -n -r 44100 -c 1 '" + wav + "' synth 1 sine 440 && " +
                                    "lame --quiet -b 128 '" + wav + "' '" + mp3 + "'";
        if (std::system(command.c_str()) != 0)
            throw std::runtime_error("sox or lame failed");
        return readAll(mp3);
    }();
    return bytes;
}

// Writes a copy of the sample MP3 to Path.
inline void WriteMp3(const std::string& Path) {
    std::ofstream(Path, std::ios::binary) << SampleMp3Bytes();
}

} // namespace orvanta::test
