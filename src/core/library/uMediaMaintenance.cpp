#include "core/library/uMediaMaintenance.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>

#include "core/common/uDataPaths.h"
#include "core/common/uDisplayUtils.h"
#include "core/common/uOrderedWork.h"
#include "core/common/uPathText.h"
#include "core/common/uTFileUtils.h"
#include "core/metadata/ID3v1.h"
#include "core/metadata/ID3v2.h"
#include "core/metadata/uAudioInfo.h"
#include "core/metadata/uAudioSniff.h"
#include "core/metadata/uTagFile.h"

namespace orvanta {

namespace {

std::int64_t modificationTime(const struct stat& info) {
    return static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
}

enum class TPresence { Present, Missing, Unknown };

// Only a definite "no such file" in a folder that exists counts as missing; a folder that
// cannot be reached, or a file that cannot be examined, says nothing.
TPresence presenceOf(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0)
        return TPresence::Present;
    return errno == ENOENT ? TPresence::Missing : TPresence::Unknown;
}

// As presenceOf, with the stamp of a file that is there; a link whose target is gone is
// there with no stamp (a time of 0).
TPresence stampOf(const std::string& path, TMediaStamp& stamp) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        stamp.FileSize = info.st_size;
        stamp.FileTime = modificationTime(info);
        return TPresence::Present;
    }
    if (errno != ENOENT)
        return TPresence::Unknown;
    stamp = {};
    return presenceOf(path);
}

// The rows of a page whose files changed, and the stamps of rows stored without a time,
// written at the end of the page so that the walk never holds the library.
class TStampWrites {
public:
    explicit TStampWrites(TMyMediaDB& library) : FLibrary(library) {}

    void Look(const TMediaRecord& row, const TMediaStamp& now, std::vector<std::int64_t>& changed) {
        if (FileChanged(row.Stamp, now))
            changed.push_back(row.Id);
        else if (row.Stamp.FileTime != now.FileTime)
            FStamps.push_back({row.Directory, row.FileName, now});
    }

    void Write() {
        if (FStamps.empty())
            return;
        FLibrary.BeginBatch();
        try {
            for (const TStamp& stamp : FStamps)
                FLibrary.StampMedia(stamp.Directory, stamp.FileName, stamp.Stamp);
            FLibrary.EndBatch();
        } catch (...) {
            FLibrary.CancelBatch();
            throw;
        }
        FStamps.clear();
    }

private:
    struct TStamp {
        std::string Directory;
        std::string FileName;
        TMediaStamp Stamp;
    };
    TMyMediaDB& FLibrary;
    std::vector<TStamp> FStamps;
};

enum class TFolderState { Unreachable, Empty, HasContent };

// A folder that is missing or cannot be listed is out of reach (an absent share).
TFolderState folderState(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return TFolderState::Unreachable;
    TFolderState state = TFolderState::Empty;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            state = TFolderState::HasContent;
            break;
        }
    }
    ::closedir(dir);
    return state;
}

} // namespace

bool ReadFileStamp(const std::string& Path, TMediaStamp& Stamp) {
    struct stat info {};
    if (::stat(Path.c_str(), &info) != 0)
        return false;
    Stamp.FileSize = info.st_size;
    Stamp.FileTime = modificationTime(info);
    return true;
}

bool FileChanged(const TMediaStamp& Stored, const TMediaStamp& Now) {
    return Stored.FileSize != Now.FileSize ||
           (Stored.FileTime != 0 && Stored.FileTime != Now.FileTime);
}

std::string UnsupportedFileMessage(std::string_view Path) {
    return "The following file type is not supported.\r\n" + ExtractFileName(Path);
}

std::string AddRefusalMessage(const TAddResult& Result) {
    switch (Result.Outcome) {
    case TAddOutcome::Unsupported:
        return UnsupportedFileMessage(Result.Path);
    case TAddOutcome::NotRegularFile:
        return TFileUtils::NotRegularFileMessage(Result.Path);
    case TAddOutcome::NoAudio:
    case TAddOutcome::Unreadable:
        return DisplayPath(Result.Path) + ": " + SkipReason(Result);
    case TAddOutcome::Added:
    case TAddOutcome::AlreadyInLibrary:
    case TAddOutcome::Updated:
        break;
    }
    return {};
}

std::string SkipReason(TAddOutcome Outcome) {
    switch (Outcome) {
    case TAddOutcome::Unsupported:
        return "a format Orvanta does not read";
    case TAddOutcome::NoAudio:
        return "no MPEG audio found";
    case TAddOutcome::Unreadable:
        return "cannot be read";
    case TAddOutcome::NotRegularFile:
        return "not a regular file";
    default:
        return {};
    }
}

std::string SkipReason(const TAddResult& Result) {
    if (Result.Outcome == TAddOutcome::NoAudio && Result.Format != TAudioFormat::MP3 &&
        Result.Format != TAudioFormat::Unknown)
        return "no " + std::string(FormatName(Result.Format)) + " audio found";
    return SkipReason(Result.Outcome);
}

void TAddTally::detail(std::string Line) {
    if (DetailLimit > 0 && Details.size() >= DetailLimit) {
        ++FDetailsLeftOut;
        Details.back() = "... and " + std::to_string(FDetailsLeftOut + 1) + " more";
        return;
    }
    Details.push_back(std::move(Line));
}

void TAddTally::Count(const TAddResult& Result) {
    switch (Result.Outcome) {
    case TAddOutcome::Added:
        ++Added;
        break;
    case TAddOutcome::AlreadyInLibrary:
        ++Known;
        break;
    case TAddOutcome::Updated:
        ++Updated;
        break;
    default:
        ++Skipped;
        detail(Result.Path + ": " + SkipReason(Result));
        break;
    }
    if (Result.Outcome != TAddOutcome::Unsupported)
        return;
    ++Unsupported;
    std::string kind(ExtensionOf(Result.Path));
    for (char& c : kind)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    kind = kind.empty() ? "no extension" : "." + kind;
    if (std::find(UnsupportedKinds.begin(), UnsupportedKinds.end(), kind) == UnsupportedKinds.end())
        UnsupportedKinds.push_back(std::move(kind));
}

void TAddTally::CountFolder(const std::string& Path, const std::string& Reason) {
    ++Skipped;
    detail(Path + ": " + SkipReason(TAddOutcome::Unreadable) + " (" + Reason + ")");
}

std::string TAddTally::Summary() const {
    return std::to_string(Added) + " added, " +
           (Updated > 0 ? std::to_string(Updated) + " updated, " : std::string()) +
           std::to_string(Known) + " already in the library, " +
           (PassedBy > 0 ? std::to_string(PassedBy) + " left out as removed earlier, "
                         : std::string()) +
           std::to_string(Skipped) + " skipped" + unsupportedSummary();
}

std::string TAddTally::unsupportedSummary() const {
    if (Unsupported == 0)
        return {};
    // A folder of many kinds names the first few.
    constexpr std::size_t Named = 6;
    std::string kinds;
    for (std::size_t i = 0; i < UnsupportedKinds.size() && i < Named; ++i)
        kinds += (i > 0 ? ", " : "") + UnsupportedKinds[i];
    if (UnsupportedKinds.size() > Named)
        kinds += ", ...";
    return " (" + std::to_string(Unsupported) +
           (Unsupported == 1 ? " file in a format" : " files in formats") +
           " Orvanta does not read: " + kinds + ")";
}

TAddResult TMediaMaintenance::readOne(const std::string& Path, bool KnownType,
                                      const TFileBatch::TFile* File) const {
    TAddResult result;
    result.Path = Path;
    TMediaRecord& row = result.Row;
    row.Directory = ExtractFileDir(Path);
    row.FileName = ExtractFileName(Path);
    TFileSource source;
    if (File && File->Fd >= 0) {
        // A regular file the batch opened and read.
        row.Stamp = {File->Size, File->ModifiedNs};
        source.Adopt(*File);
    } else {
        // A missing file is the caller's to refuse; a FIFO or device would block the reader.
        // A file of a type the program does not read is not looked at any further.
        struct stat node {};
        const bool found = ::stat(Path.c_str(), &node) == 0;
        if (found && !S_ISREG(node.st_mode)) {
            result.Outcome = KnownType ? TAddOutcome::NotRegularFile : TAddOutcome::Unsupported;
            return result;
        }
        if (found)
            row.Stamp = {node.st_size, modificationTime(node)};
        if (!found || !source.Open(Path)) {
            result.Outcome = KnownType ? TAddOutcome::Unreadable : TAddOutcome::Unsupported;
            return result;
        }
    }
    // The content decides: a WAV file named .mp3 is read as WAV, a FLAC file named .dat as FLAC.
    const std::string_view extension = ExtensionOf(Path);
    const TAudioFormat format = SniffFormat(source, extension);
    if (format == TAudioFormat::Unknown && !KnownType) {
        result.Outcome = TAddOutcome::Unsupported;
        return result;
    }
    result.Format = format == TAudioFormat::Unknown ? FormatOfExtension(extension) : format;
    switch (ReadMediaFields(source, format, row)) {
    case TMediaRead::Audio:
        result.Outcome = TAddOutcome::Added;
        break;
    case TMediaRead::NoAudio:
        result.Outcome = TAddOutcome::NoAudio;
        break;
    case TMediaRead::Unreadable:
        result.Outcome = TAddOutcome::Unreadable;
        break;
    }
    // Only an empty title is replaced: a copy per file shows in a warm add.
    if (row.Title.empty())
        row.Title = TitleOrFileName(row.Title, Path);
    return result;
}

void TMediaMaintenance::writeOne(TAddResult& Result) {
    if (Result.Outcome != TAddOutcome::Added)
        return;
    const TMediaRecord& row = Result.Row;
    if (FLibrary.AddMedia(row)) {
        Result.Row.Id = FLibrary.AddedId();
        return;
    }
    Result.Outcome = TAddOutcome::AlreadyInLibrary;
    TMediaStamp stored;
    if (!FLibrary.MediaStamp(row.Directory, row.FileName, stored))
        return;
    if (FileChanged(stored, row.Stamp)) {
        FLibrary.RewriteMedia(row);
        Result.Outcome = TAddOutcome::Updated;
    } else if (stored.FileTime != row.Stamp.FileTime) {
        FLibrary.StampMedia(row.Directory, row.FileName, row.Stamp); // a row from before the time
    }
}

TAddResult TMediaMaintenance::addOne(const std::string& Path) {
    TAddResult result = readOne(Path, !FileTypeOf(Path, FFileTypes).empty());
    writeOne(result);
    return result;
}

TAddResult TMediaMaintenance::AddFile(const std::string& Path) {
    return addOne(Path);
}

int TMediaMaintenance::AddFiles(const std::vector<std::string>& Paths,
                                const std::function<void(TAddResult&)>& OnFileDone,
                                const TMaintenanceProgress& Progress) {
    using Clock = std::chrono::steady_clock;
    std::vector<TAddResult> pending;
    bool inBatch = false;
    Clock::time_point batchStart;
    // Results are handed out only after their rows reached the disk, so whatever a caller
    // was told survives a crash. A failed write hands out nothing of its batch.
    const auto flush = [&] {
        if (inBatch) {
            inBatch = false;
            try {
                FLibrary.EndBatch();
            } catch (...) {
                FLibrary.CancelBatch();
                throw;
            }
        }
        for (TAddResult& result : pending)
            if (OnFileDone)
                OnFileDone(result);
        pending.clear();
    };
    const int total = static_cast<int>(Paths.size());
    // The file types are looked up here, so the readers share nothing but the paths.
    std::vector<bool> known(Paths.size());
    for (std::size_t i = 0; i < Paths.size(); ++i)
        known[i] = !FileTypeOf(Paths[i], FFileTypes).empty();
    int done = 0;
    // Readers take runs of files, each opened and read by one batch with a few system calls.
    const std::size_t runs = (Paths.size() + TFileBatch::MaxFiles - 1) / TFileBatch::MaxFiles;
    const std::function<std::vector<TAddResult>(std::size_t)> read = [&](std::size_t r) {
        thread_local TFileBatch batch;
        const std::size_t first = r * TFileBatch::MaxFiles;
        const std::size_t count = std::min(TFileBatch::MaxFiles, Paths.size() - first);
        // Every file is opened: its content may name a format its extension does not.
        batch.Open(Paths, first, count, TFileSource::HeadBytes);
        std::vector<TAddResult> results;
        results.reserve(count);
        for (std::size_t i = first; i < first + count; ++i)
            results.push_back(readOne(Paths[i], known[i], &batch.Files()[i - first]));
        batch.Close();
        return results;
    };
    const std::function<bool(TAddResult&)> writeResult = [&](TAddResult& result) {
        if (Progress.Cancelled && Progress.Cancelled())
            return false;
        if (!inBatch && CommitInterval.count() > 0) {
            FLibrary.BeginBatch();
            inBatch = true;
            batchStart = Clock::now();
        }
        try {
            writeOne(result);
            pending.push_back(std::move(result));
        } catch (...) {
            // The failing file undid its own work; the files before it stay added.
            flush();
            throw;
        }
        ++done;
        if (!inBatch || Clock::now() - batchStart >= CommitInterval)
            flush();
        if (Progress.OnProgress)
            Progress.OnProgress(done, total);
        return true;
    };
    const std::function<bool(std::size_t, std::vector<TAddResult>&)> write =
        [&](std::size_t, std::vector<TAddResult>& results) {
            for (TAddResult& result : results)
                if (!writeResult(result))
                    return false;
            return true;
        };
    RunOrdered<std::vector<TAddResult>>(runs, Readers, static_cast<std::size_t>(Readers) * 2, read,
                                        write);
    flush();
    return done;
}

bool TMediaMaintenance::InPlayLists(std::string_view TrackEntry) const {
    return FPlayLists.ContainsTrack(TrackEntry);
}

std::size_t RemoveMediaRows(TMyMediaDB& Library, const std::vector<TMediaRecord>& Rows,
                            const TMaintenanceProgress& Progress) {
    std::size_t removed = 0;
    // One write to disk for the whole removal instead of one per file.
    Library.BeginBatch();
    try {
        for (; removed < Rows.size() && !(Progress.Cancelled && Progress.Cancelled()); ++removed) {
            Library.RemoveMedia(Rows[removed].Directory, Rows[removed].FileName);
            if (Progress.OnProgress)
                Progress.OnProgress(static_cast<int>(removed + 1), static_cast<int>(Rows.size()));
        }
        Library.EndBatch();
    } catch (...) {
        Library.CancelBatch();
        throw;
    }
    return removed;
}

TPurgeResult TMediaMaintenance::RemoveMissingFiles(const TMaintenanceProgress& Progress,
                                                   const TPurgeScope& Scope) {
    struct TMissing {
        std::string Directory;
        std::string FileName;
        std::int32_t Seconds;
    };
    TPurgeResult result;
    std::vector<TMissing> missing;
    std::unordered_map<std::string, bool> folderChecked;
    std::unordered_set<std::string> scope;
    for (const std::string& folder : Scope.Folders)
        scope.insert(FolderSpellings(folder).first);
    const auto total = static_cast<int>(FLibrary.MediaCount());
    TStampWrites stamps(FLibrary);
    std::vector<std::int64_t> changed;
    FLibrary.WalkMediaFiles([&](const std::vector<TMediaRecord>& Rows) {
        for (const TMediaRecord& row : Rows) {
            if (Progress.Cancelled && Progress.Cancelled()) {
                result.Cancelled = true;
                return false;
            }
            if (!scope.empty() && !scope.contains(FolderSpellings(row.Directory).first))
                continue;
            auto known = folderChecked.find(row.Directory);
            if (known == folderChecked.end()) {
                // An unmounted drive leaves its mount point empty: its files are only out of
                // reach. An album folder the user emptied is no mount point.
                const TFolderState state = folderState(row.Directory);
                const bool check =
                    state == TFolderState::HasContent ||
                    (state == TFolderState::Empty && !MountPoints.Holds(row.Directory));
                known = folderChecked.emplace(row.Directory, check).first;
            }
            if (!known->second) {
                ++result.KeptFolderMissing;
                // A folder that cannot be listed may still let its files be read.
                TMediaStamp now;
                if (Scope.FindChanged && stampOf(row.FullPath(), now) == TPresence::Present &&
                    now.FileTime != 0)
                    stamps.Look(row, now, changed);
            } else if (!Scope.FindChanged) {
                if (presenceOf(row.FullPath()) == TPresence::Missing)
                    missing.push_back({row.Directory, row.FileName, row.Seconds});
            } else {
                TMediaStamp now;
                const TPresence presence = stampOf(row.FullPath(), now);
                if (presence == TPresence::Missing)
                    missing.push_back({row.Directory, row.FileName, row.Seconds});
                else if (presence == TPresence::Present && now.FileTime != 0)
                    stamps.Look(row, now, changed);
            }
            ++result.Checked;
            if (Progress.OnProgress)
                Progress.OnProgress(result.Checked, std::max(total, result.Checked));
        }
        stamps.Write();
        return true;
    });
    if (Scope.FindChanged && !result.Cancelled)
        result.Changed = std::move(changed);
    // Nothing missing: the library is only read, so a start beside a busy writer never waits.
    if (missing.empty())
        return result;
    FLibrary.BeginBatch();
    try {
        for (const TMissing& row : missing) {
            FLibrary.DeleteMedia(row.Directory, row.FileName);
            result.Removed.push_back(
                MakeTrackEntry(JoinPath(row.Directory, row.FileName), row.Seconds));
        }
        FLibrary.EndBatch();
    } catch (...) {
        FLibrary.CancelBatch();
        throw;
    }
    FPlayLists.RemoveTracksEverywhere(result.Removed);
    return result;
}

int TMediaMaintenance::FillMissingNumbers(const TMaintenanceProgress& Progress) {
    if (!FLibrary.HasListingKeys())
        return 0;
    // A few thousand rows at a time: an old library of a million rows is never held whole.
    constexpr int Chunk = 2000;
    int filled = 0;
    std::int64_t last = 0;
    for (;;) {
        const std::vector<TMediaRecord> rows = FLibrary.RowsWithoutNumbers(last, Chunk);
        if (rows.empty())
            return filled;
        std::vector<std::pair<std::int64_t, TMediaNumbers>> found;
        for (const TMediaRecord& row : rows) {
            if (Progress.Cancelled && Progress.Cancelled())
                break;
            const std::string path = row.FullPath();
            if (!TFileUtils::IsRegularFile(path))
                continue;
            TMediaNumbers numbers;
            TID3v2 tag;
            TID3v1 old;
            if (!tag.LoadTag(path))
                continue;
            if (tag.Present())
                numbers = {tag.Track(), tag.Disc(), tag.AlbumArtist()};
            else if (old.LoadTag(path) && old.Present())
                numbers.Track = old.Track();
            found.emplace_back(row.Id, std::move(numbers));
        }
        FLibrary.BeginBatch();
        try {
            for (const auto& [id, numbers] : found)
                FLibrary.SetMediaNumbers(id, numbers);
            FLibrary.EndBatch();
        } catch (...) {
            FLibrary.CancelBatch();
            throw;
        }
        filled += static_cast<int>(found.size());
        if (Progress.OnProgress)
            Progress.OnProgress(filled, 0);
        if (Progress.Cancelled && Progress.Cancelled())
            return filled;
        last = rows.back().Id;
    }
}

} // namespace orvanta
