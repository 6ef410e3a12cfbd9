#pragma once

// What a reader of any audio format gives back: the format, the stream's properties, the tag's
// fields under one set of names, and the pictures. MP3 keeps its own ID3 and MPEG classes; the
// other formats are read into this.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvanta {

class TByteSource;

enum class TAudioFormat { Unknown, MP3, FLAC, OggVorbis, Opus, M4A, WavPack, WAV, AIFF };

// The name the Format column and the CLI show: "MP3", "FLAC", "Ogg Vorbis", "Opus", "M4A",
// "WavPack", "WAV", "AIFF"; empty for Unknown.
std::string_view FormatName(TAudioFormat Format);

struct TAudioProperties {
    std::int64_t Milliseconds = 0;
    // Average bit rate in kbit/s.
    std::int32_t Bitrate = 0;
    std::int32_t SampleRate = 0;
    // 0 for lossy codecs.
    std::int32_t BitsPerSample = 0;
    std::int32_t Channels = 0;
    // "MP3", "FLAC", "Vorbis", "Opus", "AAC", "ALAC", "WavPack", "PCM".
    std::string Codec;
};

// One value of a tag field. Keys are in one spelling for every format, the Vorbis comment
// names in upper case: TITLE, ARTIST, ALBUM, ALBUMARTIST, DATE, GENRE, COMPOSER, COMMENT,
// TRACKNUMBER, TRACKTOTAL, DISCNUMBER, DISCTOTAL, LANGUAGE, REPLAYGAIN_TRACK_GAIN,
// REPLAYGAIN_TRACK_PEAK, REPLAYGAIN_ALBUM_GAIN, REPLAYGAIN_ALBUM_PEAK, R128_TRACK_GAIN,
// R128_ALBUM_GAIN; any other key as the file spells it, upper-cased. A field with several
// values repeats its key, in the file's order.
struct TTagEntry {
    std::string Key;
    std::string Value;
    bool operator==(const TTagEntry&) const = default;
};
using TTagEntries = std::vector<TTagEntry>;

// A key in the common spelling: its ASCII letters in upper case, whatever the locale.
std::string TagKey(std::string_view Key);

// The values of Key in Entries, in order.
std::vector<std::string> TagValues(const TTagEntries& Entries, std::string_view Key);

// A picture as FLAC's picture block and the formats that copy it describe one.
struct TPicture {
    // The picture type of ID3v2's APIC: 3 is the front cover.
    std::uint32_t Type = 3;
    std::string Mime;
    std::string Description;
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::uint32_t Depth = 0;
    std::uint32_t Colors = 0;
    std::string Data;
    bool operator==(const TPicture&) const = default;
};

struct TAudioInfo {
    TAudioFormat Format = TAudioFormat::Unknown;
    TAudioProperties Properties;
    TTagEntries Tags;
    // Filled only when a read asks for pictures: an import never does.
    std::vector<TPicture> Pictures;
};

// The MIME type of a picture's bytes by their signature (JPEG, PNG, GIF, BMP); empty when none.
std::string MimeOfData(std::string_view Data);

} // namespace orvanta
