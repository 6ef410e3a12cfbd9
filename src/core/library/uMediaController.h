#pragma once

#include <cstdint>
#include <cstdlib>
#include <functional>

#include "core/common/uCommands.h"
#include "core/library/uMediaImportQueue.h"
#include "core/library/uMediaListingRules.h"

namespace orvanta {

// Requests of one kind (a filter list, a listing) answered later, off the window's thread:
// only the answer to the newest request counts.
class TRequests {
public:
    // Numbers a new request; any answer to an older one is then stale.
    std::uint64_t Ask() { return ++FAsked; }
    // Whether the answer to request Number is the one wanted; it then ends the wait.
    bool Arrived(std::uint64_t Number) {
        if (Number != FAsked)
            return false;
        FDone = Number;
        return true;
    }
    // No answer is wanted any more.
    void Drop() { FDone = ++FAsked; }
    bool Pending() const { return FAsked != FDone; }

private:
    std::uint64_t FAsked = 0;
    std::uint64_t FDone = 0;
};

// What My Music may do when, without its widgets: the library command running, the listing
// requests under way and the sort state.
class TMediaController {
public:
    enum class TWork { None, Purging, Removing, Importing, ReplayGain, TagBatch };
    enum class TGate { Run, Wait, ReadOnly };

    // Edit MP3 Tag, Add Files, Remove Files, Refresh Media, Add Folder and Calculate ReplayGain
    // write the library: one at a time (the others are ignored while one runs), none on a
    // library opened read-only. Playing, locating and adding to a playlist always run.
    static bool WritesLibrary(ECommand Command) {
        return Command == ECommand::MediaEditMP3Tag || Command == ECommand::MediaAddFiles ||
               Command == ECommand::MediaRemoveFiles || Command == ECommand::MediaRefreshMedia ||
               Command == ECommand::MediaAddFolder || Command == ECommand::MediaReplayGain;
    }
    TGate Gate(ECommand Command, bool ReadOnly) const {
        if (!WritesLibrary(Command))
            return TGate::Run;
        if (Busy())
            return TGate::Wait;
        return ReadOnly ? TGate::ReadOnly : TGate::Run;
    }
    void Begin(TWork Work) { FWork = Work; }
    void End() { FWork = TWork::None; }
    TWork Work() const { return FWork; }
    bool Busy() const { return FWork != TWork::None; }

    TRequests FilterLists;
    TRequests Listings;
    // Lists still to arrive (a sort under way is the model's).
    bool ListPending() const { return FilterLists.Pending() || Listings.Pending(); }

    // What the list shows: the listing asked for last, of the worker or of the search.
    TMediaListing Listing;
    // Typed words listed by the search.
    TRequests Searches;
    // Whether choosing Chosen needs no read: that very listing is still being read.
    bool ListingDue(const TMediaListing& Chosen) const {
        return Listings.Pending() && SameListing(Chosen, Listing);
    }
    // Changes made elsewhere: whether the library's version (read by Version) moved since the
    // last look. It is read only while no command runs and no list or sort (SortPending) is
    // due, whose answers would follow anyway.
    bool LibraryChanged(bool SortPending, const std::function<std::int64_t()>& Version) {
        if (Busy() || ListPending() || SortPending)
            return false;
        const std::int64_t version = Version();
        if (version == FLibraryVersion)
            return false;
        FLibraryVersion = version;
        return true;
    }
    void SetLibraryVersion(std::int64_t Version) { FLibraryVersion = Version; }

    // 0 before the first fill; then the column from 1 (Title), negative when descending.
    int SortState() const { return FSortState; }
    // The order the user chose (a column's click), which every listing keeps from then on.
    void SetSortState(int State) {
        FSortState = State;
        FSortChosen = State != 0;
    }
    // The state a click on a column asks for: that column ascending, or the other direction
    // on a second click.
    int ClickedColumn(int Column) const { return Column == abs(FSortState) ? -FSortState : Column; }
    // How the rows show once a listing arrived. An album arrives by disc and track
    // (AlbumColumn), any other listing by title, and shows so until the user chooses an order;
    // that order, and the one shown when KeepSort (a list read again after a change of the
    // library), stay.
    struct TListedOrder {
        // What the rows must be sorted by; 0 when they arrived in the order to show.
        int Sort = 0;
        // The header shows the order of arrival (the album's, or none for titles).
        bool ArrivalOrder = false;
    };
    TListedOrder AfterListing(bool Album, bool KeepSort, int AlbumColumn) {
        const int arrived = Album ? AlbumColumn : 1;
        if ((KeepSort || FSortChosen) && FSortState != 0)
            return {FSortState == arrived ? 0 : FSortState, false};
        FSortState = arrived;
        return {0, true};
    }

    // The adds: the one running and those waiting their turn.
    TImportQueue Imports;
    // The add to start now: one waits and no library command runs. The caller begins it.
    std::optional<TImportRequest> NextImport() {
        return Busy() ? std::nullopt : Imports.TakeNext();
    }

private:
    static int abs(int Value) { return Value < 0 ? -Value : Value; }

    TWork FWork = TWork::None;
    int FSortState = 0;
    bool FSortChosen = false;
    std::int64_t FLibraryVersion = -1;
};

} // namespace orvanta
