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

// Sets Fields in a file of Format other than MP3, writing only the keys whose values differ
// from the file's. The exit code; messages on standard error.
int TagOtherFormat(const std::string& Path, TAudioFormat Format, const TFieldValues& Fields);

// The analysis line of a file of Format other than MP3 (see the README): false when it could
// not be read.
bool WriteFormatLine(std::string& Out, const std::string& Path, TByteSource& Source,
                     TAudioFormat Format);

} // namespace orvanta::cli
