#include "core/metadata/uAudioRead.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>

#include <taglib/taglib.h>
#include <taglib/tiostream.h>

#include "core/metadata/uAudioSniff.h"
#include "core/metadata/uFlacFile.h"
#include "core/metadata/uMp4File.h"
#include "core/metadata/uOggFile.h"
#include "core/metadata/uTagFile.h"
#include "core/metadata/uTagLibRead.h"

namespace orvanta {

namespace {

// The types TagLib 2 changed in the stream's calls.
#if TAGLIB_MAJOR_VERSION >= 2
using TOffset = TagLib::offset_t;
using TStart = TagLib::offset_t;
#else
using TOffset = long;
using TStart = unsigned long;
#endif

// A read-only TagLib stream over a byte source. TagLib reads in many small pieces (an MP4 box
// header, a chunk id), so pieces outside the source's cached head are served from a window
// read ahead, one read per window instead of one per piece.
class TSourceStream : public TagLib::IOStream {
public:
    explicit TSourceStream(TByteSource& Source) : FSource(Source), FSize(Source.Size()) {}

    TagLib::FileName name() const override { return ""; }
    TagLib::ByteVector readBlock(std::size_t Length) override {
        const std::int64_t count = std::clamp<std::int64_t>(FSize - FPos, 0, std::int64_t(Length));
        TagLib::ByteVector block(static_cast<unsigned int>(count));
        const std::int64_t got = read(FPos, block.data(), std::size_t(count));
        block.resize(static_cast<unsigned int>(std::max<std::int64_t>(got, 0)));
        FPos += block.size();
        return block;
    }
    void writeBlock(const TagLib::ByteVector&) override {}
    void insert(const TagLib::ByteVector&, TStart, std::size_t) override {}
    void removeBlock(TStart, std::size_t) override {}
    bool readOnly() const override { return true; }
    bool isOpen() const override { return true; }
    void seek(TOffset Offset, Position From) override {
        const std::int64_t base = From == Beginning ? 0 : From == Current ? FPos : FSize;
        FPos = std::max<std::int64_t>(0, base + Offset);
    }
    TOffset tell() const override { return static_cast<TOffset>(FPos); }
    TOffset length() override { return static_cast<TOffset>(FSize); }
    void truncate(TOffset) override {}

private:
    static constexpr std::size_t WindowBytes = 16384;

    std::int64_t read(std::int64_t Offset, char* Out, std::size_t Count) {
        const std::int64_t end = Offset + std::int64_t(Count);
        if (end <= std::int64_t(TFileSource::HeadBytes) || Count > WindowBytes / 2)
            return FSource.ReadAt(Offset, Out, Count);
        if (Offset < FWindowAt || end > FWindowAt + std::int64_t(FWindowSize)) {
            const std::int64_t got = FSource.ReadAt(Offset, FWindow.data(), WindowBytes);
            if (got < 0)
                return -1;
            FWindowAt = Offset;
            FWindowSize = std::size_t(got);
        }
        const std::int64_t n = std::clamp<std::int64_t>(
            FWindowAt + std::int64_t(FWindowSize) - Offset, 0, std::int64_t(Count));
        // TagLib asks for nothing at times, into a buffer that is no buffer.
        if (n > 0)
            std::memcpy(Out, FWindow.data() + (Offset - FWindowAt), std::size_t(n));
        return n;
    }

    TByteSource& FSource;
    std::int64_t FSize;
    std::int64_t FPos = 0;
    std::array<char, WindowBytes> FWindow;
    std::int64_t FWindowAt = -1;
    std::size_t FWindowSize = 0;
};

bool readWithTagLib(TByteSource& Source, TAudioFormat Format, TAudioInfo& Info, bool WithPictures) {
    TSourceStream stream(Source);
    return ReadWithTagLib(stream, Format, Info, WithPictures);
}

bool readAudio(TByteSource& Source, TAudioFormat Format, TAudioInfo& Info, bool WithPictures,
               std::int64_t* ID3v2Bytes) {
    switch (Format) {
    case TAudioFormat::FLAC:
        if (ReadFlac(Source, Info, WithPictures, ID3v2Bytes))
            return true;
        break;
    case TAudioFormat::OggVorbis:
    case TAudioFormat::Opus:
        if (ReadOgg(Source, Info, WithPictures))
            return true;
        break;
    case TAudioFormat::M4A:
        if (ReadMp4(Source, Info, WithPictures))
            return true;
        break;
    case TAudioFormat::WavPack:
    case TAudioFormat::WAV:
    case TAudioFormat::AIFF:
        break;
    case TAudioFormat::MP3:
    case TAudioFormat::Unknown:
        return false;
    }
    Info = {};
    return readWithTagLib(Source, Format, Info, WithPictures);
}

} // namespace

bool ReadAudioInfo(TByteSource& Source, TAudioFormat Format, TAudioInfo& Info, bool WithPictures,
                   std::int64_t* ID3v2Bytes) {
    if (ID3v2Bytes)
        *ID3v2Bytes = 0;
    if (!readAudio(Source, Format, Info, WithPictures, ID3v2Bytes))
        return false;
    Info.Format = Format;
    return true;
}

bool ReadAudioFile(const std::string& Path, TAudioInfo& Info, bool WithPictures,
                   std::int64_t* ID3v2Bytes) {
    if (ID3v2Bytes)
        *ID3v2Bytes = 0;
    TFileSource source;
    if (!source.Open(Path))
        return false;
    const TAudioFormat format =
        SniffFormat(source, std::filesystem::path(Path).extension().string());
    TAudioInfo info;
    if (!ReadAudioInfo(source, format, info, WithPictures, ID3v2Bytes))
        return false;
    Info = std::move(info);
    return true;
}

TAudioFormat SniffFile(const std::string& Path) {
    TFileSource source;
    return source.Open(Path) ? SniffFormat(source, std::filesystem::path(Path).extension().string())
                             : TAudioFormat::Unknown;
}

} // namespace orvanta
