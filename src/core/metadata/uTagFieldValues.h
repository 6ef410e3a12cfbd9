#pragma once

// Field values by common key (TITLE, ALBUMARTIST, TRACKNUMBER, ...) as orvanta-cli and a batch
// give them, and how they land in an MP3's ID3v2 tag.
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/metadata/uTagFields.h"

namespace orvanta {

class TID3v2;

// The values of each key in order; none removes the key.
using TFieldValues = std::map<std::string, std::vector<std::string>>;

// The common key of an editor's text field: TITLE, DATE, COMMENT, ...
std::string_view CommonKey(TTagField Field);

// The editor's field of a common key, if it is one.
std::optional<TTagField> FieldOfKey(std::string_view Key);

// The ID3v2.3 text frame of a common key beyond the editor's fields; "TXXX" (a user text frame
// named by the key) for any other key.
std::string_view FrameOfKey(std::string_view Key);

// Adds one "--field KEY=VALUE" ("KEY=" removes the key; a repeated key adds a value). "" or
// what is wrong with it.
std::string AddFieldOption(TFieldValues& Fields, const std::string& Option);

// "N" or "N/M" of --disc into DISCNUMBER and DISCTOTAL. "" or what is wrong with it.
std::string AddDiscOption(TFieldValues& Fields, const std::string& Disc);

// Sets Fields in an ID3v2 tag: the editor's fields through their setters, the others as the
// matching text frame, else as a user text frame (TXXX) named by the key; a new track or disc
// number keeps the total the tag holds. "" or why a field does not fit.
std::string SetID3v2Fields(TID3v2& Tag, const TFieldValues& Fields);

} // namespace orvanta
