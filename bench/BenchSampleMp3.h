#pragma once

// The file the batch benchmarks write many copies of.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace bench {

// A tenth of a second of tone, with an ID3v2.3 tag holding a title and a 10 KB cover; empty
// when sox or lame failed.
inline std::string SampleMp3(const std::filesystem::path& Folder) {
    const std::string wav = (Folder / "tone.wav").string();
    const std::string mp3 = (Folder / "tone.mp3").string();
    if (std::system(("sox -n -r 44100 -c 1 -b 16 '" + wav +
                     "' synth 0.1 sine 440 && lame "
                     "--quiet -b 128 '" +
                     wav + "' '" + mp3 + "'")
                        .c_str()) != 0)
        return {};
    std::ifstream in(mp3, std::ios::binary);
    const std::string audio{std::istreambuf_iterator<char>(in), {}};
    std::filesystem::remove(wav);
    std::filesystem::remove(mp3);
    const auto frame = [](const std::string& Id, const std::string& Content) {
        const auto size = static_cast<std::uint32_t>(Content.size());
        return Id + std::string{char(size >> 24), char(size >> 16), char(size >> 8), char(size)} +
               std::string(2, '\0') + Content;
    };
    const std::string frames =
        frame("TIT2", std::string(1, '\0') + "A Title") +
        frame("APIC", std::string("\0image/jpeg\0\3\0", 14) + std::string(10240, 'x'));
    const std::size_t size = frames.size() + 1024;
    std::string tag = "ID3";
    tag += std::string{3, 0, 0};
    for (int shift = 21; shift >= 0; shift -= 7)
        tag += char((size >> shift) & 0x7F);
    return tag + frames + std::string(1024, '\0') + audio;
}

} // namespace bench
