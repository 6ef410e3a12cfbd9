#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/metadata/uAudioInfo.h"
#include "core/metadata/uTagFields.h"

namespace orvanta {
class TByteSource;
class TID3v2;
} // namespace orvanta

namespace orvanta::cli {

// What orvanta-cli tag sets, by key in the common spelling (TITLE, ALBUMARTIST, ...): the
// values in order; none removes the key.
using TFieldValues = std::map<std::string, std::vector<std::string>>;

// The common key of an editor's text field: TITLE, DATE, COMMENT, ...
std::string_view CommonKey(TTagField Field);

// Adds one "--field KEY=VALUE" ("KEY=" removes the key; a repeated key adds a value). "" or
// what is wrong with it.
std::string AddFieldOption(TFieldValues& Fields, const std::string& Option);

// "N" or "N/M" of --disc into DISCNUMBER and DISCTOTAL. "" or what is wrong with it.
std::string AddDiscOption(TFieldValues& Fields, const std::string& Disc);

// Sets Fields in an ID3v2 tag: the editor's fields through their setters, the others as the
// matching text frame, else as a user text frame (TXXX) named by the key; a new track or disc
// number keeps the total the tag holds. "" or why a field does not fit.
std::string SetID3v2Fields(TID3v2& Tag, const TFieldValues& Fields);

// Sets Fields in a file of Format other than MP3, writing only the keys whose values differ
// from the file's. The exit code; messages on standard error.
int TagOtherFormat(const std::string& Path, TAudioFormat Format, const TFieldValues& Fields);

// The analysis line of a file of Format other than MP3 (see the README): false when it could
// not be read.
bool WriteFormatLine(std::string& Out, const std::string& Path, TByteSource& Source,
                     TAudioFormat Format);

} // namespace orvanta::cli
