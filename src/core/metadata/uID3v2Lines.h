#pragma once

#include <string_view>

#include "core/metadata/uAudioInfo.h"

namespace orvanta {

class TByteSource;

// The frames of the ID3v2 tag at the start of Source as lines of the tag editor's table, in the
// tag's order, each keyed by its version 3 identifier: a text frame gives a line per value, a
// comment, user text or link its text, any other frame (a picture, private data) a note of its
// size. Empty when there is no tag.
TTagEntries ID3v2Lines(TByteSource& Source);

// Whether the editor changes the frames of this identifier as text: the text frames but TXXX,
// whose value goes with a description.
bool IsTextFrameId(std::string_view Id);

} // namespace orvanta
