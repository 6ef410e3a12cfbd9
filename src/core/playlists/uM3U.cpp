#include "core/playlists/uM3U.h"

#include <charconv>
#include <filesystem>
#include <sys/stat.h>
#include <utility>

#include "core/common/uDataPaths.h"
#include "core/common/uDisplayUtils.h"
#include "core/common/uTFileUtils.h"
#include "core/common/uTStringUtils.h"
#include "core/playlists/uPlayListFiles.h"
#include "core/playlists/uStreamEntry.h"
#include "core/playlists/uTPlayList.h"
#include "core/playlists/uTPlayListManager.h"

namespace orvanta {

namespace {
constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view ExtInf = "#EXTINF:";
constexpr std::string_view FileScheme = "file://";

std::string_view trimmed(std::string_view Text) {
    while (!Text.empty() && (Text.front() == ' ' || Text.front() == '\t'))
        Text.remove_prefix(1);
    while (!Text.empty() && (Text.back() == ' ' || Text.back() == '\t' || Text.back() == '\r'))
        Text.remove_suffix(1);
    return Text;
}

std::string percentDecoded(std::string_view Text) {
    std::string out;
    for (std::size_t i = 0; i < Text.size(); ++i) {
        if (Text[i] == '%' && i + 2 < Text.size()) {
            const int high = HexDigitValue(Text[i + 1]), low = HexDigitValue(Text[i + 2]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += Text[i];
    }
    return out;
}

bool isRegularFile(const std::string& Path) {
    struct stat info {};
    return ::stat(Path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// "#EXTINF:123,Artist - Title" (attributes may follow the seconds before the comma).
void readExtInf(std::string_view Line, std::int32_t& Seconds, std::string& Title) {
    Line.remove_prefix(ExtInf.size());
    const auto comma = Line.find(',');
    const std::string_view duration = trimmed(Line.substr(0, comma));
    Title = comma == std::string_view::npos ? std::string()
                                            : std::string(trimmed(Line.substr(comma + 1)));
    long value = 0;
    const auto [end, error] =
        std::from_chars(duration.data(), duration.data() + duration.size(), value);
    // -1 means unknown; fractions of a second are dropped.
    Seconds = (error == std::errc() && end != duration.data() && value > 0 && value < INT32_MAX)
                  ? static_cast<std::int32_t>(value)
                  : 0;
}

std::string resolved(std::string_view Line, const std::string& Folder) {
    std::string path;
    if (Line.substr(0, FileScheme.size()) == FileScheme) {
        std::string_view rest = Line.substr(FileScheme.size());
        // file://host/path: only the local host is ours.
        if (const auto slash = rest.find('/'); slash != std::string_view::npos)
            rest.remove_prefix(slash);
        path = percentDecoded(rest);
    } else {
        path = std::string(Line);
    }
    if (path.empty() || path.front() != '/') {
        // Players on Windows write "..\Music\a.mp3"; such a name is kept as written only
        // when a file of that very name is there.
        std::string relative = Folder + "/" + path;
        if (path.find('\\') != std::string::npos && !isRegularFile(relative)) {
            for (char& c : path)
                if (c == '\\')
                    c = '/';
            relative = Folder + "/" + path;
        }
        path = relative;
    }
    std::string normal = std::filesystem::path(path).lexically_normal().string();
    return normal.size() > 1 && normal.back() == '/' ? normal.substr(0, normal.size() - 1) : normal;
}

std::string folderOf(const std::string& FileName) {
    const std::string absolute = std::filesystem::absolute(FileName).lexically_normal().string();
    const auto slash = absolute.rfind('/');
    return slash == 0 ? std::string("/") : absolute.substr(0, slash);
}
} // namespace

std::vector<TM3UEntry> ParseM3U(std::string_view Text, const std::string& Folder) {
    if (Text.substr(0, Utf8Bom.size()) == Utf8Bom)
        Text.remove_prefix(Utf8Bom.size());
    std::vector<TM3UEntry> entries;
    TM3UEntry pending;
    while (!Text.empty()) {
        // A file name may begin or end with a space: only the line end is cut from a path.
        const auto end = Text.find_first_of("\r\n");
        const std::string_view line = Text.substr(0, end);
        const bool crlf = end != std::string_view::npos && Text.substr(end, 2) == "\r\n";
        Text.remove_prefix(end == std::string_view::npos ? Text.size() : end + (crlf ? 2 : 1));
        if (trimmed(line).empty())
            continue;
        if (line.substr(0, ExtInf.size()) == ExtInf) {
            readExtInf(line, pending.Seconds, pending.Title);
            continue;
        }
        if (line.front() == '#') // #EXTM3U and every other directive or comment
            continue;
        pending.Stream = IsStreamUrl(trimmed(line));
        pending.Path = pending.Stream ? std::string(trimmed(line)) : resolved(line, Folder);
        // A path with NUL would name another file to the system: never looked at.
        if (!PlayListCanHold(pending.Path))
            pending.Refusal = PlayListRefusalMessage(pending.Path);
        pending.Exists = pending.Refusal.empty() && !pending.Stream && isRegularFile(pending.Path);
        entries.push_back(std::move(pending));
        pending = TM3UEntry();
    }
    return entries;
}

bool ReadM3UFile(const std::string& FileName, std::vector<TM3UEntry>& Entries, std::string& Error) {
    if (!isRegularFile(FileName)) {
        Error = FileExists(FileName) || FolderExists(FileName) ? "Not a playlist file: " + FileName
                                                               : "File not found: " + FileName;
        return false;
    }
    // FileToString never blocks on a file that turned into a FIFO since the look above.
    const std::string text = TFileUtils::FileToString(FileName);
    if (text.empty() && StampOf(FileName).Size != 0) {
        Error = "Cannot read the playlist file " + FileName + ".";
        return false;
    }
    Entries = ParseM3U(text, folderOf(FileName));
    return true;
}

bool RenderM3U(const TPlayList& List, const std::string& Folder, std::string& Text,
               std::string& Error, const TM3UTagLookup& Tags) {
    Text = "#EXTM3U\n";
    for (const std::string& entry : List.Tracks()) {
        const std::string path = TrackPath(entry);
        const std::int32_t seconds = TrackSeconds(entry);
        if (!PlayListCanHold(path)) {
            Error = PlayListRefusalMessage(path);
            return false;
        }
        const bool stream = IsStreamUrl(path);
        std::string written = path;
        if (!Folder.empty() && !stream) {
            const std::string relative =
                std::filesystem::path(path).lexically_relative(Folder).string();
            if (!relative.empty())
                written = relative.front() == '#' ? "./" + relative : relative;
        }
        // -1 is the format's "length unknown"; a playlist holds 0 for that.
        TM3UTags known = Tags && !stream ? Tags(path) : TM3UTags();
        if (known.Title.empty())
            known.Title = stream ? path : FileTitle(path);
        Text += std::string(ExtInf) + std::to_string(seconds > 0 ? seconds : -1) + "," +
                (known.Artist.empty() ? known.Title : known.Artist + " - " + known.Title) + "\n" +
                written + "\n";
    }
    return true;
}

bool WriteM3UFile(const std::string& FileName, const TPlayList& List, bool Relative,
                  std::string& Error, const TM3UTagLookup& Tags) {
    std::string text;
    if (!RenderM3U(List, Relative ? folderOf(FileName) : std::string(), text, Error, Tags))
        return false;
    if (!TFileUtils::StringToFile(FileName, text)) {
        Error = "Cannot write the playlist file " + FileName + ".";
        return false;
    }
    return true;
}

std::string PlayListNameOfM3U(const std::string& FileName) {
    return FileTitle(FileName);
}

bool ImportM3UEntries(TPlayListManager& Manager, const std::string& Name,
                      const std::vector<TM3UEntry>& Entries, bool KeepMissing, std::string& Error,
                      const TTrackEntryLookup& Library) {
    if (Manager.Exists(Name)) {
        Error = PlayListNameTakenMessage;
        return false;
    }
    if (!Manager.AddPlayList(Name)) {
        Error = InvalidPlayListNameMessage;
        return false;
    }
    TPlayList* list = Manager.FindByName(Name);
    for (const TM3UEntry& entry : Entries) {
        if (!entry.Refusal.empty() || !(entry.Exists || entry.Stream || KeepMissing))
            continue;
        std::string known = Library && !entry.Stream ? Library(entry.Path) : std::string();
        list->AddTrack(known.empty() ? MakeTrackEntry(entry.Path, entry.Seconds)
                                     : std::move(known));
    }
    return true;
}

} // namespace orvanta
