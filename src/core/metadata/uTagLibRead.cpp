#include "core/metadata/uTagLibRead.h"

#include "core/common/uTFileUtils.h"
#include "core/metadata/uFormatPictures.h"
#include "core/metadata/uTagLibFile.h"

#include <algorithm>
#include <cctype>

#include <taglib/aifffile.h>
#include <taglib/flacfile.h>
#include <taglib/mp4file.h>
#include <taglib/tfilestream.h>
#include <taglib/tpropertymap.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>

namespace orvanta {

namespace {

std::string Upper(std::string Text) {
    std::transform(Text.begin(), Text.end(), Text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return Text;
}

std::string Trimmed(std::string_view Text) {
    const auto first = Text.find_first_not_of(' ');
    const auto last = Text.find_last_not_of(' ');
    return first == std::string_view::npos ? std::string()
                                           : std::string(Text.substr(first, last - first + 1));
}

// "3/12" under NumberKey becomes 3, and 12 under TotalKey unless the tag has that field itself;
// a number of 0 is a tag that knows only the total.
void SplitTotal(TTagEntries& Tags, const std::string& NumberKey, const std::string& TotalKey) {
    bool hasTotal = !TagValues(Tags, TotalKey).empty();
    TTagEntries split;
    for (TTagEntry& entry : Tags) {
        const auto slash = entry.Key == NumberKey ? entry.Value.find('/') : std::string::npos;
        if (slash == std::string::npos) {
            split.push_back(std::move(entry));
            continue;
        }
        const std::string number = Trimmed(std::string_view(entry.Value).substr(0, slash));
        const std::string total = Trimmed(std::string_view(entry.Value).substr(slash + 1));
        if (number.find_first_not_of('0') != std::string::npos)
            split.push_back({NumberKey, number});
        if (!hasTotal && !total.empty()) {
            split.push_back({TotalKey, total});
            hasTotal = true;
        }
    }
    Tags = std::move(split);
}

TTagEntries EntriesOf(const TagLib::PropertyMap& Map) {
    TTagEntries tags;
    for (const auto& [key, values] : Map)
        for (const TagLib::String& value : values)
            tags.push_back({Upper(taglib::Utf8(key)), taglib::Utf8(value)});
    SplitTotal(tags, "TRACKNUMBER", "TRACKTOTAL");
    SplitTotal(tags, "DISCNUMBER", "DISCTOTAL");
    return tags;
}

bool IsPcmCompression(const TagLib::ByteVector& Type) {
    for (const char* pcm : {"NONE", "sowt", "twos", "raw ", "fl32", "fl64", "in24", "in32"})
        if (Type == TagLib::ByteVector(pcm, 4))
            return true;
    return false;
}

// BitsPerSample and Codec, which only each format's own properties know.
void FormatProperties(TagLib::File& File, TAudioFormat Format, TAudioProperties& Properties) {
    switch (Format) {
    case TAudioFormat::FLAC:
        Properties.Codec = "FLAC";
        if (auto* p = static_cast<TagLib::FLAC::File&>(File).audioProperties())
            Properties.BitsPerSample = p->bitsPerSample();
        break;
    case TAudioFormat::OggVorbis:
        Properties.Codec = "Vorbis";
        break;
    case TAudioFormat::Opus:
        Properties.Codec = "Opus";
        break;
    case TAudioFormat::M4A:
        if (auto* p = static_cast<TagLib::MP4::File&>(File).audioProperties()) {
            const bool alac = p->codec() == TagLib::MP4::Properties::ALAC;
            Properties.Codec = alac                                         ? "ALAC"
                               : p->codec() == TagLib::MP4::Properties::AAC ? "AAC"
                                                                            : "";
            Properties.BitsPerSample = alac ? p->bitsPerSample() : 0;
        }
        break;
    case TAudioFormat::WavPack:
        Properties.Codec = "WavPack";
        if (auto* p = static_cast<TagLib::WavPack::File&>(File).audioProperties())
            Properties.BitsPerSample = p->bitsPerSample();
        break;
    case TAudioFormat::WAV:
        if (auto* p = static_cast<TagLib::RIFF::WAV::File&>(File).audioProperties()) {
            // WAVE format tags: 1 integer PCM, 3 IEEE float, 0xFFFE extensible.
            const int tag = p->format();
            Properties.Codec = tag == 1 || tag == 3 || tag == 0xFFFE ? "PCM" : "";
            Properties.BitsPerSample = p->bitsPerSample();
        }
        break;
    case TAudioFormat::AIFF:
        if (auto* p = static_cast<TagLib::RIFF::AIFF::File&>(File).audioProperties()) {
            Properties.Codec = !p->isAiffC() || IsPcmCompression(p->compressionType()) ? "PCM" : "";
            Properties.BitsPerSample = p->bitsPerSample();
        }
        break;
    case TAudioFormat::MP3:
    case TAudioFormat::Unknown:
        break;
    }
}

} // namespace

bool ReadWithTagLib(TagLib::IOStream& Stream, TAudioFormat Format, TAudioInfo& Info,
                    bool WithPictures) {
    const std::unique_ptr<TagLib::File> file = taglib::Open(Stream, Format, true);
    if (!file)
        return false;
    TAudioInfo info;
    info.Format = Format;
    if (const TagLib::AudioProperties* p = file->audioProperties()) {
        info.Properties.Milliseconds = p->lengthInMilliseconds();
        info.Properties.Bitrate = p->bitrate();
        info.Properties.SampleRate = p->sampleRate();
        info.Properties.Channels = p->channels();
    }
    FormatProperties(*file, Format, info.Properties);
    info.Tags = EntriesOf(file->properties());
    if (WithPictures)
        info.Pictures = taglib::ReadPictures(*file, Format);
    Info = std::move(info);
    return true;
}

bool ReadWithTagLib(const std::string& Path, TAudioFormat Format, TAudioInfo& Info,
                    bool WithPictures) {
    // A FIFO or device would block TagLib's reader or feed it for ever.
    if (!TFileUtils::IsRegularFile(Path))
        return false;
    TagLib::FileStream stream(Path.c_str(), true);
    return stream.isOpen() && ReadWithTagLib(stream, Format, Info, WithPictures);
}

} // namespace orvanta
