#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/metadata/uAudioInfo.h"
#include "core/metadata/uTagFieldValues.h"

namespace orvanta {
class TByteSource;
} // namespace orvanta

namespace orvanta::cli {

// The analysis line of a file of Format other than MP3 (see the README): false when it could
// not be read.
bool WriteFormatLine(std::string& Out, const std::string& Path, TByteSource& Source,
                     TAudioFormat Format);

} // namespace orvanta::cli
