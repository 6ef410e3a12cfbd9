#include "core/metadata/uFormatPictures.h"
#include "core/metadata/uAudioInfo.h"

#include "core/metadata/uTagLibFile.h"

#include <array>
#include <string_view>

#include <taglib/aifffile.h>
#include <taglib/apetag.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/opusfile.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>
#include <taglib/xiphcomment.h>

namespace orvanta::taglib {

namespace {

TagLib::ByteVector Bytes(const std::string& Data) {
    return TagLib::ByteVector(Data.data(), static_cast<unsigned int>(Data.size()));
}
std::string Bytes(const TagLib::ByteVector& Data) {
    return std::string(Data.data(), Data.size());
}

// The APE item of each ID3v2 picture type, as the APEv2 convention of WavPack players spells it.
// clang-format off
constexpr std::array<std::string_view, 21> ApeCoverKeys = {
    "Cover Art (Other)", "Cover Art (Icon)", "Cover Art (Other Icon)", "Cover Art (Front)",
    "Cover Art (Back)", "Cover Art (Leaflet)", "Cover Art (Media)", "Cover Art (Lead Artist)",
    "Cover Art (Artist)", "Cover Art (Conductor)", "Cover Art (Band)", "Cover Art (Composer)",
    "Cover Art (Lyricist)", "Cover Art (Recording Location)", "Cover Art (During Recording)",
    "Cover Art (During Performance)", "Cover Art (Video Capture)", "Cover Art (Fish)",
    "Cover Art (Illustration)", "Cover Art (Band Logotype)", "Cover Art (Publisher Logotype)"};
// clang-format on

TPicture FromFlac(const TagLib::FLAC::Picture& Picture) {
    TPicture picture;
    picture.Type = static_cast<std::uint32_t>(Picture.type());
    picture.Mime = Utf8(Picture.mimeType());
    picture.Description = Utf8(Picture.description());
    picture.Width = static_cast<std::uint32_t>(Picture.width());
    picture.Height = static_cast<std::uint32_t>(Picture.height());
    picture.Depth = static_cast<std::uint32_t>(Picture.colorDepth());
    picture.Colors = static_cast<std::uint32_t>(Picture.numColors());
    picture.Data = Bytes(Picture.data());
    return picture;
}

// Owned by the caller until a file or comment takes it.
TagLib::FLAC::Picture* ToFlac(const TPicture& Picture) {
    auto* picture = new TagLib::FLAC::Picture;
    picture->setType(static_cast<TagLib::FLAC::Picture::Type>(Picture.Type));
    picture->setMimeType(FromUtf8(Picture.Mime.empty() ? MimeOfData(Picture.Data) : Picture.Mime));
    picture->setDescription(FromUtf8(Picture.Description));
    picture->setWidth(static_cast<int>(Picture.Width));
    picture->setHeight(static_cast<int>(Picture.Height));
    picture->setColorDepth(static_cast<int>(Picture.Depth));
    picture->setNumColors(static_cast<int>(Picture.Colors));
    picture->setData(Bytes(Picture.Data));
    return picture;
}

TagLib::Ogg::XiphComment* XiphOf(TagLib::File& File, TAudioFormat Format) {
    if (Format == TAudioFormat::OggVorbis)
        return static_cast<TagLib::Ogg::Vorbis::File&>(File).tag();
    return static_cast<TagLib::Ogg::Opus::File&>(File).tag();
}

TagLib::ID3v2::Tag* Id3v2Of(TagLib::File& File, TAudioFormat Format) {
    if (Format == TAudioFormat::WAV)
        return static_cast<TagLib::RIFF::WAV::File&>(File).ID3v2Tag();
    return static_cast<TagLib::RIFF::AIFF::File&>(File).tag();
}

std::vector<TPicture> ReadMp4(TagLib::MP4::Tag& Tag) {
    std::vector<TPicture> pictures;
    if (!Tag.contains("covr"))
        return pictures;
    for (const TagLib::MP4::CoverArt& art : Tag.item("covr").toCoverArtList()) {
        TPicture picture;
        picture.Data = Bytes(art.data());
        picture.Mime = MimeOfData(picture.Data);
        pictures.push_back(std::move(picture));
    }
    return pictures;
}

void WriteMp4(TagLib::MP4::Tag& Tag, const std::vector<TPicture>& Pictures) {
    TagLib::MP4::CoverArtList list;
    for (const TPicture& picture : Pictures) {
        const std::string mime = picture.Mime.empty() ? MimeOfData(picture.Data) : picture.Mime;
        const auto format = mime == "image/png"   ? TagLib::MP4::CoverArt::PNG
                            : mime == "image/gif" ? TagLib::MP4::CoverArt::GIF
                            : mime == "image/bmp" ? TagLib::MP4::CoverArt::BMP
                                                  : TagLib::MP4::CoverArt::JPEG;
        list.append(TagLib::MP4::CoverArt(format, Bytes(picture.Data)));
    }
    if (list.isEmpty())
        Tag.removeItem("covr");
    else
        Tag.setItem("covr", TagLib::MP4::Item(list));
}

// An APE cover item holds the description, a NUL, then the picture.
std::vector<TPicture> ReadApe(const TagLib::APE::Tag& Tag) {
    std::vector<TPicture> pictures;
    for (const auto& [key, item] : Tag.itemListMap()) {
        if (item.type() != TagLib::APE::Item::Binary)
            continue;
        for (std::size_t type = 0; type < ApeCoverKeys.size(); ++type) {
            if (TagLib::String(std::string(ApeCoverKeys[type])).upper() != key)
                continue;
            const std::string data = Bytes(item.binaryData());
            const std::size_t nul = data.find('\0');
            TPicture picture;
            picture.Type = static_cast<std::uint32_t>(type);
            picture.Description = nul == std::string::npos ? std::string() : data.substr(0, nul);
            picture.Data = nul == std::string::npos ? data : data.substr(nul + 1);
            picture.Mime = MimeOfData(picture.Data);
            pictures.push_back(std::move(picture));
        }
    }
    return pictures;
}

void WriteApe(TagLib::APE::Tag& Tag, const std::vector<TPicture>& Pictures) {
    for (std::string_view key : ApeCoverKeys)
        Tag.removeItem(TagLib::String(std::string(key)));
    for (const TPicture& picture : Pictures) {
        // APE holds one picture per key: a second of a type is dropped.
        const std::string_view key =
            ApeCoverKeys[picture.Type < ApeCoverKeys.size() ? picture.Type : 0];
        const TagLib::String name(std::string{key});
        if (Tag.itemListMap().contains(name.upper()))
            continue;
        Tag.setItem(
            name, TagLib::APE::Item(name, Bytes(picture.Description + '\0' + picture.Data), true));
    }
}

std::vector<TPicture> ReadId3v2(const TagLib::ID3v2::Tag& Tag) {
    std::vector<TPicture> pictures;
    for (const TagLib::ID3v2::Frame* frame : Tag.frameList("APIC")) {
        const auto* apic = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(frame);
        if (apic == nullptr)
            continue;
        TPicture picture;
        picture.Type = static_cast<std::uint32_t>(apic->type());
        picture.Mime = Utf8(apic->mimeType());
        picture.Description = Utf8(apic->description());
        picture.Data = Bytes(apic->picture());
        pictures.push_back(std::move(picture));
    }
    return pictures;
}

void WriteId3v2(TagLib::ID3v2::Tag& Tag, const std::vector<TPicture>& Pictures) {
    Tag.removeFrames("APIC");
    for (const TPicture& picture : Pictures) {
        auto* apic = new TagLib::ID3v2::AttachedPictureFrame;
        apic->setTextEncoding(TagLib::String::UTF16);
        apic->setType(static_cast<TagLib::ID3v2::AttachedPictureFrame::Type>(picture.Type));
        apic->setMimeType(FromUtf8(picture.Mime.empty() ? MimeOfData(picture.Data) : picture.Mime));
        apic->setDescription(FromUtf8(picture.Description));
        apic->setPicture(Bytes(picture.Data));
        Tag.addFrame(apic);
    }
}

} // namespace

std::vector<TPicture> ReadPictures(TagLib::File& File, TAudioFormat Format) {
    std::vector<TPicture> pictures;
    switch (Format) {
    case TAudioFormat::FLAC:
        for (const TagLib::FLAC::Picture* picture :
             static_cast<TagLib::FLAC::File&>(File).pictureList())
            pictures.push_back(FromFlac(*picture));
        break;
    case TAudioFormat::OggVorbis:
    case TAudioFormat::Opus:
        if (TagLib::Ogg::XiphComment* xiph = XiphOf(File, Format))
            for (const TagLib::FLAC::Picture* picture : xiph->pictureList())
                pictures.push_back(FromFlac(*picture));
        break;
    case TAudioFormat::M4A:
        if (TagLib::MP4::Tag* tag = static_cast<TagLib::MP4::File&>(File).tag())
            pictures = ReadMp4(*tag);
        break;
    case TAudioFormat::WavPack:
        if (TagLib::APE::Tag* tag = static_cast<TagLib::WavPack::File&>(File).APETag())
            pictures = ReadApe(*tag);
        break;
    case TAudioFormat::WAV:
    case TAudioFormat::AIFF:
        if (TagLib::ID3v2::Tag* tag = Id3v2Of(File, Format))
            pictures = ReadId3v2(*tag);
        break;
    case TAudioFormat::MP3:
    case TAudioFormat::Unknown:
        break;
    }
    return pictures;
}

void WritePictures(TagLib::File& File, TAudioFormat Format, const std::vector<TPicture>& Pictures) {
    switch (Format) {
    case TAudioFormat::FLAC: {
        auto& flac = static_cast<TagLib::FLAC::File&>(File);
        flac.removePictures();
        for (const TPicture& picture : Pictures)
            flac.addPicture(ToFlac(picture));
        break;
    }
    case TAudioFormat::OggVorbis:
    case TAudioFormat::Opus:
        if (TagLib::Ogg::XiphComment* xiph = XiphOf(File, Format)) {
            xiph->removeAllPictures();
            for (const TPicture& picture : Pictures)
                xiph->addPicture(ToFlac(picture));
        }
        break;
    case TAudioFormat::M4A:
        if (TagLib::MP4::Tag* tag = static_cast<TagLib::MP4::File&>(File).tag())
            WriteMp4(*tag, Pictures);
        break;
    case TAudioFormat::WavPack:
        if (TagLib::APE::Tag* tag = static_cast<TagLib::WavPack::File&>(File).APETag(true))
            WriteApe(*tag, Pictures);
        break;
    case TAudioFormat::WAV:
    case TAudioFormat::AIFF:
        if (TagLib::ID3v2::Tag* tag = Id3v2Of(File, Format))
            WriteId3v2(*tag, Pictures);
        break;
    case TAudioFormat::MP3:
    case TAudioFormat::Unknown:
        break;
    }
}

} // namespace orvanta::taglib
