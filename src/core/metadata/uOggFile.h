#pragma once

#include "core/metadata/uAudioInfo.h"

namespace orvanta {

class TByteSource;

// Reads an Ogg Vorbis or Opus file: the first logical stream's identification header decides
// which, its comment header gives Tags (and, when WithPictures, the METADATA_BLOCK_PICTURE and
// COVERART pictures), and the granule position of its last page the duration. Only the header
// pages and the end of the file are read. False when the file is no Ogg Vorbis or Opus stream or
// its headers are cut short or corrupt; Info then holds what could be read before the fault.
bool ReadOgg(TByteSource& Source, TAudioInfo& Info, bool WithPictures);

} // namespace orvanta
