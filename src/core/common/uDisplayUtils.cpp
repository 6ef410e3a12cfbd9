#include "core/common/uDisplayUtils.h"

#include <algorithm>
#include <cstdio>

namespace orvanta {

std::unique_ptr<TCustomStringList> FileTypes;

const std::vector<std::string>& KnownExtensions() {
    static const std::vector<std::string> extensions{"mp3", "flac", "ogg", "oga",  "opus", "m4a",
                                                     "m4b", "wv",   "wav", "aiff", "aif",  "aifc"};
    return extensions;
}

const std::vector<std::string>& OtherAudioExtensions() {
    static const std::vector<std::string> extensions{
        "aac", "ac3", "amr", "ape",  "au",  "caf",  "dff", "dsf", "dts", "it",
        "kar", "m4p", "mid", "midi", "mka", "mod",  "mpc", "ra",  "rm",  "s3m",
        "shn", "spx", "tak", "tta",  "w64", "weba", "wma", "xm"};
    return extensions;
}

bool IsOtherAudioFile(std::string_view Path) {
    const std::string name = ExtractFileName(Path);
    const auto dot = name.rfind('.');
    if (dot == std::string::npos)
        return false;
    std::string extension = name.substr(dot + 1);
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    const std::vector<std::string>& others = OtherAudioExtensions();
    return std::find(others.begin(), others.end(), extension) != others.end();
}

void RegisterFileTypes(TCustomStringList& Types) {
    for (const std::string& extension : KnownExtensions())
        Types.Add(extension + Types.NameValueSeparator + "Audio");
}

void RegisterFileTypes() {
    if (FileTypes)
        RegisterFileTypes(*FileTypes);
}

std::string FormatFileSize(std::int64_t Bytes) {
    char text[64];
    // "%.2f" follows LC_NUMERIC, which the application sets from the user's locale.
    if (Bytes < 1024)
        std::snprintf(text, sizeof text, "%lld bytes", static_cast<long long>(Bytes));
    else if (Bytes < 1024000)
        std::snprintf(text, sizeof text, "%.2f KB", Bytes / 1024.0);
    else
        std::snprintf(text, sizeof text, "%.2f MB", Bytes / 1024000.0);
    return text;
}

std::string FormatDuration(std::int32_t Seconds) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2d:%.2d:%.2d", Seconds / 3600, (Seconds / 60) % 60,
                  Seconds % 60);
    return text;
}

std::string ExtractFileName(std::string_view Path) {
    const auto slash = Path.rfind('/');
    return std::string(slash == std::string_view::npos ? Path : Path.substr(slash + 1));
}

std::string ExtractFileDir(std::string_view Path) {
    const auto slash = Path.rfind('/');
    if (slash == std::string_view::npos)
        return {};
    return std::string(Path.substr(0, slash == 0 ? 1 : slash));
}

std::string JoinPath(std::string_view Directory, std::string_view FileName) {
    std::string path(Directory);
    if (path.empty() || path.back() != '/')
        path += '/';
    path += FileName;
    return path;
}

std::string FileTitle(std::string_view Path) {
    std::string name = ExtractFileName(Path);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

std::string FileTypeOf(std::string_view Path, const TCustomStringList& Types) {
    const std::string name = ExtractFileName(Path);
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot + 1 == name.size())
        return {};
    return Types.Values(name.substr(dot + 1));
}

std::string FileTypeOf(std::string_view Path) {
    return FileTypes ? FileTypeOf(Path, *FileTypes) : std::string();
}

std::string MediaFileFilter() {
    std::string patterns;
    for (const std::string& extension : KnownExtensions()) {
        if (!patterns.empty())
            patterns += ';';
        patterns += "*.";
        for (char c : extension)
            patterns += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return "Audio Files|" + patterns + "|All Files|*.*";
}

} // namespace orvanta
