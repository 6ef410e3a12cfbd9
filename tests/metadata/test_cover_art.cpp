#include "core/metadata/uCoverArt.h"
#include "support/Mp3Files.h"

#include <gtest/gtest.h>

namespace orvanta {
namespace {

std::string Size32(std::size_t N) {
    return {char(N >> 24), char(N >> 16), char(N >> 8), char(N)};
}

// A PNG header of the given size, enough for the size to be read.
std::string Png(std::uint32_t W, std::uint32_t H) {
    return std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16) + Size32(W) + Size32(H) + "rest";
}

std::string Tag(int Version, const std::string& Frames) {
    const std::size_t n = Frames.size();
    return std::string("ID3") + char(Version) + std::string(2, '\0') +
           std::string{char((n >> 21) & 0x7F), char((n >> 14) & 0x7F), char((n >> 7) & 0x7F),
                       char(n & 0x7F)} +
           Frames;
}

std::string Apic(char Type, const std::string& Image) {
    const std::string content =
        std::string("\0image/png\0", 11) + Type + std::string("d\0", 2) + Image;
    return "APIC" + Size32(content.size()) + std::string(2, '\0') + content;
}

TEST(CoverArt, FrontCoverElseFirstPictureElseAFileBesideElseNone) {
    const std::string audio = std::string("\xFF\xFB\x90\x64", 4) + std::string(500, '\x11');
    const std::string pic22 = std::string("\0PNG\x03\0", 6) + Png(5, 6);
    const std::string jpeg =
        std::string("\xFF\xD8\xFF\xE0\0\x04xx\xFF\xC0\0\x11\x08\0\x07\0\x09", 17);
    const struct {
        std::string File;
        std::string Beside; // name of a picture file in the same folder
        std::string Mime;   // empty: no art expected
        int Width, Height;
    } cases[] = {
        {Tag(3, Apic(0, Png(1, 2)) + Apic(3, Png(3, 4))) + audio, "cover.jpg", "image/png", 3, 4},
        {Tag(3, Apic(4, Png(1, 2)) + Apic(5, Png(3, 4))) + audio, "", "image/png", 1, 2},
        {Tag(2, "PIC" + Size32(pic22.size()).substr(1) + pic22) + audio, "", "image/png", 5, 6},
        {audio, "Folder.JPG", "image/jpeg", 9, 7},
        {audio, "back.jpg", "", 0, 0},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        const std::string file = dir.write("a.mp3", c.File);
        if (!c.Beside.empty())
            dir.write(c.Beside, jpeg);
        const auto art = FindCoverArt(file);
        ASSERT_EQ(art.has_value(), !c.Mime.empty()) << c.Beside;
        if (!art)
            continue;
        EXPECT_EQ(art->Mime, c.Mime);
        EXPECT_EQ(art->Width, c.Width);
        EXPECT_EQ(art->Height, c.Height);
    }
}

} // namespace
} // namespace orvanta
