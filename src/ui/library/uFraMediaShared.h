#pragma once

// Shared by the files of the My Music view only.

#include <QString>
#include <deque>
#include <string_view>

#include "core/library/uMediaImport.h"
#include "ui/library/uFraMedia.h"

namespace orvanta::media_view {

inline const QString AllEntry =
    QString::fromLatin1(AllArtistsEntry.data(), static_cast<qsizetype>(AllArtistsEntry.size()));
// The add lists its rows, and a command shows its progress, at most this often.
constexpr qint64 ResponsiveMs = 15;

// The view's kinds of work on the library worker; a newer request of a kind supersedes the
// older one (removals never do).
struct TLibraryLane {
    static constexpr int Filter = 1;
    static constexpr int Listing = 2;
    static constexpr int Sort = 3;
    static constexpr int Purge = 4;
    static constexpr int SortMemory = 5;
};

inline QString fromStd(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace orvanta::media_view

namespace orvanta {

// One background add and what the view keeps of it until it ends.
struct TfraMedia::TImportRun {
    TImportRun(std::string LibraryFile, const TCustomStringList& Types, TImportRequest Request)
        : Import(std::move(LibraryFile), Types, Request.Paths),
          PlayList(std::move(Request.PlayList)), OnDone(std::move(Request.OnDone)) {
        Import.FindNew = Request.NewFiles;
        // A refresh of a large library may skip a great many files; the summary names the
        // first of them.
        Tally.DetailLimit = 1000;
    }
    TMediaImport Import;
    std::string PlayList;
    std::function<void(std::vector<std::string> Entries)> OnDone;
    TAddTally Tally;
    // Results taken from the import and not yet counted, from ResultsAt on.
    std::vector<TAddResult> Results;
    std::size_t ResultsAt = 0;
    // Track entries of the files added or already known, for the playlist or OnDone, in order.
    std::vector<std::string> Entries;
    // Rows on disk, not listed yet.
    // A queue rather than a vector: rows leave from the front, and a growing vector would move
    // every row into fresh memory, whose first touch is costly on a virtual machine.
    std::deque<TMediaItem> Waiting;
    // Rows read again from their changed files, shown once the run ends (a refresh lists
    // its rows again instead).
    std::vector<TMediaItem> Updated;
};

} // namespace orvanta
