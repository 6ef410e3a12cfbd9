#pragma once

#include <array>
#include <cstdlib>
#include <string>

#include "support/TempDir.h"

namespace orvanta::test {

inline std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Encodes Seconds of a tone with lame into Dir/Name, passing LameOptions (tags) on.
inline std::string makeMp3(const TempDir& dir, const std::string& name, double seconds,
                           const std::string& lameOptions = "--id3v1-only") {
    const std::string wav = dir.file(name + ".wav");
    const std::string mp3 = dir.file(name);
    const std::string command = "sox -n -r 44100 -c 1 -b 16 " + shellQuoted(wav) + " synth " +
                                std::to_string(seconds) + " sine 440 && lame --quiet -b 128 " +
                                lameOptions + " " + shellQuoted(wav) + " " + shellQuoted(mp3) +
                                " && rm " + shellQuoted(wav);
    if (std::system(command.c_str()) != 0)
        return {};
    return mp3;
}

// The 128 bytes of an ID3v1.1 tag.
inline std::string id3v1Block(const std::string& title, const std::string& artist,
                              unsigned char genre) {
    std::string block = "TAG";
    const auto field = [&block](const std::string& text, std::size_t size) {
        block += text.substr(0, size);
        block.append(size - std::min(size, text.size()), '\0');
    };
    field(title, 30);
    field(artist, 30);
    field("Album1", 30);
    field("1987", 4);
    field("", 30);
    block += static_cast<char>(genre);
    return block;
}

} // namespace orvanta::test
