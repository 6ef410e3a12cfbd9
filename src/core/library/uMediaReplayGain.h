#pragma once

#include <string>

#include "core/library/uMediaRecord.h"

namespace orvanta {

class TMyMediaDB;

// After a ReplayGain scan wrote a file's tag: its row is read from the file again, as Refresh
// reads a changed file, and takes Gain as measured (an MP3's gains are not read from its tag, and
// Opus keeps no peak). Album values Gain lacks stay as the row had them. False when the file has
// no row or could not be read; the row then stays as it was.
bool RecordReplayGain(TMyMediaDB& Library, const std::string& Path, const TReplayGain& Gain);

} // namespace orvanta
