#include "core/metadata/uCoverArt.h"

#include "core/metadata/ID3v2.h"
#include "core/metadata/uTagFile.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

namespace orvanta {

namespace {

// Pictures beyond this are not album art anyone wants loaded.
constexpr std::uintmax_t MaxPictureBytes = 32u << 20;

std::uint32_t BigEndian(std::string_view P) {
    std::uint32_t value = 0;
    for (const char c : P)
        value = (value << 8) | static_cast<std::uint8_t>(c);
    return value;
}

// The pixel size from a PNG or JPEG header, when it is there.
void ReadSize(TCoverArt& Art) {
    const std::string_view b = Art.Bytes;
    if (b.size() >= 24 && b.starts_with("\x89PNG\r\n\x1A\n") && b.substr(12, 4) == "IHDR") {
        Art.Width = int(BigEndian(b.substr(16, 4)) & 0x7FFFFFFF);
        Art.Height = int(BigEndian(b.substr(20, 4)) & 0x7FFFFFFF);
        return;
    }
    if (!b.starts_with("\xFF\xD8"))
        return;
    std::size_t pos = 2;
    while (pos + 9 <= b.size() && static_cast<std::uint8_t>(b[pos]) == 0xFF) {
        const auto marker = static_cast<std::uint8_t>(b[pos + 1]);
        const std::size_t length = BigEndian(b.substr(pos + 2, 2));
        // Start-of-frame markers other than DHT (C4), JPG (C8) and DAC (CC) hold the size.
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
            marker != 0xCC) {
            Art.Height = int(BigEndian(b.substr(pos + 5, 2)));
            Art.Width = int(BigEndian(b.substr(pos + 7, 2)));
            return;
        }
        if (length < 2)
            return;
        pos += 2 + length;
    }
}

// An APIC frame's content: encoding, MIME type, picture type, description, picture.
std::optional<TCoverArt> Picture(std::string_view Content, int& Type) {
    if (Content.size() < 4)
        return std::nullopt;
    const auto encoding = static_cast<std::uint8_t>(Content[0]);
    const std::size_t mimeEnd = Content.find('\0', 1);
    if (mimeEnd == std::string_view::npos || mimeEnd + 1 >= Content.size())
        return std::nullopt;
    TCoverArt art;
    art.Mime = Content.substr(1, mimeEnd - 1);
    Type = static_cast<std::uint8_t>(Content[mimeEnd + 1]);
    std::string_view rest = Content.substr(mimeEnd + 2);
    const std::size_t unit = (encoding == 1 || encoding == 2) ? 2 : 1;
    std::size_t end = 0;
    while (end + unit <= rest.size() && !(rest[end] == 0 && (unit == 1 || rest[end + 1] == 0)))
        end += unit;
    if (end + unit > rest.size())
        return std::nullopt;
    art.Bytes = rest.substr(end + unit);
    if (art.Bytes.empty())
        return std::nullopt;
    ReadSize(art);
    return art;
}

std::optional<TCoverArt> FromTag(const std::string& Path) {
    TFileSource source;
    if (!source.Open(Path))
        return std::nullopt;
    std::optional<TCoverArt> first;
    for (const id3frames::TFrameV3& frame : ReadTagFrames(source)) {
        if (frame.Id != "APIC" || (frame.Flags1 & 0xC0)) // compressed or encrypted
            continue;
        int type = 0;
        auto art = Picture(frame.Content, type);
        if (!art)
            continue;
        if (type == 3)
            return art;
        if (!first)
            first = std::move(art);
    }
    return first;
}

std::string Lowered(std::string Text) {
    for (char& c : Text)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return Text;
}

std::optional<TCoverArt> BesideFile(const std::string& Path) {
    static constexpr std::array<std::string_view, 4> names = {"cover.jpg", "folder.jpg",
                                                              "cover.png", "folder.png"};
    std::array<std::filesystem::path, names.size()> found;
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::path(Path).parent_path();
    for (std::filesystem::directory_iterator it(folder.empty() ? "." : folder, error), end;
         !error && it != end; it.increment(error)) {
        const std::string name = Lowered(it->path().filename().string());
        for (std::size_t i = 0; i < names.size(); ++i)
            if (name == names[i] && found[i].empty() && it->is_regular_file(error))
                found[i] = it->path();
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (found[i].empty())
            continue;
        const std::uintmax_t size = std::filesystem::file_size(found[i], error);
        if (error || size == 0 || size > MaxPictureBytes)
            continue;
        std::ifstream in(found[i], std::ios::binary);
        TCoverArt art;
        art.Mime = i < 2 ? "image/jpeg" : "image/png";
        art.Bytes.resize(std::size_t(size));
        if (!in.read(art.Bytes.data(), std::streamsize(size)))
            continue;
        ReadSize(art);
        return art;
    }
    return std::nullopt;
}

} // namespace

std::optional<TCoverArt> FindCoverArt(const std::string& Path) {
    if (auto art = FromTag(Path))
        return art;
    return BesideFile(Path);
}

} // namespace orvanta
