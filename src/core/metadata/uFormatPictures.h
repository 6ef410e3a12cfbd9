#pragma once

#include <vector>

#include "core/metadata/uAudioInfo.h"

namespace TagLib {
class File;
}

namespace orvanta::taglib {

// The pictures of an open TagLib file, in each format's own place: FLAC's picture blocks,
// the METADATA_BLOCK_PICTURE fields of Ogg Vorbis and Opus, MP4's covr atom, WavPack's APE
// "Cover Art (...)" items, and the APIC frames of the ID3v2 tag of WAV and AIFF.
std::vector<TPicture> ReadPictures(TagLib::File& File, TAudioFormat Format);

// Replaces every picture of the file by Pictures (none removes them all). MP4 keeps only the
// data of each, APE the type, description and data; the file is saved by the caller.
void WritePictures(TagLib::File& File, TAudioFormat Format, const std::vector<TPicture>& Pictures);

} // namespace orvanta::taglib
