#include "library/uMediaFolders.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <set>
#include <sys/stat.h>
#include <unordered_set>
#include <utility>

#include "common/uDataPaths.h"
#include "common/uDisplayUtils.h"
#include "library/uMediaMaintenance.h"
#include "library/uTMyMediaDB.h"

namespace orvanta {

namespace {

class TFolderWalk {
public:
    TFolderWalk(const TCustomStringList& Types, TCollectedFiles& Out, bool Recursive)
        : FTypes(Types), FOut(Out), FRecursive(Recursive) {}

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
            } else if (type == DT_REG && !FileTypeOf(name, FTypes).empty()) {
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
    std::set<std::pair<dev_t, ino_t>> FSeen;
};

} // namespace

TCollectedFiles CollectMediaFiles(const std::vector<std::string>& Paths,
                                  const TCustomStringList& Types, bool Recursive) {
    TCollectedFiles out;
    TFolderWalk walk(Types, out, Recursive);
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

std::vector<std::string> FindNewFiles(TMyMediaDB& Library, const TCustomStringList& Types) {
    std::unordered_set<std::string> known;
    std::set<std::string> folders;
    {
        TEasyQuery query;
        Library.SelectAllMedia(query);
        const TEasyField directory = query.FieldByName("fDirectory");
        const TEasyField fileName = query.FieldByName("fFileName");
        for (query.First(); !query.Eof(); query.Next()) {
            std::string folder = directory.AsString();
            known.insert(LowerAscii(JoinPath(folder, fileName.AsString())));
            folders.insert(std::move(folder));
        }
        query.Close();
    }
    std::vector<std::string> present;
    for (const std::string& folder : folders)
        if (FolderExists(folder))
            present.push_back(folder);
    std::vector<std::string> found;
    for (std::string& path : CollectMediaFiles(present, Types, false).Files)
        if (known.count(LowerAscii(path)) == 0)
            found.push_back(std::move(path));
    std::sort(found.begin(), found.end());
    return found;
}

std::vector<std::string> FindChangedFiles(TMyMediaDB& Library) {
    struct TUnstamped {
        std::string Directory;
        std::string FileName;
        TMediaStamp Stamp;
    };
    std::vector<std::string> changed;
    std::vector<TUnstamped> unstamped;
    {
        TEasyQuery query;
        Library.SelectAllMedia(query);
        const TEasyField directory = query.FieldByName("fDirectory");
        const TEasyField fileName = query.FieldByName("fFileName");
        const TEasyField fileSize = query.FieldByName("fFileSize");
        const TEasyField fileTime = query.FieldByName("fFileTime");
        for (query.First(); !query.Eof(); query.Next()) {
            std::string path = JoinPath(directory.AsString(), fileName.AsString());
            TMediaStamp now;
            if (!ReadFileStamp(path, now))
                continue;
            const TMediaStamp stored{fileSize.AsInt64(), fileTime.AsInt64()};
            if (FileChanged(stored, now))
                changed.push_back(std::move(path));
            else if (stored.FileTime != now.FileTime)
                unstamped.push_back({directory.AsString(), fileName.AsString(), now});
        }
        query.Close();
    }
    if (!unstamped.empty()) {
        Library.BeginBatch();
        try {
            for (const TUnstamped& row : unstamped)
                Library.StampMedia(row.Directory, row.FileName, row.Stamp);
            Library.EndBatch();
        } catch (...) {
            Library.CancelBatch();
            throw;
        }
    }
    std::sort(changed.begin(), changed.end());
    return changed;
}

} // namespace orvanta
