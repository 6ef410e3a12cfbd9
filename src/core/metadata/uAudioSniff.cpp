#include "core/metadata/uAudioSniff.h"

#include "core/metadata/uTagFile.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

namespace orvanta {

namespace {

constexpr std::size_t HeadBytes = 64;

std::string Lowered(std::string_view Text) {
    std::string lowered(Text);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lowered;
}

std::string ReadBytes(TByteSource& Source, std::int64_t Offset, std::size_t Count) {
    std::string bytes(Count, '\0');
    const std::int64_t got = Source.ReadAt(Offset, bytes.data(), Count);
    bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return bytes;
}

std::uint8_t Byte(std::string_view Bytes, std::size_t At) {
    return At < Bytes.size() ? static_cast<std::uint8_t>(Bytes[At]) : 0;
}

bool At(std::string_view Bytes, std::size_t Offset, std::string_view Signature) {
    return Bytes.size() >= Offset + Signature.size() &&
           Bytes.substr(Offset, Signature.size()) == Signature;
}

// An MPEG audio frame header: 11 sync bits, then no reserved version, layer, bit rate or rate.
bool IsFrameHeader(std::string_view Bytes) {
    const std::uint8_t b1 = Byte(Bytes, 1);
    const std::uint8_t b2 = Byte(Bytes, 2);
    return Bytes.size() >= 4 && Byte(Bytes, 0) == 0xFF && (b1 & 0xE0) == 0xE0 &&
           ((b1 >> 3) & 3) != 1 && ((b1 >> 1) & 3) != 0 && (b2 >> 4) != 15 && ((b2 >> 2) & 3) != 3;
}

// The brands of MP4 files that hold audio; video-only and picture brands (qt, 3gp, heic) are
// not among them.
bool IsAudioBrand(std::string_view Brand) {
    static constexpr std::array<std::string_view, 14> brands = {
        "M4A ", "M4B ", "M4P ", "mp41", "mp42", "isom", "iso2",
        "iso4", "iso5", "iso6", "dash", "MSNV", "F4A ", "F4B "};
    return std::find(brands.begin(), brands.end(), Brand) != brands.end();
}

TAudioFormat SniffMp4(std::string_view Head) {
    // ISO/IEC 14496-12 4.3: the ftyp box holds the major brand, a version and compatible brands.
    const std::uint32_t boxSize = (std::uint32_t(Byte(Head, 0)) << 24) | (Byte(Head, 1) << 16) |
                                  (Byte(Head, 2) << 8) | Byte(Head, 3);
    const std::size_t end = std::min<std::size_t>(Head.size(), boxSize);
    for (std::size_t at = 8; at + 4 <= end; at += at == 8 ? 8 : 4)
        if (IsAudioBrand(Head.substr(at, 4)))
            return TAudioFormat::M4A;
    return TAudioFormat::Unknown;
}

TAudioFormat SniffOgg(std::string_view Head) {
    // RFC 3533: 27 bytes of page header, then the segment table; the first packet follows it.
    if (Head.size() < 27)
        return TAudioFormat::Unknown;
    const std::size_t packet = 27 + Byte(Head, 26);
    if (At(Head, packet, "\x01vorbis"))
        return TAudioFormat::OggVorbis;
    if (At(Head, packet, "OpusHead"))
        return TAudioFormat::Opus;
    return TAudioFormat::Unknown;
}

} // namespace

TAudioFormat FormatOfExtension(std::string_view Extension) {
    if (!Extension.empty() && Extension.front() == '.')
        Extension.remove_prefix(1);
    const std::string ext = Lowered(Extension);
    if (ext == "mp3")
        return TAudioFormat::MP3;
    if (ext == "flac")
        return TAudioFormat::FLAC;
    if (ext == "ogg" || ext == "oga")
        return TAudioFormat::OggVorbis;
    if (ext == "opus")
        return TAudioFormat::Opus;
    if (ext == "m4a" || ext == "m4b" || ext == "mp4")
        return TAudioFormat::M4A;
    if (ext == "wv")
        return TAudioFormat::WavPack;
    if (ext == "wav")
        return TAudioFormat::WAV;
    if (ext == "aif" || ext == "aiff" || ext == "aifc")
        return TAudioFormat::AIFF;
    return TAudioFormat::Unknown;
}

TAudioFormat SniffFormat(TByteSource& Source, std::string_view Extension) {
    const std::string head = ReadBytes(Source, 0, HeadBytes);
    if (At(head, 0, "fLaC"))
        return TAudioFormat::FLAC;
    if (At(head, 0, "OggS"))
        return SniffOgg(head);
    if (At(head, 4, "ftyp"))
        return SniffMp4(head);
    if (At(head, 0, "wvpk"))
        return TAudioFormat::WavPack;
    if (At(head, 0, "RIFF") && head.size() >= 12)
        return At(head, 8, "WAVE") ? TAudioFormat::WAV : TAudioFormat::Unknown;
    if (At(head, 0, "FORM") && head.size() >= 12)
        return At(head, 8, "AIFF") || At(head, 8, "AIFC") ? TAudioFormat::AIFF
                                                          : TAudioFormat::Unknown;
    if (At(head, 0, "ID3") && head.size() >= 10 && Byte(head, 3) < 0xFF) {
        // ID3v2.4 3.1: a syncsafe size that excludes the header and a footer (flag bit 4).
        std::int64_t size =
            10 + ((std::int64_t(Byte(head, 6) & 0x7F) << 21) | ((Byte(head, 7) & 0x7F) << 14) |
                  ((Byte(head, 8) & 0x7F) << 7) | (Byte(head, 9) & 0x7F));
        if ((Byte(head, 5) & 0x10) != 0)
            size += 10;
        const std::string after = ReadBytes(Source, size, 4);
        if (At(after, 0, "fLaC"))
            return TAudioFormat::FLAC;
        if (IsFrameHeader(after))
            return TAudioFormat::MP3;
        const TAudioFormat named = FormatOfExtension(Extension);
        return named == TAudioFormat::Unknown ? TAudioFormat::MP3 : named;
    }
    if (IsFrameHeader(head))
        return TAudioFormat::MP3;
    return FormatOfExtension(Extension);
}

} // namespace orvanta
