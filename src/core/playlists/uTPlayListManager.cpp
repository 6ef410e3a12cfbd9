#include "core/playlists/uTPlayListManager.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <unistd.h>
#include <vector>

#include "core/common/uDataPaths.h"
#include "core/common/uDisplayUtils.h"
#include "core/common/uTFileUtils.h"
#include "core/playlists/uTextFold.h"

namespace orvanta {

namespace {

constexpr std::string_view Extension = ".ply";
// A file name holds at most NAME_MAX (255) bytes, the extension included. The save's
// temporary file has a short name of its own, so the whole length is the playlist's.
constexpr std::size_t LongestName = NAME_MAX - Extension.size();
// How long a rename waits for another process's read-change-write of the folder.
constexpr int RenameWaitMs = 3000;
constexpr int LockPollMs = 20;

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

std::string saveFailedMessage(std::string_view Name, const std::string& File, int Error) {
    std::string message = "Cannot save the playlist \"" + std::string(Name) + "\" to " + File;
    if (Error != 0)
        message += std::string(": ") + std::strerror(Error);
    return message + ".";
}

} // namespace

std::string UnreadPlayListMessage(std::string_view Name) {
    return "The playlist \"" + std::string(Name) + "\" could not be read; it is left as it is.";
}

TPlayListManager::~TPlayListManager() {
    // Only what is still unwritten; everything else reached its file when it changed.
    if (!FFolder.empty() && FolderExists(FFolder))
        SaveChanged();
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

std::unique_ptr<TPlayListManager::TLock> TPlayListManager::OpenLocked(const std::string& AFolder) {
    FFolder = AFolder;
    auto lock = std::make_unique<TLock>(*this);
    if (FolderExists(FFolder))
        LoadAll(FFolder);
    return lock;
}

TPlayListManager::TLock::TLock(TPlayListManager& Manager, bool Wait) : FManager(Manager) {
    if (FManager.FLockDepth++ == 0 && !FManager.FFolder.empty())
        FBusy = FManager.FLock.Acquire(FManager.FFolder, Wait) == TFolderLock::TResult::Busy;
}

TPlayListManager::TLock::~TLock() {
    if (--FManager.FLockDepth == 0)
        FManager.FLock.Release();
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

bool TPlayListManager::IsUnread(const TPlayList* List) const {
    const auto state = FStates.find(List);
    return state != FStates.end() && state->second.Unread;
}

bool TPlayListManager::IsUnread(std::string_view Name) const {
    const TPlayList* list = FindByName(Name);
    return list != nullptr && IsUnread(list);
}

bool TPlayListManager::IsChanged(const TPlayList* List) const {
    const auto found = FStates.find(List);
    if (found == FStates.end())
        return true;
    const TFileState& state = found->second;
    if (state.Unread)
        return false;
    if (!state.Known)
        return true;
    if (state.Revision == List->Revision() && state.PlayMode == List->PlayMode)
        return false;
    return List->ToText() != state.Text;
}

void TPlayListManager::remember(const TPlayList* List, const TFileStamp& Stamp, bool Unread) {
    TFileState& state = FStates[List];
    state.Stamp = Stamp;
    state.Unread = Unread;
    state.Known = !Unread;
    state.Text = Unread ? std::string() : List->ToText();
    state.Revision = List->Revision();
    state.PlayMode = List->PlayMode;
}

TPlayList* TPlayListManager::loadFile(const std::string& Name, const std::string& Path) {
    auto owned = std::make_unique<TPlayList>(FRandom);
    TPlayList* list = owned.get();
    list->Name = Name;
    // Stamped before reading: a change made while it is read shows as a change next time.
    const TFileStamp stamp = StampOf(Path);
    remember(list, stamp, !list->LoadFromFile(Path));
    FPlayLists.AddObject(Name, std::move(owned));
    return list;
}

bool TPlayListManager::writeFile(TPlayList* List, std::string* Error) {
    const std::string path = FileNameOf(List->Name);
    errno = 0;
    if (!TFileUtils::StringToFile(LinkTargetOf(path), List->ToText())) {
        if (Error != nullptr)
            *Error = saveFailedMessage(List->Name, path, errno);
        return false;
    }
    remember(List, StampOf(path), false);
    return true;
}

void TPlayListManager::writeChanged(TPlayListSync& Sync) {
    for (int i = 0; i < Count(); ++i) {
        TPlayList* list = GetPlayList(i);
        if (!IsValidName(list->Name) || !IsChanged(list))
            continue;
        std::string error;
        if (!writeFile(list, &error)) {
            Sync.Failed.push_back(list->Name);
            Sync.Errors.push_back(error);
        }
    }
}

bool TPlayListManager::AddPlayList(const std::string& Name) {
    if (!IsValidName(Name) || Exists(Name))
        return false;
    auto list = std::make_unique<TPlayList>(FRandom);
    list->SetUp(Name, pmNormal);
    FPlayLists.AddObject(Name, std::move(list));
    return true;
}

bool TPlayListManager::DeletePlayList(const std::string& Name) {
    const int index = indexOf(Name);
    if (index < 0)
        return false;
    // The playlist's own file, named after its stored name: on a case-sensitive file system
    // the name as typed may name no file, and the playlist would come back at the next start.
    const auto* list = FPlayLists.ObjectAs<TPlayList>(index);
    if (IsValidName(list->Name) && !FFolder.empty())
        ::unlink(FileNameOf(list->Name).c_str());
    FStates.erase(list);
    FPlayLists.Delete(index);
    return true;
}

TPlayListRename TPlayListManager::RenamePlayList(const std::string& OldName,
                                                 const std::string& NewName) {
    TPlayListRename result;
    const bool onDisk = !FFolder.empty() && FolderExists(FFolder);
    const bool knownBefore = Exists(OldName);
    // Another process may have saved, renamed or removed playlists since the caller looked:
    // take that in first, under the lock, as every save does.
    std::unique_ptr<TLock> lock;
    if (onDisk) {
        // A window must not freeze behind a stopped process that holds the lock: wait a
        // little, then give up with a message, nothing changed.
        lock = std::make_unique<TLock>(*this, false);
        for (int waited = 0; lock->Busy() && waited < RenameWaitMs; waited += LockPollMs) {
            lock.reset();
            ::usleep(LockPollMs * 1000);
            lock = std::make_unique<TLock>(*this, false);
        }
        if (lock->Busy()) {
            result.Error = PlayListsBusyMessage;
            return result;
        }
        syncWithFolder(result.Sync);
    }
    const int index = indexOf(OldName);
    if (index < 0)
        result.Error = knownBefore ? "The playlist \"" + OldName +
                                         "\" was renamed or removed by another program."
                                   : "No playlist named " + OldName;
    else if (!IsValidName(NewName))
        result.Error = InvalidPlayListNameMessage;
    else if (Exists(NewName))
        result.Error = PlayListNameTakenMessage;
    else if (IsUnread(GetPlayList(index)))
        result.Error = UnreadPlayListMessage(GetPlayList(index)->Name);
    if (!result.Error.empty()) {
        if (onDisk)
            writeChanged(result.Sync);
        return result;
    }
    auto* list = GetPlayList(index);
    const std::string oldName = list->Name;
    const bool hadFile = onDisk && FStates[list].Stamp.Exists();
    list->Name = NewName;
    FPlayLists.SetString(index, NewName);
    if (!onDisk) {
        FStates.erase(list);
        return result;
    }
    // The new file first: a crash in between leaves both, never neither.
    if (!writeFile(list, &result.Error)) {
        list->Name = oldName;
        FPlayLists.SetString(index, oldName);
        writeChanged(result.Sync);
        return result;
    }
    if (hadFile)
        ::unlink(FileNameOf(oldName).c_str());
    writeChanged(result.Sync);
    return result;
}

void TPlayListManager::RemoveTracksEverywhere(const std::vector<std::string>& Entries) {
    const std::unordered_set<std::string> entries(Entries.begin(), Entries.end());
    for (int i = 0; i < Count(); ++i)
        GetPlayList(i)->RemoveTracks(entries);
}

bool TPlayListManager::ContainsTrack(std::string_view Entry) const {
    for (int i = 0; i < Count(); ++i)
        if (GetPlayList(i)->Contains(Entry))
            return true;
    return false;
}

void TPlayListManager::LoadAll(const std::string& AFolder) {
    FPlayLists.Clear();
    FStates.clear();
    for (const std::string& fileName : playListFilesIn(AFolder)) {
        const std::string name = fileName.substr(0, fileName.size() - Extension.size());
        if (IsValidName(name) && !Exists(name))
            loadFile(name, JoinPath(AFolder, fileName));
    }
}

bool TPlayListManager::SaveAll(const std::string& AFolder) {
    bool ok = true;
    for (int i = 0; i < Count(); ++i) {
        TPlayList* list = GetPlayList(i);
        if (IsUnread(list) || !IsValidName(list->Name))
            continue;
        if (AFolder == FFolder)
            ok = writeFile(list) && ok;
        else
            ok = list->SaveToFile(JoinPath(AFolder, list->Name + std::string(Extension))) && ok;
    }
    return ok;
}

std::string TPlayListManager::freeCopyName(const std::string& Name) const {
    std::string base = Name;
    // Room for " (NNN)" within the longest name, without cutting a character in half.
    while (base.size() + 8 > LongestName ||
           (!base.empty() && (static_cast<unsigned char>(base.back()) & 0xC0u) == 0x80u))
        base.pop_back();
    std::string candidate;
    for (int number = 2;; ++number) {
        candidate = base + " (" + std::to_string(number) + ")";
        if (!Exists(candidate) && !FileExists(FileNameOf(candidate)))
            return candidate;
    }
}

void TPlayListManager::mergeOutsideChange(int Index, TPlayListSync& Sync) {
    TPlayList* list = GetPlayList(Index);
    TFileState& state = FStates[list];
    const std::string path = FileNameOf(list->Name);
    const TFileStamp now = StampOf(path);
    if (now == state.Stamp)
        return;
    Sync.ChangedOutside = true;
    // A playlist made here and still empty simply takes the file that appeared under its name.
    const bool changedHere = IsChanged(list) && !(!state.Known && list->Count() == 0);
    if (changedHere) {
        // Both sides changed it: the file keeps its name, this process's version is kept
        // under the next free "Name (n)" and written with the other changes.
        auto copy = std::make_unique<TPlayList>(FRandom);
        copy->Assign(*list);
        copy->Name = freeCopyName(list->Name);
        Sync.Conflicts.emplace_back(list->Name, copy->Name);
        const std::string name = copy->Name;
        FPlayLists.AddObject(name, std::move(copy));
    }
    if (!now.Exists()) {
        // Removed or renamed by another process: it does not come back.
        FStates.erase(list);
        FPlayLists.Delete(Index);
        return;
    }
    TPlayList fresh(FRandom);
    if (!fresh.LoadFromFile(path)) {
        remember(list, now, true);
        return;
    }
    const std::string name = list->Name;
    list->Assign(fresh);
    list->Name = name;
    remember(list, now, false);
}

void TPlayListManager::syncWithFolder(TPlayListSync& Sync) {
    // Downwards, so that a deleted playlist or an appended copy leaves the rest in place.
    for (int i = Count() - 1; i >= 0; --i)
        mergeOutsideChange(i, Sync);
    for (const std::string& fileName : playListFilesIn(FFolder)) {
        const std::string name = fileName.substr(0, fileName.size() - Extension.size());
        if (!IsValidName(name) || Exists(name))
            continue;
        loadFile(name, JoinPath(FFolder, fileName));
        Sync.ChangedOutside = true;
    }
}

TPlayListSync TPlayListManager::SaveChanged(bool Wait) {
    TPlayListSync sync;
    if (FFolder.empty() || !FolderExists(FFolder))
        return sync;
    syncWithFolder(sync);
    bool unwritten = false;
    for (int i = 0; i < Count() && !unwritten; ++i)
        unwritten = IsValidName(GetPlayList(i)->Name) && IsChanged(GetPlayList(i));
    if (!unwritten)
        return sync;
    TLock lock(*this, Wait);
    if (lock.Busy()) {
        sync.Deferred = true;
        return sync;
    }
    // Again under the lock: another writer may have saved since the first look.
    syncWithFolder(sync);
    writeChanged(sync);
    return sync;
}

} // namespace orvanta
