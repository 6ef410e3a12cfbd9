#pragma once

#include "support/TempDir.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

namespace orvanta::test {

// Real MP3 files made once per test run by lame, sox and ffmpeg; tests copy the one they need.
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
            ADD_FAILURE() << "could not make a test file: " << Command;
    }
    TempDir FDir;
};

// Runs a shell command and returns its standard output.
inline std::string Capture(const std::string& Command, int* ExitCode = nullptr) {
    std::string out;
    FILE* pipe = ::popen(Command.c_str(), "r");
    if (!pipe)
        return out;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, got);
    const int status = ::pclose(pipe);
    if (ExitCode)
        *ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

// What mutagen (an independent reader) finds in a file: {"version": [2,3,0], "frames":
// {"TIT2": "...", "COMM": "...", "APIC": <bytes of picture>, ...}, "v1": {...} or null}.
inline nlohmann::json Mutagen(const std::string& File) {
    const std::string script = R"PY(
import json, sys
from mutagen.id3 import ID3, ParseID3v1, ID3NoHeaderError
path = sys.argv[1]
out = {"version": None, "frames": {}, "v1": None}
try:
    tag = ID3(path, load_v1=False, translate=False)
    out["version"] = list(tag.version)
    for key, frame in tag.items():
        kind = key.split(":")[0]
        if kind == "APIC" or kind == "PRIV":
            out["frames"][kind] = len(frame.data)
        elif kind in ("COMM", "WXXX"):
            out["frames"][kind] = frame.text[0] if kind == "COMM" else frame.url
        else:
            out["frames"][kind] = "/".join(str(t) for t in frame.text)
except ID3NoHeaderError:
    pass
with open(path, "rb") as f:
    f.seek(-128, 2)
    v1 = ParseID3v1(f.read(128))
    if v1:
        out["v1"] = {k: "/".join(str(t) for t in v.text) for k, v in v1.items()}
print(json.dumps(out))
)PY";
    const std::string out =
        Capture("/usr/bin/python3 -c '" + script + "' '" + File + "' 2>/dev/null");
    return out.empty() ? nlohmann::json() : nlohmann::json::parse(out);
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
