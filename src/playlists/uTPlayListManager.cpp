#include "playlists/uTPlayListManager.h"

#include <algorithm>
#include <dirent.h>
#include <unistd.h>
#include <vector>

#include "common/uDataPaths.h"
#include "common/uDisplayUtils.h"
#include "playlists/uTextFold.h"

namespace orvanta {

namespace {

constexpr std::string_view Extension = ".ply";
// File names hold at most 255 bytes; the save writes a temporary file named after the
// playlist file plus a suffix, so the name leaves room for both.
constexpr std::size_t LongestName = 200;

std::vector<std::string> playListFilesIn(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.size() > Extension.size() && name.ends_with(Extension))
            names.emplace_back(name);
    }
    ::closedir(dir);
    // The directory's own order differs between file systems; name order is repeatable.
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TPlayListManager::~TPlayListManager() {
    if (!FFolder.empty() && FolderExists(FFolder))
        SaveAll(FFolder);
}

bool TPlayListManager::IsValidName(std::string_view Name) {
    if (Name.empty() || Name == "." || Name == ".." || Name.size() > LongestName)
        return false;
    return std::none_of(Name.begin(), Name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return c == '/' || c == '\\' || byte < 0x20 || byte == 0x7F;
    });
}

std::string TPlayListManager::FileNameOf(std::string_view Name) const {
    return JoinPath(FFolder, std::string(Name) + std::string(Extension));
}

void TPlayListManager::Open(const std::string& AFolder) {
    FFolder = AFolder;
    if (FolderExists(FFolder))
        LoadAll(FFolder);
}

int TPlayListManager::indexOf(std::string_view Name) const {
    for (int i = 0; i < FPlayLists.Count(); ++i)
        if (SameTextFolded(FPlayLists.Strings(i), Name))
            return i;
    return -1;
}

TPlayList* TPlayListManager::FindByName(std::string_view Name) const {
    const int index = indexOf(Name);
    return index < 0 ? nullptr : FPlayLists.ObjectAs<TPlayList>(index);
}

TPlayList* TPlayListManager::GetPlayList(std::int32_t Index) const {
    if (Index < 0 || Index >= Count())
        return nullptr;
    return FPlayLists.ObjectAs<TPlayList>(Index);
}

bool TPlayListManager::AddPlayList(const std::string& Name) {
    if (!IsValidName(Name) || Exists(Name))
        return false;
    auto* list = new TPlayList(FRandom);
    list->SetUp(Name, pmNormal);
    FPlayLists.AddObject(Name, list);
    return true;
}

bool TPlayListManager::DeletePlayList(const std::string& Name) {
    const int index = indexOf(Name);
    if (index < 0)
        return false;
    // The playlist's own file, named after its stored name: on a case-sensitive file system
    // the name as typed may name no file, and the playlist would come back at the next start.
    const auto* list = FPlayLists.ObjectAs<TPlayList>(index);
    if (IsValidName(list->Name))
        ::unlink(FileNameOf(list->Name).c_str());
    FUnread.erase(list);
    FPlayLists.Delete(index);
    return true;
}

bool TPlayListManager::RenamePlayList(const std::string& OldName, const std::string& NewName) {
    const int index = indexOf(OldName);
    if (index < 0 || !IsValidName(NewName) || Exists(NewName))
        return false;
    auto* list = FPlayLists.ObjectAs<TPlayList>(index);
    // An unread file keeps its name and content; the renamed playlist is written as new.
    if (FUnread.erase(list) == 0)
        ::unlink(FileNameOf(list->Name).c_str());
    list->Name = NewName;
    FPlayLists.SetString(index, NewName);
    return true;
}

void TPlayListManager::RemoveTrackEverywhere(std::string_view Entry) {
    for (int i = 0; i < Count(); ++i)
        GetPlayList(i)->RemoveTrack(Entry);
}

void TPlayListManager::RemoveTracksEverywhere(const std::vector<std::string>& Entries) {
    std::unordered_set<std::string> lowered;
    for (const std::string& entry : Entries)
        lowered.insert(LowerEntry(entry));
    for (int i = 0; i < Count(); ++i)
        GetPlayList(i)->RemoveTracks(lowered);
}

bool TPlayListManager::ContainsTrack(std::string_view Entry) const {
    for (int i = 0; i < Count(); ++i)
        if (GetPlayList(i)->Contains(Entry))
            return true;
    return false;
}

void TPlayListManager::LoadAll(const std::string& AFolder) {
    FPlayLists.Clear();
    FUnread.clear();
    for (const std::string& fileName : playListFilesIn(AFolder)) {
        const std::string name = fileName.substr(0, fileName.size() - Extension.size());
        if (!IsValidName(name) || Exists(name))
            continue;
        auto* list = new TPlayList(FRandom);
        list->Name = name;
        if (!list->LoadFromFile(JoinPath(AFolder, fileName)))
            FUnread.insert(list);
        FPlayLists.AddObject(name, list);
    }
}

bool TPlayListManager::SaveAll(const std::string& AFolder) {
    bool ok = true;
    for (int i = 0; i < Count(); ++i) {
        const TPlayList* list = GetPlayList(i);
        if (FUnread.contains(list) || !IsValidName(list->Name))
            continue;
        ok = list->SaveToFile(JoinPath(AFolder, list->Name + std::string(Extension))) && ok;
    }
    return ok;
}

} // namespace orvanta
