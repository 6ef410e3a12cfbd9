#pragma once

// The library's record of a file read into the shared audio type (any format but MP3, which
// keeps its own path).
#include "core/library/uMediaRecord.h"
#include "core/metadata/uAudioInfo.h"

namespace orvanta {

// Fills the record's tag, format and stream fields from Info; the path and stamp stay. The
// fields that may hold several values get their lists and their joined texts; the year is
// the year of a full date; "3/12" in TRACKNUMBER (or DISCNUMBER) gives the total too;
// ReplayGain comes from REPLAYGAIN_*, else from Opus's R128_* (Q7.8 dB relative to -23 LUFS,
// 5 dB below the ReplayGain level). An empty title falls back to the file's name.
void FillRecord(const TAudioInfo& Info, TMediaRecord& Record);

// The leading decimal number of a ReplayGain text such as "-6.50 dB"; none when there is none.
std::optional<double> GainValue(std::string_view Text);

// The total of a number text such as "3/12"; 0 when it gives none.
std::int32_t TotalOf(std::string_view Text);

} // namespace orvanta
