#pragma once

// What the TagLib adapter's files share: opening a stream as the TagLib file of a format, and
// converting TagLib's texts. Only the adapter includes this; the rest of the core sees
// TAudioInfo.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <taglib/tfile.h>
#include <taglib/tiostream.h>
#include <taglib/tstring.h>

#include "core/metadata/uAudioInfo.h"

namespace orvanta::taglib {

// The TagLib file of Format over Stream (which must outlive it); null for a format TagLib does
// not read here (MP3 and Unknown) or a stream TagLib finds invalid.
std::unique_ptr<TagLib::File> Open(TagLib::IOStream& Stream, TAudioFormat Format,
                                   bool ReadProperties);

// The other spellings of a common key that taggers write (ffmpeg's ALBUM_ARTIST, TOTALTRACKS):
// read as the common key when a tag lacks it, and written under the spelling the file uses.
const std::vector<std::string_view>& KeyAliases(std::string_view Key);

// MP4 keeps fields TagLib has no name for as "----:com.apple.iTunes:NAME" atoms.
inline constexpr std::string_view FreeFormPrefix = "----:com.apple.iTunes:";

inline std::string Utf8(const TagLib::String& Text) {
    return Text.to8Bit(true);
}
inline TagLib::String FromUtf8(const std::string& Text) {
    return TagLib::String(Text, TagLib::String::UTF8);
}

} // namespace orvanta::taglib
