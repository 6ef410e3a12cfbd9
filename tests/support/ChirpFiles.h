#pragma once

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "support/Shell.h"
#include "support/TempDir.h"

namespace orvanta::test {

// The mono 48 kHz samples of an audio file or a raw F32LE file, as floats.
inline std::vector<float> ReadFloats(const std::string& RawFile) {
    std::ifstream in(RawFile, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<float> samples(bytes.size() / sizeof(float));
    std::copy_n(bytes.data(), samples.size() * sizeof(float),
                reinterpret_cast<char*>(samples.data()));
    return samples;
}

// A chirp (its pitch rises, so no stretch of it looks like another) of 1.5 s at 48 kHz, mono,
// amplitude 0.5, cut at sample Cut into two files First and Second of one format made by
// ffmpeg (MP3 by lame). Ext names the format: "flac", "ogg" (Vorbis), "opus", "wv", "alac.m4a",
// "mp3" (with LAME's encoder delay header). Samples holds the chirp as it was before encoding.
struct TChirpCut {
    std::string First;
    std::string Second;
    std::vector<float> Samples;
};

inline TChirpCut MakeChirpCut(const TempDir& Dir, const std::string& Ext, long Cut) {
    const std::string codec = Ext == "flac"   ? "flac"
                              : Ext == "ogg"  ? "libvorbis"
                              : Ext == "opus" ? "libopus"
                              : Ext == "wv"   ? "wavpack"
                                              : "alac";
    const std::string whole = Dir.file("chirp.wav");
    const std::string raw = Dir.file("chirp.raw");
    const auto run = [](const std::string& Command) {
        if (std::system(("ffmpeg -v error -y " + Command).c_str()) != 0)
            throw std::runtime_error("ffmpeg failed: " + Command);
    };
    run("-f lavfi -i \"aevalsrc=exprs='0.5*sin(2*PI*(300*t+400*t*t))':s=48000:d=1.5\" "
        "-c:a pcm_s16le " +
        shellQuoted(whole));
    run("-i " + shellQuoted(whole) + " -f f32le " + shellQuoted(raw));
    TChirpCut cut{Dir.file("first." + Ext), Dir.file("second." + Ext), ReadFloats(raw)};
    // LAME's own header carries the encoder delay that GStreamer honours; ffmpeg's does not.
    const bool lame = Ext == "mp3";
    const std::string first = lame ? Dir.file("first.wav") : cut.First;
    const std::string second = lame ? Dir.file("second.wav") : cut.Second;
    const std::string encode = lame ? " -c:a pcm_s16le " : " -c:a " + codec + " ";
    run("-i " + shellQuoted(whole) + " -af atrim=end_sample=" + std::to_string(Cut) + encode +
        shellQuoted(first));
    run("-i " + shellQuoted(whole) + " -af atrim=start_sample=" + std::to_string(Cut) +
        ",asetpts=PTS-STARTPTS" + encode + shellQuoted(second));
    for (const auto& [wav, mp3] : {std::pair{first, cut.First}, std::pair{second, cut.Second}})
        if (lame &&
            std::system(("lame --quiet " + shellQuoted(wav) + " " + shellQuoted(mp3)).c_str()) != 0)
            throw std::runtime_error("lame failed on " + wav);
    return cut;
}

// Sets tags of File with mutagen: each pair a key and its value ("REPLAYGAIN_TRACK_GAIN",
// "-6.00 dB").
inline void TagWithMutagen(const std::string& File,
                           const std::vector<std::pair<std::string, std::string>>& Tags) {
    std::string script = "import mutagen,sys; f=mutagen.File(sys.argv[1])\n";
    for (const auto& [key, value] : Tags)
        script += "f['" + key + "']=['" + value + "']\n";
    script += "f.save()";
    if (std::system(
            ("/usr/bin/python3 -c " + shellQuoted(script) + " " + shellQuoted(File)).c_str()) != 0)
        throw std::runtime_error("mutagen could not tag " + File);
}

} // namespace orvanta::test
