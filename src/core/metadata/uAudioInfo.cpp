#include "core/metadata/uAudioInfo.h"

#include "core/common/uTStringUtils.h"

namespace orvanta {

std::string_view FormatName(TAudioFormat Format) {
    switch (Format) {
    case TAudioFormat::MP3:
        return "MP3";
    case TAudioFormat::FLAC:
        return "FLAC";
    case TAudioFormat::OggVorbis:
        return "Ogg Vorbis";
    case TAudioFormat::Opus:
        return "Opus";
    case TAudioFormat::M4A:
        return "M4A";
    case TAudioFormat::WavPack:
        return "WavPack";
    case TAudioFormat::WAV:
        return "WAV";
    case TAudioFormat::AIFF:
        return "AIFF";
    case TAudioFormat::Unknown:
        break;
    }
    return {};
}

std::string TagKey(std::string_view Key) {
    return UpperAscii(Key);
}

std::vector<std::string> TagValues(const TTagEntries& Entries, std::string_view Key) {
    std::vector<std::string> values;
    for (const TTagEntry& entry : Entries)
        if (entry.Key == Key)
            values.push_back(entry.Value);
    return values;
}

std::string MimeOfData(std::string_view Data) {
    if (Data.starts_with("\xFF\xD8\xFF"))
        return "image/jpeg";
    if (Data.starts_with("\x89PNG"))
        return "image/png";
    if (Data.starts_with("GIF8"))
        return "image/gif";
    if (Data.starts_with("BM"))
        return "image/bmp";
    return {};
}

} // namespace orvanta
