#pragma once

// How a file's content becomes the fields of its library row, for every format.
#include <string>
#include <string_view>

#include "core/library/uMediaRecord.h"
#include "core/metadata/uAudioInfo.h"

namespace orvanta {

class TByteSource;

enum class TMediaRead { Audio, NoAudio, Unreadable };

// The extension of a path's file name, without its dot ("" when there is none).
std::string_view ExtensionOf(std::string_view Path);

// Reads the fields a file decides from Source, whose content is of Format (SniffFormat): MP3
// through its ID3 tags and MPEG audio, as is a file whose content names no format; the others
// through their readers, filled in by FillRecord. Info's path and stamp stay; its other fields
// are overwritten only as far as the file gives them. NoAudio when the file holds no audio of
// its format.
TMediaRead ReadMediaFields(TByteSource& Source, TAudioFormat Format, TMediaRecord& Info);

} // namespace orvanta
