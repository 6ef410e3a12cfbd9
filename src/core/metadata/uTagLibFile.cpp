#include "core/metadata/uTagLibFile.h"

#include <taglib/aifffile.h>
#include <taglib/flacfile.h>
#include <taglib/mp4file.h>
#include <taglib/opusfile.h>
#include <taglib/taglib.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>

namespace orvanta::taglib {

namespace {

std::unique_ptr<TagLib::File> Create(TagLib::IOStream& Stream, TAudioFormat Format,
                                     bool ReadProperties) {
    TagLib::IOStream* stream = &Stream;
    switch (Format) {
    case TAudioFormat::FLAC:
#if TAGLIB_MAJOR_VERSION >= 2
        return std::make_unique<TagLib::FLAC::File>(stream, ReadProperties);
#else
        // 1.x has no stream constructor without a frame factory.
        return std::make_unique<TagLib::FLAC::File>(stream, TagLib::ID3v2::FrameFactory::instance(),
                                                    ReadProperties);
#endif
    case TAudioFormat::OggVorbis:
        return std::make_unique<TagLib::Ogg::Vorbis::File>(stream, ReadProperties);
    case TAudioFormat::Opus:
        return std::make_unique<TagLib::Ogg::Opus::File>(stream, ReadProperties);
    case TAudioFormat::M4A:
        return std::make_unique<TagLib::MP4::File>(stream, ReadProperties);
    case TAudioFormat::WavPack:
        return std::make_unique<TagLib::WavPack::File>(stream, ReadProperties);
    case TAudioFormat::WAV:
        return std::make_unique<TagLib::RIFF::WAV::File>(stream, ReadProperties);
    case TAudioFormat::AIFF:
        return std::make_unique<TagLib::RIFF::AIFF::File>(stream, ReadProperties);
    case TAudioFormat::MP3:
    case TAudioFormat::Unknown:
        break;
    }
    return nullptr;
}

} // namespace

const std::vector<std::string_view>& KeyAliases(std::string_view Key) {
    static const std::vector<std::string_view> none;
    static const std::vector<std::string_view> albumArtist = {"ALBUM ARTIST", "ALBUM_ARTIST"};
    static const std::vector<std::string_view> trackTotal = {"TOTALTRACKS"};
    static const std::vector<std::string_view> discTotal = {"TOTALDISCS"};
    return Key == "ALBUMARTIST"  ? albumArtist
           : Key == "TRACKTOTAL" ? trackTotal
           : Key == "DISCTOTAL"  ? discTotal
                                 : none;
}

std::unique_ptr<TagLib::File> Open(TagLib::IOStream& Stream, TAudioFormat Format,
                                   bool ReadProperties) {
    std::unique_ptr<TagLib::File> file = Create(Stream, Format, ReadProperties);
    if (file && !file->isValid())
        file.reset();
    return file;
}

} // namespace orvanta::taglib
