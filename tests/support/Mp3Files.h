#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "support/Shell.h"
#include "support/TempDir.h"

namespace orvanta::test {

// Real MP3 files, made by sox, lame and ffmpeg, and tags as bytes.

// Encodes Seconds of a 440 Hz tone with lame into Folder/Name, passing LameOptions (shell
// words: tags, mode) on; the path, or empty when a tool failed.
inline std::string makeMp3(const std::string& folder, const std::string& name, double seconds,
                           const std::string& lameOptions = "--id3v1-only", int channels = 1) {
    const std::string wav = folder + "/" + name + ".wav";
    const std::string mp3 = folder + "/" + name;
    const std::string command =
        "sox -n -r 44100 -c " + std::to_string(channels) + " -b 16 " + shellQuoted(wav) +
        " synth " + std::to_string(seconds) + " sine 440 && lame --quiet -b 128 " + lameOptions +
        " " + shellQuoted(wav) + " " + shellQuoted(mp3) + " && rm " + shellQuoted(wav);
    if (std::system(command.c_str()) != 0)
        return {};
    return mp3;
}
inline std::string makeMp3(const TempDir& dir, const std::string& name, double seconds,
                           const std::string& lameOptions = "--id3v1-only") {
    return makeMp3(dir.str(), name, seconds, lameOptions);
}

// One second of a 440 Hz tone at 128 kbit/s without any tag, encoded once per test process.
inline const std::string& SampleMp3Bytes() {
    static const std::string bytes = [] {
        TempDir dir;
        const std::string mp3 = makeMp3(dir, "tone.mp3", 1, "");
        if (mp3.empty())
            throw std::runtime_error("sox or lame failed");
        return readAll(mp3);
    }();
    return bytes;
}

// Writes a copy of the sample MP3 to Path.
inline void WriteMp3(const std::string& Path) {
    std::ofstream(Path, std::ios::binary) << SampleMp3Bytes();
}

// Files of several encoders, made once per test run; tests copy the one they need.
class MP3Fixtures {
public:
    static const MP3Fixtures& Get() {
        static const MP3Fixtures fixtures;
        return fixtures;
    }

    // "cbr": lame 128 kbit/s without Xing frame, 2 s stereo 44.1 kHz (a LAME mark in its
    // frames); "vbr": lame -V 4 with Xing; "mono22": lame VBR mono 22.05 kHz (MPEG 2);
    // "ffmpeg": ffmpeg with a version 4 tag; "sox": sox's own MP3 output.
    std::string Path(const std::string& Name) const { return FDir.file(Name + ".mp3"); }

    std::string CopyTo(const TempDir& Dir, const std::string& Name) const {
        const std::string target = Dir.file(Name + ".mp3");
        std::filesystem::copy_file(Path(Name), target);
        return target;
    }

private:
    MP3Fixtures() {
        const std::string wav = FDir.file("tone.wav");
        Run("sox -n -r 44100 -c 2 '" + wav + "' synth 2 sine 440 sine 660");
        Run("lame --quiet -b 128 -t '" + wav + "' '" + Path("cbr") + "'");
        Run("lame --quiet -V 4 '" + wav + "' '" + Path("vbr") + "'");
        Run("lame --quiet -V 6 -m m --resample 22.05 '" + wav + "' '" + Path("mono22") + "'");
        Run("ffmpeg -loglevel error -y -i '" + wav +
            "' -c:a libmp3lame -b:a 96k -metadata "
            "title='Fünf ☃' -metadata artist=Ffmpeg '" +
            Path("ffmpeg") + "'");
        Run("sox '" + wav + "' '" + Path("sox") + "'");
    }
    static void Run(const std::string& Command) {
        if (std::system(Command.c_str()) != 0)
            throw std::runtime_error("could not make a test file: " + Command);
    }
    TempDir FDir;
};

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

// ID3v2 tags as bytes: a frame of a version (2, 3 or 4), a tag of frames and padding, the
// content of a single-byte text frame.
inline std::string BE(std::uint32_t V, int Bytes) {
    std::string s;
    for (int i = Bytes - 1; i >= 0; --i)
        s += char((V >> (8 * i)) & 0xFF);
    return s;
}
inline std::string Syncsafe(std::uint32_t V) {
    return {char((V >> 21) & 0x7F), char((V >> 14) & 0x7F), char((V >> 7) & 0x7F), char(V & 0x7F)};
}
inline std::string Frame(int Version, std::string_view Id, std::string_view Content,
                         std::string_view Flags = std::string_view("\0\0", 2)) {
    if (Version == 2)
        return std::string(Id) + BE(std::uint32_t(Content.size()), 3) + std::string(Content);
    return std::string(Id) +
           (Version == 4 ? Syncsafe(std::uint32_t(Content.size()))
                         : BE(std::uint32_t(Content.size()), 4)) +
           std::string(Flags) + std::string(Content);
}
inline std::string Tag(int Version, const std::string& Frames, std::size_t Padding = 0,
                       char Flags = 0) {
    const std::string body = Frames + std::string(Padding, '\0');
    return "ID3" + std::string{char(Version), 0, Flags} + Syncsafe(std::uint32_t(body.size())) +
           body;
}
inline std::string Text(std::string_view S) {
    std::string out(1, '\0');
    return out.append(S);
}
// Bytes of the file between its ID3v2 tag and its ID3v1 tag, found without Orvanta's readers.
inline std::string AudioBytes(const std::string& File) {
    std::string bytes = readAll(File);
    std::size_t start = 0;
    if (bytes.size() >= 10 && bytes.compare(0, 3, "ID3") == 0) {
        const auto b = [&](int i) { return std::size_t(std::uint8_t(bytes[i])); };
        start = 10 + (b(6) << 21) + (b(7) << 14) + (b(8) << 7) + b(9);
    }
    std::size_t end = bytes.size();
    if (end >= 128 && bytes.compare(end - 128, 3, "TAG") == 0)
        end -= 128;
    return start <= end ? bytes.substr(start, end - start) : std::string();
}

} // namespace orvanta::test
