#include "core/playlists/uPlayListsController.h"

#include <algorithm>

#include "core/common/uDisplayUtils.h"
#include "core/playlists/uStreamEntry.h"
#include "core/playlists/uTPlayList.h"
#include "core/playlists/uTPlayListManager.h"

namespace orvanta {

void TPlayListsController::Attach(TPlayListManager* Manager) {
    FManager = Manager;
    FNames.clear();
    FSelected = -1;
    FCurrent = nullptr;
    FRows.clear();
    if (FManager)
        listNames();
}

void TPlayListsController::listNames() {
    FNames.clear();
    for (std::int32_t i = 0; i < FManager->Count(); ++i)
        FNames.push_back(FManager->GetPlayList(i)->Name);
}

int TPlayListsController::RowOf(const std::string& Name) const {
    const auto at = std::find(FNames.begin(), FNames.end(), Name);
    return at == FNames.end() ? -1 : static_cast<int>(at - FNames.begin());
}

void TPlayListsController::ShowNamed(const std::string& Name) {
    if (!FManager)
        return;
    FCurrent = nullptr;
    listNames();
    const int row = RowOf(Name);
    Select(row >= 0 ? row : (FNames.empty() ? -1 : 0));
}

bool TPlayListsController::Select(int Row) {
    if (!FManager || Row < -1 || Row >= static_cast<int>(FNames.size()))
        return false;
    FSelected = Row;
    FCurrent = Row >= 0 ? FManager->FindByName(FNames[static_cast<std::size_t>(Row)]) : nullptr;
    Refresh();
    return true;
}

void TPlayListsController::Refresh() {
    FRows.clear();
    if (!FCurrent)
        return;
    FRows.reserve(static_cast<std::size_t>(FCurrent->Count()));
    for (const std::string& entry : FCurrent->Tracks()) {
        std::string path = TrackPath(entry);
        if (IsStreamUrl(path)) {
            FRows.push_back({path, std::string(StreamDuration), path});
            continue;
        }
        // A seconds field that is not a decimal number counts as 0.
        FRows.push_back({FileTitle(path), FormatDuration(TrackSeconds(entry)), std::move(path)});
    }
}

std::string TPlayListsController::Info() const {
    if (!FCurrent)
        return {};
    // Hand-edited lengths must not overflow the sum.
    return FormatDuration(FCurrent->TotalSeconds()) + " (" + std::to_string(FCurrent->Count()) +
           " Tracks)";
}

bool TPlayListsController::CanPlayPlayList() const {
    return FCurrent && FCurrent->Count() > 0;
}

TTrackCommands TPlayListsController::EnabledFor(std::size_t SelectedRows) {
    const bool one = SelectedRows == 1;
    return {one, one, SelectedRows >= 1, one};
}

std::string TPlayListsController::ChangeRefusal(const TPlayListManager& Manager,
                                                const TPlayList* List) {
    return List && Manager.IsUnread(List) ? UnreadPlayListMessage(List->Name) : std::string();
}

std::string TPlayListsController::NewNameRefusal(const TPlayListManager& Manager,
                                                 const std::string& Name) {
    if (!TPlayListManager::IsValidName(Name))
        return InvalidPlayListNameMessage;
    if (Manager.Exists(Name))
        return PlayListNameTakenMessage;
    return {};
}

bool TPlayListsController::AddPlayList(const std::string& Name) {
    if (!FManager || !FManager->AddPlayList(Name))
        return false;
    ShowNamed(Name);
    return true;
}

bool TPlayListsController::RemovePlayList(const std::string& Name) {
    const int row = RowOf(Name);
    if (!FManager || row < 0 || !FManager->Exists(Name))
        return false;
    // The manager frees the playlist: nothing may point at it any more.
    FCurrent = nullptr;
    FManager->DeletePlayList(Name);
    FNames.erase(FNames.begin() + row);
    if (FManager->Count() == 0) {
        FManager->AddPlayList(DefaultPlayListName);
        FNames.emplace_back(DefaultPlayListName);
    }
    Select(row <= 0 ? 0 : row - 1);
    return true;
}

TPlayListEdit TPlayListsController::refusedOrNothing(bool Nothing) const {
    if (Nothing)
        return TPlayListEdit::Nothing;
    return FManager->IsUnread(FCurrent) ? TPlayListEdit::Refused : TPlayListEdit::Changed;
}

TPlayListEdit TPlayListsController::SetPlayMode(std::int32_t Mode) {
    const TPlayListEdit edit = refusedOrNothing(!FCurrent);
    if (edit == TPlayListEdit::Changed)
        FCurrent->PlayMode = Mode;
    return edit;
}

TPlayListEdit TPlayListsController::Shuffle() {
    const TPlayListEdit edit = refusedOrNothing(!FCurrent);
    if (edit == TPlayListEdit::Changed) {
        FCurrent->Shuffle();
        Refresh();
    }
    return edit;
}

TPlayListEdit TPlayListsController::RemoveRows(const std::vector<int>& Rows) {
    const TPlayListEdit edit = refusedOrNothing(!FCurrent || Rows.empty());
    if (edit != TPlayListEdit::Changed)
        return edit;
    std::vector<int> rows = Rows;
    // From the last, so the indexes still to go stay where they were.
    std::sort(rows.rbegin(), rows.rend());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (int row : rows)
        FCurrent->DeleteTrack(row);
    Refresh();
    return edit;
}

TPlayListEdit TPlayListsController::MoveRow(int Row, int Step, int& Target) {
    Target = Row + Step;
    const TPlayListEdit edit = refusedOrNothing(!FCurrent || Row < 0 || Target < 0 ||
                                                Target >= static_cast<int>(FRows.size()));
    if (edit != TPlayListEdit::Changed)
        return edit;
    FCurrent->Exchange(std::min(Row, Target), std::max(Row, Target));
    Refresh();
    return edit;
}

TPlayListEdit TPlayListsController::MoveRows(const std::vector<int>& Rows, int Before,
                                             std::vector<int>& Targets) {
    const int count = static_cast<int>(FRows.size());
    std::vector<int> rows;
    for (int row : Rows)
        if (row >= 0 && row < count)
            rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    Before = Before < 0 || Before > count ? count : Before;
    // Rows already in place before Before change nothing.
    const int above = static_cast<int>(
        std::count_if(rows.begin(), rows.end(), [Before](int Row) { return Row < Before; }));
    const bool inPlace = !rows.empty() &&
                         rows.back() - rows.front() + 1 == static_cast<int>(rows.size()) &&
                         Before >= rows.front() && Before <= rows.back() + 1;
    const TPlayListEdit edit = refusedOrNothing(!FCurrent || rows.empty() || inPlace);
    if (edit != TPlayListEdit::Changed)
        return edit;
    std::vector<std::string> moved;
    for (int row : rows)
        moved.push_back(FCurrent->GetTrack(row));
    for (auto row = rows.rbegin(); row != rows.rend(); ++row)
        FCurrent->DeleteTrack(*row);
    const int at = Before - above;
    Targets.clear();
    for (std::size_t i = 0; i < moved.size(); ++i) {
        FCurrent->InsertTrack(std::move(moved[i]), at + static_cast<int>(i));
        Targets.push_back(at + static_cast<int>(i));
    }
    Refresh();
    return edit;
}

bool TPlayListsController::FollowOutsideChange() {
    const std::vector<std::string> before = FNames;
    ShowNamed(FSelected >= 0 ? before[static_cast<std::size_t>(FSelected)] : std::string());
    return before != FNames;
}

std::vector<std::string> TPlayListsController::UntoldFailures(const TPlayListSync& Sync) {
    if (Sync.Deferred)
        return {};
    const auto failed = [&Sync](const std::string& Name) {
        return std::find(Sync.Failed.begin(), Sync.Failed.end(), Name) != Sync.Failed.end();
    };
    std::erase_if(FTold, [&failed](const std::string& Name) { return !failed(Name); });
    std::vector<std::string> fresh;
    for (const std::string& name : Sync.Failed)
        if (!FTold.contains(name))
            fresh.push_back(name);
    return fresh;
}

void TPlayListsController::MarkTold(const std::vector<std::string>& Names) {
    FTold.insert(Names.begin(), Names.end());
}

} // namespace orvanta
