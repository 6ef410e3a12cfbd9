#pragma once

#include "core/metadata/uAudioInfo.h"

namespace orvanta {

class TByteSource;

// Reads a file of Format (any but MP3 and Unknown) from Source without its pictures: FLAC, Ogg
// Vorbis and Opus through their own readers, which read only the metadata, with TagLib as the
// fallback for a file they refuse; the others through TagLib, reading Source, so the pages an
// import's batch read already are not read again. False when neither can read it.
bool ReadAudioInfo(TByteSource& Source, TAudioFormat Format, TAudioInfo& Info);

} // namespace orvanta
