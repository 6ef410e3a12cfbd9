#include "core/playlists/uTPlayList.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <sys/stat.h>
#include <unistd.h>

#include "core/common/uTFileUtils.h"
#include "core/metadata/uTagText.h"

namespace orvanta {

namespace {

constexpr std::string_view LineBreak = "\r\n";

// A whole decimal number with an optional sign; nothing else is accepted.
bool parseDecimal(std::string_view text, std::int32_t& value) {
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// FileToString gives "" both for an empty file and for one it could not read.
bool isReadableEmptyFile(const std::string& fileName) {
    struct stat info {};
    return ::stat(fileName.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size == 0 &&
           ::access(fileName.c_str(), R_OK) == 0;
}

} // namespace

std::string MakeTrackEntry(std::string_view Path, std::int32_t Seconds) {
    std::string entry(Path);
    entry += '*';
    entry += std::to_string(Seconds);
    return entry;
}

// A file name may hold "*" itself; the seconds never do, so the last "*" splits the entry.
std::string TrackPath(std::string_view Entry) {
    return std::string(Entry.substr(0, Entry.rfind('*')));
}

std::int32_t TrackSeconds(std::string_view Entry) {
    const auto star = Entry.rfind('*');
    std::int32_t seconds = 0;
    if (star == std::string_view::npos || !parseDecimal(Entry.substr(star + 1), seconds))
        return 0;
    // Only a hand edit gives a negative length; it counts as unknown.
    return seconds < 0 ? 0 : seconds;
}

bool PlayListCanHold(std::string_view Path) {
    return Path.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::string PlayListRefusalMessage(std::string_view Path) {
    const bool lineBreak = Path.find_first_of("\r\n") != std::string_view::npos;
    return std::string("A playlist cannot hold a file whose name contains ") +
           (lineBreak ? "a line break" : "a NUL byte") + ":\r\n" + std::string(Path);
}

void TPlayList::SetUp(std::string AName, std::int32_t APlayMode) {
    Name = std::move(AName);
    PlayMode = APlayMode;
    Clear();
}

void TPlayList::Assign(const TPlayList& Source) {
    if (&Source == this) {
        Position = -1;
        return;
    }
    Name = Source.Name;
    PlayMode = Source.PlayMode;
    Clear();
    FTracks = Source.FTracks;
}

bool TPlayList::LoadFromFile(const std::string& FileName) {
    const std::string text = TFileUtils::FileToString(FileName);
    if (text.empty())
        return isReadableEmptyFile(FileName);
    return LoadFromText(text);
}

bool TPlayList::LoadFromText(std::string_view Bytes) {
    std::string decoded;
    if (Bytes.starts_with("\xFF\xFE") || Bytes.starts_with("\xFE\xFF")) {
        decoded = tagtext::Utf16ToUtf8(Bytes.substr(2), Bytes[0] == '\xFE');
        Bytes = decoded;
    } else if (Bytes.find('\0') != std::string_view::npos) {
        return false;
    } else if (Bytes.starts_with("\xEF\xBB\xBF")) {
        Bytes.remove_prefix(3);
    }
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < Bytes.size(); ++i) {
        if (Bytes[i] != '\r' && Bytes[i] != '\n')
            continue;
        lines.emplace_back(Bytes.substr(start, i - start));
        if (Bytes[i] == '\r' && i + 1 < Bytes.size() && Bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    lines.emplace_back(Bytes.substr(start));
    // An empty first line keeps the mode; a first line that is not a number is a hand-written
    // list's first entry.
    auto line = lines.begin();
    std::int32_t mode = pmNormal;
    if (line->empty() || parseDecimal(*line, mode)) {
        if (!line->empty())
            PlayMode = mode;
        ++line;
    } else {
        PlayMode = pmNormal;
    }
    for (; line != lines.end(); ++line)
        if (line->find_first_not_of(" \t") != std::string::npos)
            InsertTrack(std::move(*line), -1);
    return true;
}

std::string TPlayList::ToText() const {
    std::string text = std::to_string(PlayMode);
    for (const std::string& entry : FTracks) {
        text += LineBreak;
        text += entry;
    }
    return text;
}

bool TPlayList::SaveToFile(const std::string& FileName) const {
    return TFileUtils::StringToFile(FileName, ToText());
}

bool TPlayList::Contains(std::string_view Entry) const {
    for (const std::string& entry : FTracks)
        if (entry == Entry)
            return true;
    return false;
}

std::string TPlayList::GetTrack(std::int32_t Index) const {
    return inRange(Index) ? FTracks[static_cast<std::size_t>(Index)] : std::string();
}

void TPlayList::InsertTrack(std::string Entry, std::int32_t Index) {
    ++FRevision;
    if (inRange(Index))
        FTracks.insert(FTracks.begin() + Index, std::move(Entry));
    else
        FTracks.push_back(std::move(Entry));
}

bool TPlayList::AddTrack(std::string Entry, std::int32_t Index) {
    if (!PlayListCanHold(Entry))
        return false;
    InsertTrack(std::move(Entry), Index);
    return true;
}

void TPlayList::Clear() {
    ++FRevision;
    FTracks.clear();
    Position = -1;
}

void TPlayList::DeleteTrack(std::int32_t Index) {
    if (inRange(Index)) {
        FTracks.erase(FTracks.begin() + Index);
        ++FRevision;
    }
}

void TPlayList::RemoveTracks(const std::unordered_set<std::string>& Entries) {
    if (Entries.empty())
        return;
    if (std::erase_if(FTracks, [&](const std::string& entry) { return Entries.contains(entry); }) >
        0)
        ++FRevision;
}

std::int32_t TPlayList::TotalSeconds() const {
    std::int64_t total = 0;
    for (const std::string& entry : FTracks)
        total = std::min<std::int64_t>(total + TrackSeconds(entry), INT32_MAX);
    return static_cast<std::int32_t>(total);
}

std::string TPlayList::NextTrack() {
    if (FTracks.empty())
        return {};
    if (PlayMode == pmRandom)
        return FTracks[static_cast<std::size_t>(FRandom->Random(Count()))];
    std::string result = GetTrack(Position);
    const std::int64_t next = static_cast<std::int64_t>(Position) + 1;
    if (next >= Count())
        Position = PlayMode == pmLoop ? 0 : -1;
    else
        Position = static_cast<std::int32_t>(next);
    return result;
}

void TPlayList::Shuffle() {
    if (Count() < 2)
        return;
    for (std::int32_t round = 0; round < 2 * Count() + 1; ++round) {
        const std::int32_t j = FRandom->Random(Count());
        const std::int32_t i = FRandom->Random(Count());
        Exchange(i, j);
    }
}

void TPlayList::Exchange(std::int32_t Index1, std::int32_t Index2) {
    if (inRange(Index1) && inRange(Index2) && Index1 != Index2) {
        ++FRevision;
        std::swap(FTracks[static_cast<std::size_t>(Index1)],
                  FTracks[static_cast<std::size_t>(Index2)]);
    }
}

} // namespace orvanta
