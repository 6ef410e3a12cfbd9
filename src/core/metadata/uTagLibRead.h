#pragma once

#include <string>

#include "core/metadata/uAudioInfo.h"

namespace TagLib {
class IOStream;
}

namespace orvanta {

// Reads a file of Format other than MP3 through TagLib: the stream's properties, the tag's
// fields under the common key names ("3/12" track and disc numbers split into number and
// total), and, when asked, the pictures. WavPack, WAV and AIFF are read only here; for FLAC,
// Ogg Vorbis, Opus and M4A this is the fallback. False when the file cannot be opened or TagLib
// finds it invalid; Info is then left as it was.
bool ReadWithTagLib(const std::string& Path, TAudioFormat Format, TAudioInfo& Info,
                    bool WithPictures);
// The same over any TagLib stream (a buffer, for the fuzzer).
bool ReadWithTagLib(TagLib::IOStream& Stream, TAudioFormat Format, TAudioInfo& Info,
                    bool WithPictures);

// What ReadWithTagLib does to the fields TagLib gives: other spellings of the album artist and
// the totals take the common key, and "3/12" track and disc numbers are split into number and
// total. Readers of our own that stand in for TagLib do the same.
void NormalizeTagLibFields(TTagEntries& Tags);

} // namespace orvanta
