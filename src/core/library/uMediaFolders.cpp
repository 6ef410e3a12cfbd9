#include "core/library/uMediaFolders.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <dirent.h>
#include <set>
#include <sys/stat.h>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "core/common/uDataPaths.h"
#include "core/common/uDisplayUtils.h"
#include "core/library/uMediaMaintenance.h"
#include "core/library/uTMyMediaDB.h"

namespace orvanta {

namespace {

class TFolderWalk {
public:
    // Others: also the files of audio formats the program does not read, for the add's
    // summary to name.
    TFolderWalk(const TCustomStringList& Types, TCollectedFiles& Out, bool Recursive, bool Others)
        : FTypes(Types), FOut(Out), FRecursive(Recursive), FOthers(Others) {}

    // Adds the known files below Folder to Found (unsorted).
    void Walk(const std::string& Folder, const struct stat& Info, std::vector<std::string>& Found) {
        if (!FSeen.insert({Info.st_dev, Info.st_ino}).second)
            return;
        DIR* dir = ::opendir(Folder.c_str());
        if (dir == nullptr) {
            FOut.Problems.push_back({Folder, std::strerror(errno)});
            return;
        }
        std::vector<std::string> folders;
        errno = 0;
        while (const dirent* entry = ::readdir(dir)) {
            const char* name = entry->d_name;
            if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
                continue;
            const std::string path = JoinPath(Folder, name);
            unsigned char type = entry->d_type;
            if (type == DT_LNK || type == DT_UNKNOWN) {
                struct stat target {};
                if (::stat(path.c_str(), &target) != 0)
                    continue; // a dangling link
                type = S_ISDIR(target.st_mode) ? DT_DIR : DT_REG;
            }
            if (type == DT_DIR) {
                if (name[0] != '.' && FRecursive)
                    folders.push_back(path);
            } else if (type == DT_REG &&
                       (!FileTypeOf(name, FTypes).empty() || (FOthers && IsOtherAudioFile(name)))) {
                Found.push_back(path);
            }
        }
        ::closedir(dir);
        // In name order, so which of two links to one folder is walked does not depend on
        // the order the file system lists them.
        std::sort(folders.begin(), folders.end());
        for (const std::string& folder : folders) {
            struct stat info {};
            if (::stat(folder.c_str(), &info) != 0) {
                FOut.Problems.push_back({folder, std::strerror(errno)});
                continue;
            }
            Walk(folder, info, Found);
        }
    }

private:
    const TCustomStringList& FTypes;
    TCollectedFiles& FOut;
    bool FRecursive;
    bool FOthers;
    std::set<std::pair<dev_t, ino_t>> FSeen;
};

} // namespace

TCollectedFiles CollectMediaFiles(const std::vector<std::string>& Paths,
                                  const TCustomStringList& Types, bool Recursive) {
    TCollectedFiles out;
    TFolderWalk walk(Types, out, Recursive, true);
    for (const std::string& path : Paths) {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
            out.Files.push_back(path);
            continue;
        }
        std::vector<std::string> found;
        walk.Walk(path, info, found);
        std::sort(found.begin(), found.end());
        for (std::string& file : found)
            out.Files.push_back(std::move(file));
    }
    return out;
}

TCollectedFiles CollectFilesToAdd(TMyMediaDB& Library, const std::vector<std::string>& Paths,
                                  const TCustomStringList& Types) {
    std::vector<std::string> named;
    for (const std::string& path : Paths) {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
            named.push_back(path);
    }
    Library.ForgetRemoved(named);
    TCollectedFiles collected = CollectMediaFiles(Paths, Types);
    const std::vector<std::string> removed = Library.RemovedPaths();
    if (removed.empty())
        return collected;
    const std::unordered_set<std::string> passBy(removed.begin(), removed.end());
    std::vector<std::string> kept;
    kept.reserve(collected.Files.size());
    for (std::string& file : collected.Files)
        (passBy.count(file) ? collected.PassedBy : kept).push_back(std::move(file));
    collected.Files = std::move(kept);
    return collected;
}

std::vector<std::string> FindNewFiles(TMyMediaDB& Library, const TCustomStringList& Types,
                                      const std::vector<std::string>* Folders) {
    // One folder at a time, each spelling of a folder once: only that folder's names are
    // held, however large the library.
    std::set<std::string> folders;
    for (std::string folder : Folders ? *Folders : Library.MediaDirectories()) {
        if (folder.empty() || folder.back() != '/')
            folder += '/';
        folders.insert(std::move(folder));
    }
    std::string typesKey;
    for (int i = 0; i < Types.Count(); ++i)
        typesKey += Types.Strings(i) + '\n';
    const bool keep = !Library.ReadOnly();
    const std::unordered_map<std::string, std::int64_t> times =
        keep ? Library.FolderTimes(typesKey) : std::unordered_map<std::string, std::int64_t>();
    std::vector<std::pair<std::string, std::int64_t>> newTimes;
    // A folder changed within the last seconds may change again within the same tick of
    // its clock: its time is not kept.
    const std::int64_t settled = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::system_clock::now().time_since_epoch())
                                     .count() -
                                 2'000'000'000;
    // One walk for all of them, so a folder reached under two names is listed once.
    TCollectedFiles unread;
    // Files the program does not read are not news at every refresh.
    TFolderWalk walk(Types, unread, false, false);
    std::vector<std::string> found;
    for (const std::string& folder : folders) {
        struct stat info {};
        if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
            continue;
        const std::int64_t time =
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
        const auto kept = times.find(folder);
        if (kept != times.end() && kept->second == time)
            continue;
        std::vector<std::string> files;
        walk.Walk(folder, info, files);
        std::size_t news = 0;
        if (!files.empty()) {
            std::vector<std::string> known = Library.KnownNamesIn(folder);
            std::sort(known.begin(), known.end());
            for (std::string& path : files)
                if (!std::binary_search(known.begin(), known.end(), ExtractFileName(path))) {
                    found.push_back(std::move(path));
                    ++news;
                }
        }
        // Files found now are added or skipped by this refresh; the next one lists the
        // folder again, and keeps its time once nothing is new.
        if (news == 0 && time < settled && time != 0)
            newTimes.emplace_back(folder, time);
        else if (kept != times.end())
            newTimes.emplace_back(folder, 0);
    }
    if (keep && !newTimes.empty())
        Library.SetFolderTimes(typesKey, newTimes);
    std::sort(found.begin(), found.end());
    return found;
}

std::vector<std::int64_t> FindChangedRows(TMyMediaDB& Library) {
    std::vector<std::int64_t> changed;
    std::vector<const TMediaRecord*> unstamped;
    std::vector<TMediaStamp> stamps;
    Library.WalkMediaFiles([&](const std::vector<TMediaRecord>& Rows) {
        unstamped.clear();
        stamps.clear();
        for (const TMediaRecord& row : Rows) {
            TMediaStamp now;
            if (!ReadFileStamp(row.FullPath(), now))
                continue;
            if (FileChanged(row.Stamp, now))
                changed.push_back(row.Id);
            else if (row.Stamp.FileTime != now.FileTime) {
                unstamped.push_back(&row);
                stamps.push_back(now);
            }
        }
        if (unstamped.empty())
            return true;
        Library.BeginBatch();
        try {
            for (std::size_t i = 0; i < unstamped.size(); ++i)
                Library.StampMedia(unstamped[i]->Directory, unstamped[i]->FileName, stamps[i]);
            Library.EndBatch();
        } catch (...) {
            Library.CancelBatch();
            throw;
        }
        return true;
    });
    return changed;
}

TRefreshFiles FindRefreshFiles(TMyMediaDB& Library, const TCustomStringList& Types,
                               const std::vector<std::int64_t>* Changed,
                               const std::vector<std::string>* Folders) {
    TRefreshFiles files;
    files.New = FindNewFiles(Library, Types, Folders);
    files.Changed = Changed ? *Changed : FindChangedRows(Library);
    return files;
}

int AddRefreshFiles(
    TMediaMaintenance& Maintenance, TMyMediaDB& Library, const TRefreshFiles& Files,
    const std::function<void(TAddResult&)>& OnFileDone,
    const std::function<void(int Done, int Total, const std::string& Path)>& OnProgress,
    const std::function<bool()>& Cancelled) {
    constexpr std::size_t Chunk = 2000;
    const int total = Files.Count();
    int done = 0;
    const auto add = [&](const std::vector<std::string>& Paths) {
        TMaintenanceProgress progress;
        const int before = done;
        progress.OnProgress = [&](int Done, int) {
            done = before + Done;
            if (OnProgress)
                OnProgress(done, total, Paths[static_cast<std::size_t>(Done - 1)]);
        };
        progress.Cancelled = Cancelled;
        const int handled = Maintenance.AddFiles(Paths, OnFileDone, progress);
        done = before + handled;
        return handled == static_cast<int>(Paths.size());
    };
    if (!add(Files.New))
        return done;
    // A row gone meanwhile has nothing left to read.
    for (std::size_t from = 0; from < Files.Changed.size(); from += Chunk) {
        const auto first = Files.Changed.begin() + static_cast<std::ptrdiff_t>(from);
        const std::vector<std::int64_t> ids(
            first,
            first + static_cast<std::ptrdiff_t>(std::min(Chunk, Files.Changed.size() - from)));
        if (!add(Library.MediaPaths(ids)))
            break;
    }
    return done;
}

} // namespace orvanta
