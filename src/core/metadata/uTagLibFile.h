#pragma once

// What the TagLib adapter's files share: opening a stream as the TagLib file of a format, and
// converting TagLib's texts. Only the adapter includes this; the rest of the core sees
// TAudioInfo.
#include <memory>
#include <string>

#include <taglib/tfile.h>
#include <taglib/tiostream.h>
#include <taglib/tstring.h>

#include "core/metadata/uAudioInfo.h"

namespace orvanta::taglib {

// The TagLib file of Format over Stream (which must outlive it); null for a format TagLib does
// not read here (MP3 and Unknown) or a stream TagLib finds invalid.
std::unique_ptr<TagLib::File> Open(TagLib::IOStream& Stream, TAudioFormat Format,
                                   bool ReadProperties);

inline std::string Utf8(const TagLib::String& Text) {
    return Text.to8Bit(true);
}
inline TagLib::String FromUtf8(const std::string& Text) {
    return TagLib::String(Text, TagLib::String::UTF8);
}

} // namespace orvanta::taglib
