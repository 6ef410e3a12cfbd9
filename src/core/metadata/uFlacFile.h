#pragma once

#include <cstdint>

#include "core/metadata/uAudioInfo.h"

namespace orvanta {

class TByteSource;

// Reads a FLAC file: the stream's properties from STREAMINFO, the Vorbis comment into Tags and,
// when WithPictures, the PICTURE blocks into Pictures. Only the metadata blocks are read, never
// the audio. ID3v2Bytes (when given) gets the size of the ID3v2 tags some taggers put before
// the stream's "fLaC" marker (0 when there are none or no marker follows them), so that they
// can be shown or removed.
// False when the file is no FLAC stream or its metadata is cut short or corrupt; Info then holds
// what could be read before the fault.
bool ReadFlac(TByteSource& Source, TAudioInfo& Info, bool WithPictures,
              std::int64_t* ID3v2Bytes = nullptr);

} // namespace orvanta
