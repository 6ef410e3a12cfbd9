// My Music's "Calculate ReplayGain": the selected rows measured on the writer, album by album,
// their tags and rows written, and a summary at the end.
#include <QStringList>
#include <map>
#include <tuple>

#include "core/library/uLibraryWorker.h"
#include "core/library/uMediaReplayGain.h"
#include "core/replaygain/uReplayGainScan.h"
#include "ui/common/uGuard.h"
#include "ui/common/uPrompts.h"
#include "ui/common/uWorkerInbox.h"
#include "ui/library/uFraMedia.h"
#include "ui/library/uFraMediaShared.h"

namespace orvanta {

using namespace media_view;

namespace {

// The files each error names in the summary at most.
constexpr int ListedErrors = 10;

struct TGainRun {
    std::vector<TGainResult> Results;
    int Total = 0;
    bool Cancelled = false;
};

// The selection by album: rows of one album title and album artist (else folder) are measured
// as one album; a row without an album title is a track on its own.
std::vector<TGainGroup> AlbumsOf(const std::vector<TMediaItem>& Items) {
    std::vector<TGainGroup> groups;
    std::map<std::tuple<std::string, std::string>, std::size_t> albums;
    for (const TMediaItem& item : Items) {
        if (item.Album.empty()) {
            groups.push_back({{item.FullPath()}, false});
            continue;
        }
        const std::string& by =
            item.Numbers.AlbumArtist.empty() ? item.Directory : item.Numbers.AlbumArtist;
        const auto [at, added] = albums.try_emplace({item.Album, by}, groups.size());
        if (added)
            groups.push_back({{}, true});
        groups[at->second].Paths.push_back(item.FullPath());
    }
    return groups;
}

TReplayGain LibraryGain(const TMeasuredGain& Values) {
    return {Values.TrackGain, Values.TrackPeak, Values.AlbumGain, Values.AlbumPeak};
}

QString Summary(const TGainRun& Run) {
    int measured = 0, written = 0;
    QStringList errors;
    for (const TGainResult& result : Run.Results) {
        if (!result.Measured()) {
            if (errors.size() < ListedErrors)
                errors << fromStd(result.Path) + QStringLiteral(": ") + fromStd(result.Error);
            continue;
        }
        ++measured;
        written += result.Written ? 1 : 0;
    }
    QString text =
        Run.Cancelled ? QStringLiteral("ReplayGain calculation cancelled.\r\n") : QString();
    text += QStringLiteral("%1 of %2 files measured, %3 tags changed.")
                .arg(measured)
                .arg(Run.Total)
                .arg(written);
    const int failed = static_cast<int>(Run.Results.size()) - measured;
    if (failed > 0) {
        text += QStringLiteral("\r\n%1 could not be measured or written:\r\n").arg(failed) +
                errors.join(QStringLiteral("\r\n"));
        if (failed > ListedErrors)
            text += QStringLiteral("\r\n...");
    }
    return text;
}

} // namespace

void TfraMedia::CalculateReplayGain() {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty())
        return;
    std::vector<TMediaItem> items;
    items.reserve(rows.size());
    for (int row : rows)
        items.push_back(MediaModel->Item(row));
    const int total = static_cast<int>(items.size());
    BeginWork(TWork::ReplayGain, QStringLiteral("Calculating ReplayGain"), total);
    auto progress =
        ProgressSender(TWork::ReplayGain, QStringLiteral("Calculating ReplayGain: file %1 of %2"));
    FInbox->Post<TGainRun>(
        *FWriter, TLibraryWorker::NoLane,
        [groups = AlbumsOf(items), total, progress, stop = FStopWork](TMyMediaDB& Library,
                                                                      const TCancelToken& Cancel) {
            TGainScanHooks hooks;
            hooks.Cancelled = [stop, Cancel] { return *stop || Cancel.Cancelled(); };
            hooks.Progress = [progress](int Done, int Total, const std::string&) {
                progress(Done, Total);
            };
            TGainRun run;
            run.Total = total;
            run.Results = ScanReplayGain(groups, true, hooks);
            run.Cancelled = hooks.Cancelled();
            for (const TGainResult& result : run.Results)
                if (result.Measured())
                    RecordReplayGain(Library, result.Path, LibraryGain(result.Values));
            return run;
        },
        [this](TGainRun Run) {
            FController.SetLibraryVersion(LibraryVersion());
            EndWork();
            FPrompts->Information(Summary(Run));
            ReloadFilterItems(true);
            StartNextImport();
        },
        [this](const QString& Error) {
            EndWork();
            ShowException(*FPrompts, Error);
            StartNextImport();
        });
}

} // namespace orvanta
