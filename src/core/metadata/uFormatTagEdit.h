#pragma once

// The tag editor's model of a file of a format other than MP3: every field of its tag as lines
// of key and value, which the editor's fields and its table both change, and the save that
// writes only the keys whose values differ from what the file held.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/metadata/uAudioInfo.h"
#include "core/metadata/uAudioRead.h"
#include "core/metadata/uTagLibWrite.h"
#include "core/metadata/uTagLines.h"

namespace orvanta {

// The name of the tag a save writes in Format: "Vorbis comment", "MP4", "APEv2", "ID3v2" (WAV,
// whose INFO fields TagLib updates beside it, and AIFF).
std::string_view TagKindName(TAudioFormat Format);

class TFormatTagEdit : public TTagLines {
public:
    // Reads the file; false when it is MP3 or no audio file of the other formats.
    bool Load(const std::string& Path);

    TAudioFormat Format() const { return FRead.Format; }
    // As last read (with the pictures): the library's record is made from it.
    const TAudioInfo& Read() const { return FRead; }
    // Bytes of the ID3v2 tag before a FLAC stream; 0 when there is none.
    std::int64_t ID3v2Bytes() const { return FID3v2Bytes; }

    // Whether a save takes the ID3v2 tag out of a FLAC file.
    void RemoveID3v2(bool Remove) { FRemoveID3v2 = Remove && FID3v2Bytes > 0; }
    bool RemovesID3v2() const { return FRemoveID3v2; }

    // The keys whose values differ from the file's, each with its new values.
    TTagChanges Changes() const;
    bool Changed() const;
    // Writes the changes (nothing when there are none) and reads the file again, so that the
    // next save compares with what it now holds. False with Error when the write failed; the
    // lines then stay as edited.
    [[nodiscard]] bool Save(std::string& Error);

private:
    std::string FPath;
    TAudioInfo FRead;
    std::int64_t FID3v2Bytes = 0;
    bool FRemoveID3v2 = false;
};

} // namespace orvanta
