#include "core/metadata/uTagLibRead.h"

#include "core/common/uTFileUtils.h"
#include "core/metadata/uFormatPictures.h"
#include "core/metadata/uTagLibFile.h"

#include <algorithm>

#include <taglib/aifffile.h>
#include <taglib/flacfile.h>
#include <taglib/mp4file.h>
#include <taglib/tfilestream.h>
#include <taglib/tpropertymap.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>

namespace orvanta {

namespace {

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

// A field under another spelling of a common key takes the common key, unless the tag has
// that too.
void RenameAliases(TTagEntries& Tags) {
    for (const std::string key : {"ALBUMARTIST", "TRACKTOTAL", "DISCTOTAL"}) {
        if (!TagValues(Tags, key).empty())
            continue;
        for (const std::string_view alias : taglib::KeyAliases(key)) {
            const auto spelled = [&](const TTagEntry& Entry) { return Entry.Key == alias; };
            if (std::none_of(Tags.begin(), Tags.end(), spelled))
                continue;
            for (TTagEntry& entry : Tags)
                if (entry.Key == alias)
                    entry.Key = key;
            break;
        }
    }
}

TTagEntries EntriesOf(TagLib::File& File, TAudioFormat Format) {
    const TagLib::PropertyMap map = File.properties();
    TTagEntries tags;
    for (const auto& [key, values] : map)
        for (const TagLib::String& value : values)
            tags.push_back({TagKey(taglib::Utf8(key)), taglib::Utf8(value)});
    // TagLib 1.x leaves out the MP4 free-form fields it has no name for, ReplayGain's among
    // them; their own name is the key.
    auto* mp4 = Format == TAudioFormat::M4A ? static_cast<TagLib::MP4::File&>(File).tag() : nullptr;
    for (const TagLib::String& atom : mp4 ? map.unsupportedData() : TagLib::StringList()) {
        const std::string name = taglib::Utf8(atom);
        if (!name.starts_with(taglib::FreeFormPrefix) || !mp4->contains(atom))
            continue;
        const std::string key = TagKey(name.substr(taglib::FreeFormPrefix.size()));
        if (TagValues(tags, key).empty())
            for (const TagLib::String& value : mp4->item(atom).toStringList())
                tags.push_back({key, taglib::Utf8(value)});
    }
    NormalizeTagLibFields(tags);
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

void NormalizeTagLibFields(TTagEntries& Tags) {
    RenameAliases(Tags);
    SplitTotal(Tags, "TRACKNUMBER", "TRACKTOTAL");
    SplitTotal(Tags, "DISCNUMBER", "DISCTOTAL");
}

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
    info.Tags = EntriesOf(*file, Format);
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
