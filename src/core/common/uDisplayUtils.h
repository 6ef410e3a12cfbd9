#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/uTCustomStringList.h"

namespace orvanta {

// The extensions the program handles, lower case, without dot.
const std::vector<std::string>& KnownExtensions();
// Extensions of audio formats the program does not read ("wma", "mid"): a folder's files of
// these are named in an add's summary, not passed by in silence.
const std::vector<std::string>& OtherAudioExtensions();
bool IsOtherAudioFile(std::string_view Path);

// Process-wide extension-to-kind table ("mp3:Audio"), created at start-up.
extern std::unique_ptr<TCustomStringList> FileTypes;

// Adds "ext:Audio" to Types for each known extension, in order.
void RegisterFileTypes(TCustomStringList& Types);
void RegisterFileTypes();

// "N bytes", "x.xx KB" (/1024) or "x.xx MB" (/1,024,000), with the locale's decimal point.
std::string FormatFileSize(std::int64_t Bytes);
// "hh:mm:ss" with hours not capped.
std::string FormatDuration(std::int32_t Seconds);
// The file name without folder and extension.
std::string FileTitle(std::string_view Path);
// The kind of a file by its extension ("Audio"), or empty.
std::string FileTypeOf(std::string_view Path, const TCustomStringList& Types);
std::string FileTypeOf(std::string_view Path);
// Filter rows of the open dialog: "Audio Files|*.MP3;*.FLAC;...|All Files|*.*".
std::string MediaFileFilter();

// The folder of a full path, without trailing separator ("/" stays for the root).
std::string ExtractFileDir(std::string_view Path);
// The last component of a path.
std::string ExtractFileName(std::string_view Path);
// Directory + "/" + file name, without doubling the root's separator.
std::string JoinPath(std::string_view Directory, std::string_view FileName);

} // namespace orvanta
