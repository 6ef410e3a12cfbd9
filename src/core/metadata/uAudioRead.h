#pragma once

#include <cstdint>
#include <string>

#include "core/metadata/uAudioInfo.h"

namespace orvanta {

class TByteSource;

// Reads a file of Format (any but MP3 and Unknown) from Source: FLAC, Ogg Vorbis, Opus and M4A
// through their own readers, which read only the metadata, with TagLib as the fallback for a
// file they refuse; the others through TagLib, reading Source, so the pages an import's batch
// read already are not read again. Pictures only when asked; ID3v2Bytes gets the size of an
// ID3v2 tag before a FLAC stream. False when neither can read it.
bool ReadAudioInfo(TByteSource& Source, TAudioFormat Format, TAudioInfo& Info,
                   bool WithPictures = false, std::int64_t* ID3v2Bytes = nullptr);

// The same for the file at Path, its format told by its content first (SniffFormat). False
// for MP3 and for what is no audio file of those formats.
bool ReadAudioFile(const std::string& Path, TAudioInfo& Info, bool WithPictures,
                   std::int64_t* ID3v2Bytes = nullptr);

// The format of the file at Path as SniffFormat tells it; Unknown when it cannot be opened.
TAudioFormat SniffFile(const std::string& Path);

} // namespace orvanta
