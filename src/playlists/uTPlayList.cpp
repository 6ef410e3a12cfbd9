#include "playlists/uTPlayList.h"

#include <charconv>
#include <sys/stat.h>
#include <unistd.h>

#include "common/uTFileUtils.h"
#include "common/uTStringUtils.h"
#include "playlists/uTextFold.h"

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

std::string LowerEntry(std::string_view Entry) {
    std::string lowered(Entry);
    for (char& c : lowered)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lowered;
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
    return seconds;
}

bool PlayListCanHold(std::string_view Path) {
    return Path.find_first_of("\r\n") == std::string_view::npos;
}

std::string PlayListRefusalMessage(std::string_view Path) {
    return "A playlist cannot hold a file whose name contains a line break:\r\n" +
           std::string(Path);
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
    // A file saved by a Linux editor has bare LF line ends; reading it as one line would lose
    // its entries at the next save.
    const std::string_view lineBreak =
        text.find(LineBreak) == std::string::npos && text.find('\n') != std::string::npos
            ? std::string_view("\n")
            : LineBreak;
    std::string field;
    int next = TStringUtils::NextField(field, text, 1, lineBreak);
    if (!field.empty()) {
        std::int32_t mode = pmNormal;
        PlayMode = parseDecimal(field, mode) ? mode : pmNormal;
    }
    while (next > 0) {
        next = TStringUtils::NextField(field, text, next, lineBreak);
        InsertTrack(field, -1);
    }
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
        if (SameTextFolded(entry, Entry))
            return true;
    return false;
}

std::string TPlayList::GetTrack(std::int32_t Index) const {
    return inRange(Index) ? FTracks[static_cast<std::size_t>(Index)] : std::string();
}

void TPlayList::InsertTrack(std::string Entry, std::int32_t Index) {
    if (inRange(Index))
        FTracks.insert(FTracks.begin() + Index, std::move(Entry));
    else
        FTracks.push_back(std::move(Entry));
}

bool TPlayList::AddTrack(std::string Entry, std::int32_t Index) {
    if (!PlayListCanHold(TrackPath(Entry)))
        return false;
    InsertTrack(std::move(Entry), Index);
    return true;
}

void TPlayList::Clear() {
    FTracks.clear();
    Position = -1;
}

void TPlayList::DeleteTrack(std::int32_t Index) {
    if (inRange(Index))
        FTracks.erase(FTracks.begin() + Index);
}

void TPlayList::RemoveTrack(std::string_view Entry) {
    for (std::int32_t i = Count() - 1; i >= 0; --i)
        if (SameTextAscii(FTracks[static_cast<std::size_t>(i)], Entry))
            FTracks.erase(FTracks.begin() + i);
}

void TPlayList::RemoveTracks(const std::unordered_set<std::string>& LoweredEntries) {
    if (LoweredEntries.empty())
        return;
    std::erase_if(FTracks, [&](const std::string& entry) {
        return LoweredEntries.contains(LowerEntry(entry));
    });
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
    if (inRange(Index1) && inRange(Index2) && Index1 != Index2)
        std::swap(FTracks[static_cast<std::size_t>(Index1)],
                  FTracks[static_cast<std::size_t>(Index2)]);
}

} // namespace orvanta
