#pragma once

#include <string_view>

namespace orvanta {

// Whether a playlist entry's path is an http or https URL: a stream the engine opens as it
// stands. No file check (exists, library) ever runs on one.
bool IsStreamUrl(std::string_view Path);

// What the Duration column shows for a stream, which has no length.
inline constexpr std::string_view StreamDuration = "--";

} // namespace orvanta
