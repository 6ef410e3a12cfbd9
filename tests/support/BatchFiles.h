#pragma once

#include <fstream>
#include <string>

#include "support/Mp3Files.h"

namespace orvanta::test {

// The bytes a JPEG picture starts with, then Mark: covers that differ by their mark.
inline std::string JpegCover(const std::string& Mark) {
    return std::string("\xFF\xD8\xFF\xE0", 4) + Mark;
}

// An MP3 file with an ID3v2.3 tag of a title, an album and a front cover.
inline void WriteTaggedMp3(const std::string& Path, const std::string& Title,
                           const std::string& Album, const std::string& Cover) {
    const std::string apic = std::string(1, '\0') + "image/jpeg" + std::string(1, '\0') + '\x03' +
                             std::string(1, '\0') + Cover;
    std::ofstream(Path, std::ios::binary)
        << Tag(3, Frame(3, "TIT2", Text(Title)) + Frame(3, "TALB", Text(Album)) +
                      Frame(3, "APIC", apic))
        << SampleMp3Bytes();
}

} // namespace orvanta::test
