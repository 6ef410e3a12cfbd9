#pragma once

#include <string>

#include "core/metadata/uAudioInfo.h"

namespace orvanta {

class TByteSource;

// Reads an M4A/MP4 audio file (AAC or ALAC): the properties of the first sound track from its
// mdhd and stsd atoms, the ilst items into Tags under the names and in the order TagLib's
// property map gives them (so a file reads the same as through TagLib), and, when WithPictures,
// the covr images. Only the atom headers and the atoms it needs are read: the media data is
// passed over whether it comes before or after the movie atom.
// False when the file is no MP4 file or its atoms are cut short, run past their parent or nest
// too deep; Error (when given) then says why.
bool ReadMp4(TByteSource& Source, TAudioInfo& Info, bool WithPictures,
             std::string* Error = nullptr);

} // namespace orvanta
