#pragma once

#include <QString>
#include <chrono>
#include <functional>
#include <string>

namespace orvanta {

class TMyMediaDB;

enum class TLibraryAccess { ReadWrite, ReadOnly, Stopped };

// How start-up waits for a library that another program is writing to.
struct TLibraryWait {
    std::chrono::milliseconds Limit{30000};
    // Told once, when the wait begins; events keep running while it lasts.
    std::function<void(const QString& Text)> ShowWaiting;
    // Checked between tries: the program was asked to end.
    std::function<bool()> Stopping;
};

inline const QString LibraryWaitingText =
    QStringLiteral("Waiting for the library: another program is writing to it...");
inline const QString LibraryReadOnlyText = QStringLiteral(
    "Another program kept the library busy, so Orvanta opened it read-only. Adding, removing "
    "and refreshing files and saving tags to the library are not possible until Orvanta is "
    "started again.");

// Opens the library for writing, waiting while another program holds its write lock; after
// Wait.Limit it opens the library read-only instead. Errors other than a busy library are
// thrown as they are.
TLibraryAccess OpenLibraryWaiting(TMyMediaDB& Library, const std::string& FileName,
                                  const TLibraryWait& Wait);

} // namespace orvanta
