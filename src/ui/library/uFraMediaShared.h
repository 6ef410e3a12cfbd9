#pragma once

// Shared by the files of the My Music view only.

#include <QString>
#include <string_view>

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
    // A list to play through, read from the row asked for on.
    static constexpr int PlayFrom = 6;
};

inline QString fromStd(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace orvanta::media_view
