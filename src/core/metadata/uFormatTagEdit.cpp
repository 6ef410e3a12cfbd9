#include "core/metadata/uFormatTagEdit.h"

namespace orvanta {

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
