#pragma once

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

#include "support/Shell.h"
#include "support/TempDir.h"

namespace orvanta::test {

inline std::string TaggedAudioScript() {
    return std::string(ORVANTA_TEST_DATA) + "/../support/tagged_audio.py";
}

// Tagged files of the formats other than MP3 (see tests/support/tagged_audio.py for their
// fields), each made once per test run; tests copy the one they need. Name is the file name,
// its extension the format ("tone.flac", "tone.alac.m4a").
class AudioFixtures {
public:
    static AudioFixtures& Get() {
        static AudioFixtures fixtures;
        return fixtures;
    }
    std::string CopyTo(const TempDir& Dir, const std::string& Name) {
        const std::string source = FDir.file(Name);
        if (!std::filesystem::exists(source) &&
            std::system(("/usr/bin/python3 " + shellQuoted(TaggedAudioScript()) + " make " +
                         shellQuoted(source))
                            .c_str()) != 0)
            throw std::runtime_error("could not make " + Name);
        const std::string target = Dir.file(Name);
        std::filesystem::copy_file(source, target);
        return target;
    }

private:
    TempDir FDir;
};

// What mutagen reads in File: {"fields": {key: [values]}, "pictures": [...]}.
inline nlohmann::json MutagenDump(const std::string& File) {
    const std::string out = Capture("/usr/bin/python3 " + shellQuoted(TaggedAudioScript()) +
                                    " dump " + shellQuoted(File) + " 2>&1");
    return nlohmann::json::parse(out, nullptr, false);
}

// The decoded audio, as 16-bit samples: a tag change must leave it as it was.
inline std::string DecodedAudio(const std::string& File) {
    return Capture("ffmpeg -v error -i " + shellQuoted(File) + " -map 0:a -f s16le -");
}

} // namespace orvanta::test
