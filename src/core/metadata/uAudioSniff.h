#pragma once

#include <string_view>

#include "core/metadata/uAudioInfo.h"

namespace orvanta {

class TByteSource;

// The format of an audio file, told by its first bytes: a FLAC, Ogg, MP4, WavPack, RIFF or FORM
// signature, or an ID3v2 tag followed by FLAC or MPEG audio, or an MPEG frame header. Only when
// the content names no container at all does Extension ("flac", ".M4A", ...) decide, so a WAV
// file named .mp3 is WAV and an Ogg FLAC or a video named .ogg or .mp4 is Unknown.
TAudioFormat SniffFormat(TByteSource& Source, std::string_view Extension);

// The format an extension names, with or without its dot, in any case; Unknown for others.
TAudioFormat FormatOfExtension(std::string_view Extension);

} // namespace orvanta
