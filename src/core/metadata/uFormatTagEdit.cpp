#include "core/metadata/uFormatTagEdit.h"

#include <filesystem>

#include "core/metadata/uAudioSniff.h"
#include "core/metadata/uFlacFile.h"
#include "core/metadata/uOggFile.h"
#include "core/metadata/uTagFile.h"
#include "core/metadata/uTagLibRead.h"

namespace orvanta {

bool ReadAudioFile(const std::string& Path, TAudioInfo& Info, bool WithPictures,
                   std::int64_t* ID3v2Bytes) {
    if (ID3v2Bytes)
        *ID3v2Bytes = 0;
    TFileSource source;
    if (!source.Open(Path))
        return false;
    const TAudioFormat format =
        SniffFormat(source, std::filesystem::path(Path).extension().string());
    if (format == TAudioFormat::MP3 || format == TAudioFormat::Unknown)
        return false;
    // Our readers are the fast path; a file they find faulty gets TagLib's chance too.
    TAudioInfo info;
    const bool read = format == TAudioFormat::FLAC
                          ? ReadFlac(source, info, WithPictures, ID3v2Bytes)
                      : format == TAudioFormat::OggVorbis || format == TAudioFormat::Opus
                          ? ReadOgg(source, info, WithPictures)
                          : false;
    if (read) {
        info.Format = format;
        Info = std::move(info);
        return true;
    }
    return ReadWithTagLib(Path, format, Info, WithPictures);
}

TAudioFormat SniffFile(const std::string& Path) {
    TFileSource source;
    return source.Open(Path) ? SniffFormat(source, std::filesystem::path(Path).extension().string())
                             : TAudioFormat::Unknown;
}

std::string_view TagKindName(TAudioFormat Format) {
    switch (Format) {
    case TAudioFormat::FLAC:
    case TAudioFormat::OggVorbis:
    case TAudioFormat::Opus:
        return "Vorbis comment";
    case TAudioFormat::M4A:
        return "MP4";
    case TAudioFormat::WavPack:
        return "APEv2";
    case TAudioFormat::MP3:
    case TAudioFormat::WAV:
    case TAudioFormat::AIFF:
        return "ID3v2";
    case TAudioFormat::Unknown:
        break;
    }
    return {};
}

bool TFormatTagEdit::Load(const std::string& Path) {
    TAudioInfo info;
    std::int64_t id3 = 0;
    if (!ReadAudioFile(Path, info, true, &id3))
        return false;
    FPath = Path;
    FRead = std::move(info);
    FID3v2Bytes = id3;
    Reset(FRead.Tags);
    FRemoveID3v2 = false;
    return true;
}

TTagChanges TFormatTagEdit::Changes() const {
    TTagChanges changes;
    changes.Fields = ChangedKeys();
    changes.RemoveID3v2 = FRemoveID3v2;
    return changes;
}

bool TFormatTagEdit::Changed() const {
    const TTagChanges changes = Changes();
    return !changes.Fields.empty() || changes.RemoveID3v2;
}

bool TFormatTagEdit::Save(std::string& Error) {
    const TTagChanges changes = Changes();
    if (changes.Fields.empty() && !changes.RemoveID3v2)
        return true;
    if (!WriteTagChanges(FPath, FRead.Format, changes, Error))
        return false;
    // The file as written is the new baseline; a read that fails now keeps the edited lines.
    if (!Load(FPath)) {
        FRead.Tags = Lines();
        Reset(FRead.Tags);
        FID3v2Bytes = changes.RemoveID3v2 ? 0 : FID3v2Bytes;
        FRemoveID3v2 = false;
    }
    return true;
}

} // namespace orvanta
