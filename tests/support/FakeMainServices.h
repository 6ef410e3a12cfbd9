#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

#include "core/playlists/uTPlayList.h"
#include "ui/common/uMainServices.h"

namespace orvanta::test {

// Stands in for the main window: records what the views ask of it and holds the tool bar's
// playlist box, mode box and info label as plain values.
class FakeMainServices final : public IMainServices {
public:
    QStringList PlayedFiles;
    QStringList PlayedTracks;
    struct Played {
        std::string Name;
        std::vector<std::string> Tracks;
    };
    // Each playlist handed to PlayPlayList, copied at the call.
    std::vector<Played> PlayedPlayLists;
    int NameRefreshes = 0;
    int TrackRefreshes = 0;
    QString SelectedName;
    int ModeIndex = 0;
    QString Info;
    // Runs on RefreshPlayListTracks, as the main window's refresh of the Playlists view.
    std::function<void()> OnRefreshTracks;

    void PlayFile(const QString& Path) override { PlayedFiles << Path; }
    void PlayTrack(const QString& Path) override { PlayedTracks << Path; }
    void PlayPlayList(const TPlayList& PlayList) override {
        PlayedPlayLists.push_back({PlayList.Name, PlayList.Tracks()});
    }
    // Each playlist handed to PlayFromHere with its start index.
    std::vector<std::pair<Played, int>> PlayedFromHere;
    void PlayFromHere(const TPlayList& PlayList, int Index) override {
        PlayedFromHere.push_back({{PlayList.Name, PlayList.Tracks()}, Index});
    }
    void RefreshPlayListNames() override { ++NameRefreshes; }
    int OutsideRefreshes = 0;
    void PlayListsChangedOutside() override { ++OutsideRefreshes; }
    void RefreshPlayListTracks() override {
        ++TrackRefreshes;
        if (OnRefreshTracks)
            OnRefreshTracks();
    }
    QString SelectedPlayListName() const override { return SelectedName; }
    int PlayListModeIndex() const override { return ModeIndex; }
    void SetPlayListModeIndex(int Index) override { ModeIndex = Index; }
    void SetPlayListInfo(const QString& Text) override { Info = Text; }
    void AddToLibrary(const QStringList& Paths, const QString& PlayList) override {
        AddedToLibrary.push_back({Paths, PlayList});
    }
    bool Continue = false;
    bool ContinueThroughList() const override { return Continue; }
    // Each AddToLibrary call: the paths and the playlist.
    std::vector<std::pair<QStringList, QString>> AddedToLibrary;
};

} // namespace orvanta::test
