#include "core/library/uMediaMaintenance.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

#include "core/common/uDataPaths.h"
#include "core/common/uDisplayUtils.h"
#include "core/common/uFileDescriptor.h"
#include "core/common/uOrderedWork.h"
#include "core/common/uPathText.h"
#include "core/common/uTFileUtils.h"
#include "core/metadata/ID3v1.h"
#include "core/metadata/ID3v2.h"
#include "core/metadata/MPEGaudio.h"
#include "core/metadata/uAudioInfo.h"
#include "core/metadata/uTagFile.h"

namespace orvanta {

namespace {

// Rounds halves to even, as the stored seconds require.
std::int32_t roundSeconds(double seconds) {
    if (!std::isfinite(seconds) || seconds <= 0)
        return 0;
    const double rounded = std::nearbyint(seconds);
    if (rounded >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(rounded);
}

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

// The analyser also fails on files too short to hold a frame; those can be opened. Never a
// blocking open: that of a FIFO waits for a writer for ever.
bool canOpen(const std::string& path) {
    if (!TFileUtils::IsRegularFile(path))
        return false;
    return TFileDescriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)).IsOpen();
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

TMediaRecord ReadMediaInfo(const std::string& Path) {
    TMediaRecord info;
    ReadMediaInfo(Path, info);
    return info;
}

namespace {

// The fields a file decides, before it is read.
void clearFileFields(TMediaRecord& info) {
    TMediaRecord read;
    read.Id = info.Id;
    read.Directory = std::move(info.Directory);
    read.FileName = std::move(info.FileName);
    read.Stamp = info.Stamp;
    info = std::move(read);
}

// The fields of an analysed file: NoAudio when it holds no valid MPEG audio.
TMediaRead mediaInfoOf(const TMPEGaudio& audio, TMediaRecord& info) {
    if (!audio.IsValid())
        return TMediaRead::NoAudio;
    info.Seconds = roundSeconds(audio.DurationSeconds());
    info.Quality = static_cast<std::uint16_t>(audio.BitRateKbps());
    info.Format = std::string(FormatName(TAudioFormat::MP3));
    info.Codec = "MP3";
    info.SampleRate = SampleRateHz(audio.FirstFrame());
    info.Channels = audio.FirstFrame().ModeCode == 3 ? 1 : 2;
    // An ID3v2 tag decides every text, even the empty ones; no mixing with ID3v1.
    if (const TID3v2& tag = audio.ID3v2(); tag.Present()) {
        info.Title = tag.Title();
        info.Artist = tag.Artist();
        info.Album = tag.Album();
        info.Year = tag.Year();
        info.Genre = tag.Genre();
        info.Language = tag.Language();
        info.Composer = tag.Composer();
        info.Numbers = {tag.Track(), tag.Disc(), tag.AlbumArtist()};
        // The frames' own values, never the joined texts split again.
        info.Artists = tag.Values().Artists;
        info.Composers = tag.Values().Composers;
        info.AlbumArtists = tag.Values().AlbumArtists;
        info.Genres = tag.Values().Genres;
    } else if (const TID3v1& old = audio.ID3v1(); old.Present()) {
        info.Title = old.Title();
        info.Artist = old.Artist();
        info.Album = old.Album();
        info.Year = old.Year();
        info.Genre = old.GenreName();
        info.Numbers.Track = old.Track();
    }
    return TMediaRead::Audio;
}

} // namespace

TMediaRead ReadMediaInfo(const std::string& Path, TMediaRecord& info) {
    clearFileFields(info);
    TMPEGaudio audio;
    if (!audio.Analyse(Path))
        return canOpen(Path) ? TMediaRead::NoAudio : TMediaRead::Unreadable;
    return mediaInfoOf(audio, info);
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
        return DisplayPath(Result.Path) + ": " + SkipReason(Result.Outcome);
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
        return "not an MP3 file";
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
        detail(Result.Path + ": " + SkipReason(Result.Outcome));
        break;
    }
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
           std::to_string(Skipped) + " skipped";
}

TAddResult TMediaMaintenance::readOne(const std::string& Path, bool Supported,
                                      const TFileBatch::TFile* File) const {
    TAddResult result;
    result.Path = Path;
    if (!Supported) {
        result.Outcome = TAddOutcome::Unsupported;
        return result;
    }
    TMediaRecord& row = result.Row;
    TMediaRead read;
    if (File && File->Fd >= 0) {
        // A regular file the batch opened and read.
        row.Directory = ExtractFileDir(Path);
        row.FileName = ExtractFileName(Path);
        row.Stamp = {File->Size, File->ModifiedNs};
        TFileSource source;
        TMPEGaudio audio;
        read = source.Adopt(*File) && audio.Analyse(source) ? mediaInfoOf(audio, row)
                                                            : TMediaRead::NoAudio;
    } else {
        // A missing file is the caller's to refuse; a FIFO or device would block the reader.
        struct stat node {};
        const bool found = ::stat(Path.c_str(), &node) == 0;
        if (found && !S_ISREG(node.st_mode)) {
            result.Outcome = TAddOutcome::NotRegularFile;
            return result;
        }
        row.Directory = ExtractFileDir(Path);
        row.FileName = ExtractFileName(Path);
        if (found)
            row.Stamp = {node.st_size, modificationTime(node)};
        read = ReadMediaInfo(Path, row);
    }
    switch (read) {
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
    std::vector<bool> supported(Paths.size());
    for (std::size_t i = 0; i < Paths.size(); ++i)
        supported[i] = !FileTypeOf(Paths[i], FFileTypes).empty();
    int done = 0;
    // Readers take runs of files, each opened and read by one batch with a few system calls.
    const std::size_t runs = (Paths.size() + TFileBatch::MaxFiles - 1) / TFileBatch::MaxFiles;
    const std::function<std::vector<TAddResult>(std::size_t)> read = [&](std::size_t r) {
        thread_local TFileBatch batch;
        const std::size_t first = r * TFileBatch::MaxFiles;
        const std::size_t count = std::min(TFileBatch::MaxFiles, Paths.size() - first);
        std::vector<std::string> wanted;
        for (std::size_t i = first; i < first + count; ++i)
            if (supported[i])
                wanted.push_back(Paths[i]);
        batch.Open(wanted, 0, wanted.size(), TFileSource::HeadBytes);
        std::vector<TAddResult> results;
        results.reserve(count);
        std::size_t opened = 0;
        for (std::size_t i = first; i < first + count; ++i)
            results.push_back(
                readOne(Paths[i], supported[i], supported[i] ? &batch.Files()[opened++] : nullptr));
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

TPurgeResult TMediaMaintenance::RemoveMissingFiles(const TMaintenanceProgress& Progress) {
    struct TMissing {
        std::string Directory;
        std::string FileName;
        std::int32_t Seconds;
    };
    TPurgeResult result;
    std::vector<TMissing> missing;
    std::unordered_map<std::string, bool> folderChecked;
    const auto total = static_cast<int>(FLibrary.MediaCount());
    FLibrary.WalkMediaFiles([&](const std::vector<TMediaRecord>& Rows) {
        for (const TMediaRecord& row : Rows) {
            if (Progress.Cancelled && Progress.Cancelled()) {
                result.Cancelled = true;
                return false;
            }
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
            } else if (presenceOf(JoinPath(row.Directory, row.FileName)) == TPresence::Missing) {
                missing.push_back({row.Directory, row.FileName, row.Seconds});
            }
            ++result.Checked;
            if (Progress.OnProgress)
                Progress.OnProgress(result.Checked, std::max(total, result.Checked));
        }
        return true;
    });
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
