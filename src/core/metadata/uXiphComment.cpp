#include "core/metadata/uXiphComment.h"

#include "core/metadata/uTagFile.h"
#include "core/metadata/uTagText.h"

#include <algorithm>
#include <array>

namespace orvanta {

namespace {

// A key is at most this long; an entry whose "=" comes later is not a field.
constexpr std::size_t KeyPrefixBytes = 64;
constexpr std::int64_t ReadAheadBytes = 4096;
constexpr std::size_t MaxBase64Bytes = (MaxPictureBytes + 2) / 3 * 4;

std::uint32_t BigEndian32(std::string_view Bytes, std::size_t At) {
    return std::uint32_t(std::uint8_t(Bytes[At])) << 24 |
           std::uint32_t(std::uint8_t(Bytes[At + 1])) << 16 |
           std::uint32_t(std::uint8_t(Bytes[At + 2])) << 8 | std::uint8_t(Bytes[At + 3]);
}

// The older cover field holds the bare image; its type is in COVERARTMIME or in its first bytes.
std::string ImageMime(std::string_view Data, const std::string& Given) {
    if (Data.starts_with("\x89PNG"))
        return "image/png";
    if (Data.starts_with("\xFF\xD8"))
        return "image/jpeg";
    return Given;
}

} // namespace

void TRangeReader::Add(std::int64_t Offset, std::int64_t Count) {
    if (Count <= 0)
        return;
    FRanges.push_back({Offset, Count});
    FLeft += Count;
}

bool TRangeReader::Read(void* Out, std::size_t Count) {
    if (std::int64_t(Count) > FLeft) {
        Skip(FLeft);
        return false;
    }
    auto* out = static_cast<char*>(Out);
    while (Count > 0) {
        const TRange& range = FRanges[FIndex];
        const auto n = std::size_t(std::min<std::int64_t>(range.Count - FAt, std::int64_t(Count)));
        if (FSource.ReadAt(range.Offset + FAt, out, n) != std::int64_t(n)) {
            Skip(FLeft);
            return false;
        }
        out += n;
        Count -= n;
        Skip(std::int64_t(n));
    }
    return true;
}

bool TRangeReader::Append(std::string& Out, std::size_t Count) {
    if (std::int64_t(Count) > FLeft) {
        Skip(FLeft);
        return false;
    }
    const std::size_t old = Out.size();
    Out.resize(old + Count);
    if (Read(Out.data() + old, Count))
        return true;
    Out.resize(old);
    return false;
}

bool TRangeReader::ReadU32LE(std::uint32_t& Value) {
    std::array<std::uint8_t, 4> b{};
    if (!Read(b.data(), b.size()))
        return false;
    Value = std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
            std::uint32_t(b[3]) << 24;
    return true;
}

bool TRangeReader::Skip(std::int64_t Count) {
    if (Count > FLeft || Count < 0) {
        Skip(FLeft);
        return false;
    }
    FLeft -= Count;
    const bool far = Count > ReadAheadBytes;
    while (Count > 0) {
        const std::int64_t n = std::min(FRanges[FIndex].Count - FAt, Count);
        FAt += n;
        Count -= n;
        if (FAt == FRanges[FIndex].Count && FIndex + 1 < FRanges.size()) {
            ++FIndex;
            FAt = 0;
        }
    }
    // Past a picture left unread, the entries that follow come with one read.
    if (far && FLeft > 0)
        FSource.WillRead(FRanges[FIndex].Offset + FAt,
                         std::size_t(std::min(FRanges[FIndex].Count - FAt, ReadAheadBytes)));
    return true;
}

bool ReadVorbisComment(TRangeReader& Reader, TTagEntries& Tags, std::vector<TPicture>* Pictures) {
    std::uint32_t vendor = 0;
    std::uint32_t count = 0;
    if (!Reader.ReadU32LE(vendor) || !Reader.Skip(vendor) || !Reader.ReadU32LE(count))
        return false;
    std::string coverMime;
    const std::size_t firstPicture = Pictures ? Pictures->size() : 0;
    std::vector<std::size_t> covers; // COVERART pictures, which take COVERARTMIME at the end
    std::string entry;
    for (std::uint32_t i = 0; i < count && Tags.size() < MaxCommentEntries; ++i) {
        std::uint32_t length = 0;
        if (!Reader.ReadU32LE(length) || length > Reader.Left())
            return false;
        entry.clear();
        const std::size_t prefix = std::min<std::size_t>(length, KeyPrefixBytes);
        if (!Reader.Append(entry, prefix))
            return false;
        const std::size_t rest = length - prefix;
        const std::size_t equals = entry.find('=');
        if (equals == 0 || equals == std::string::npos) {
            if (!Reader.Skip(std::int64_t(rest)))
                return false;
            continue;
        }
        std::string key = TagKey(tagtext::SanitizeUtf8(std::string_view(entry).substr(0, equals)));
        const bool block = key == "METADATA_BLOCK_PICTURE";
        const bool cover = key == "COVERART";
        const bool picture = block || cover;
        const bool wanted =
            picture ? Pictures && length <= MaxBase64Bytes : length <= MaxCommentTextBytes;
        if (!wanted) {
            if (!Reader.Skip(std::int64_t(rest)))
                return false;
            continue;
        }
        if (!Reader.Append(entry, rest))
            return false;
        const std::string_view value = std::string_view(entry).substr(equals + 1);
        if (key == "COVERARTMIME") {
            coverMime = tagtext::SanitizeUtf8(value);
        } else if (picture) {
            // A picture that does not decode is dropped; the other fields still count.
            std::string data;
            TPicture image;
            if (!DecodeBase64(value, data))
                continue;
            if (block && ParseFlacPicture(data, image)) {
                Pictures->push_back(std::move(image));
            } else if (cover) {
                image.Data = std::move(data);
                covers.push_back(Pictures->size());
                Pictures->push_back(std::move(image));
            }
        } else {
            Tags.push_back({std::move(key), tagtext::SanitizeUtf8(value)});
        }
    }
    for (std::size_t index : covers)
        if (index >= firstPicture)
            (*Pictures)[index].Mime = ImageMime((*Pictures)[index].Data, coverMime);
    return true;
}

bool ParseFlacPicture(std::string_view Bytes, TPicture& Picture) {
    std::size_t at = 0;
    const auto u32 = [&](std::uint32_t& Value) {
        if (Bytes.size() - at < 4)
            return false;
        Value = BigEndian32(Bytes, at);
        at += 4;
        return true;
    };
    const auto text = [&](std::string& Value) {
        std::uint32_t length = 0;
        if (!u32(length) || length > Bytes.size() - at)
            return false;
        Value = tagtext::SanitizeUtf8(Bytes.substr(at, length));
        at += length;
        return true;
    };
    std::uint32_t dataLength = 0;
    if (!u32(Picture.Type) || !text(Picture.Mime) || !text(Picture.Description) ||
        !u32(Picture.Width) || !u32(Picture.Height) || !u32(Picture.Depth) ||
        !u32(Picture.Colors) || !u32(dataLength) || dataLength > Bytes.size() - at)
        return false;
    Picture.Data.assign(Bytes.substr(at, dataLength));
    return true;
}

bool DecodeBase64(std::string_view Text, std::string& Out) {
    while (!Text.empty() && Text.back() == '=')
        Text.remove_suffix(1);
    if (Text.size() % 4 == 1)
        return false;
    Out.clear();
    Out.reserve(Text.size() / 4 * 3 + 2);
    std::uint32_t bits = 0;
    int count = 0;
    for (char c : Text) {
        int v = 0;
        if (c >= 'A' && c <= 'Z')
            v = c - 'A';
        else if (c >= 'a' && c <= 'z')
            v = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            v = c - '0' + 52;
        else if (c == '+')
            v = 62;
        else if (c == '/')
            v = 63;
        else
            return false;
        bits = (bits << 6) | std::uint32_t(v);
        if (++count == 4) {
            Out += char(bits >> 16);
            Out += char(bits >> 8);
            Out += char(bits);
            bits = 0;
            count = 0;
        }
    }
    if (count == 2) {
        Out += char(bits >> 4);
    } else if (count == 3) {
        Out += char(bits >> 10);
        Out += char(bits >> 2);
    }
    return true;
}

} // namespace orvanta
