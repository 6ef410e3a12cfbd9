// Reads a tag, changes fields, writes it back, and checks that the audio behind the tag is
// untouched and that the new tag reads back with the new values.
#include "core/metadata/ID3v2.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace {

std::string ReadFile(const std::string& Path) {
    std::ifstream in(Path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::int64_t TagBytes(const std::string& Bytes) {
    if (Bytes.size() < 10 || Bytes.compare(0, 3, "ID3") != 0)
        return 0;
    const auto b = [&](int i) { return std::int64_t(std::uint8_t(Bytes[std::size_t(i)])); };
    std::int64_t total = (b(6) << 21) + (b(7) << 14) + (b(8) << 7) + b(9) + 10;
    if (b(5) & 0x10)
        total += 10;
    return total > std::int64_t(Bytes.size()) ? 0 : total;
}

// On tmpfs, so that the flush of each rewrite costs nothing.
const std::string Path = "/dev/shm/orvanta-fuzz-tag-writer-" + std::to_string(::getpid()) + ".mp3";
const bool Cleanup = std::atexit([] { ::unlink(Path.c_str()); }) == 0;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const std::string& path = Path;
    const std::string input(reinterpret_cast<const char*>(Data), Size);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << input;
    }
    orvanta::TID3v2 tag;
    if (!tag.LoadTag(path))
        return 0;
    const std::string audio = input.substr(std::size_t(tag.TagSize()));
    // The last input byte picks which fields change, so every frame kind gets replaced.
    const std::uint8_t pick = Size ? Data[Size - 1] : 0;
    tag.SetTitle("Fuzzed title \xE2\x98\x83");
    if (pick & 1)
        tag.SetComment("Kommentar \xE2\x98\x83");
    if (pick & 2)
        tag.SetYear("");
    if (pick & 4)
        tag.SetGenre("Rock");
    if (pick & 8)
        tag.SetTrack(std::uint16_t(pick));
    if (!tag.StoreTag(path))
        return 0;
    const std::string written = ReadFile(path);
    if (written.substr(std::size_t(TagBytes(written))) != audio)
        std::abort(); // the audio changed
    orvanta::TID3v2 back;
    if (!back.LoadTag(path) || back.Title() != "Fuzzed title \xE2\x98\x83" ||
        ((pick & 1) && back.Comment() != "Kommentar \xE2\x98\x83"))
        std::abort(); // the new tag does not read back
    return 0;
}
