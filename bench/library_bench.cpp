// Speed of the library and the playlists on generated data; prints one line per figure.
// Usage: orvanta_library_bench [work folder [refresh]]   (default: a new folder under /tmp;
// refresh: only the refresh figures)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/common/uDisplayUtils.h"
#include "core/library/uMediaFolders.h"
#include "core/library/uMediaMaintenance.h"
#include "core/library/uTMyMediaDB.h"
#include "core/playlists/uTPlayListManager.h"

using namespace orvanta;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Hard links to one encoded file: every add analyses real MP3 data from a warm cache.
std::vector<std::string> linkFiles(const std::string& model, const std::string& folder,
                                   const std::string& prefix, int count) {
    fs::create_directories(folder);
    // One copy per batch of links: a file takes only so many links.
    const std::string copy = folder + "/" + prefix + "-model.bin";
    fs::copy_file(model, copy);
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        paths.push_back(folder + "/" + prefix + std::to_string(i) + ".mp3");
        fs::create_hard_link(copy, paths.back());
    }
    return paths;
}

// Rows without files, written fast, to grow the library to a given size.
void fillRows(TMyMediaDB& library, const std::string& folder, int from, int to) {
    library.BeginBatch();
    for (int i = from; i < to; ++i)
        library.AddMedia({.Directory = folder,
                          .FileName = "filler" + std::to_string(i) + ".mp3",
                          .Stamp = {5000},
                          .Title = "Title " + std::to_string(i * 7919 % 100003),
                          .Artist = "Artist " + std::to_string(i % 500),
                          .Album = "Album " + std::to_string(i % 2000),
                          .Year = "1999",
                          .Genre = "Rock",
                          .Language = "eng",
                          .Seconds = 215,
                          .Quality = 128});
    library.EndBatch();
}

double addRate(TMediaMaintenance& maintenance, const std::vector<std::string>& paths) {
    const auto start = Clock::now();
    int added = 0;
    maintenance.AddFiles(paths, [&added](const TAddResult& result) {
        added += result.Outcome == TAddOutcome::Added;
    });
    const double elapsed = secondsSince(start);
    if (added != static_cast<int>(paths.size()))
        std::fprintf(stderr, "only %d of %zu files were added\n", added, paths.size());
    return static_cast<double>(paths.size()) / elapsed;
}

// Refresh of a library of 50,000 files in 5,000 folders, none changed: as it was done (a
// purge, a listing of every folder and a second look at every file for changes), and as it is
// done now (one look at each file, only the folders whose time moved listed), twice, with
// the folders' times the first listing kept.
void refreshBench(const std::string& work, const std::string& model,
                  const TCustomStringList& types) {
    TMyMediaDB library;
    library.OpenDatabase(work + "/refresh.edb");
    TPlayListManager playLists;
    TMediaMaintenance maintenance(library, playLists, types);
    std::vector<std::string> folders;
    library.BeginBatch();
    for (int folder = 0; folder < 5000; ++folder) {
        folders.push_back(work + "/refresh/a" + std::to_string(folder));
        for (const std::string& path : linkFiles(model, folders.back(), "t", 10)) {
            TMediaStamp stamp;
            ReadFileStamp(path, stamp);
            library.AddMedia({.Directory = folders.back(),
                              .FileName = ExtractFileName(path),
                              .Stamp = stamp,
                              .Title = "T",
                              .Seconds = 4,
                              .Quality = 192});
        }
    }
    library.EndBatch();
    // The folders' times settle: a time of the last seconds is not kept.
    ::sleep(3);
    auto start = Clock::now();
    const TPurgeResult purged = maintenance.RemoveMissingFiles();
    const std::size_t found =
        FindNewFiles(library, types, &folders).size() + FindChangedRows(library).size();
    std::printf("refresh of %d unchanged files, each looked at twice, every folder listed: "
                "%.3f s (%zu found)\n",
                purged.Checked, secondsSince(start), found);
    for (const char* pass : {"1", "2"}) {
        start = Clock::now();
        const TPurgeResult scanned = maintenance.RemoveMissingFiles({}, {{}, true});
        const std::size_t news = FindRefreshFiles(library, types, &*scanned.Changed).Count();
        std::printf("refresh of %d unchanged files, one look each, pass %s: %.3f s (%zu found)\n",
                    scanned.Checked, pass, secondsSince(start), news);
    }
}

} // namespace

int main(int argc, char** argv) {
    const std::string work =
        argc > 1 ? argv[1]
                 : (fs::temp_directory_path() / ("orvanta-bench-" + std::to_string(::getpid())))
                       .string();
    fs::create_directories(work);
    const std::string model = work + "/model.mp3";
    const std::string make = "sox -n -r 44100 -c 2 -b 16 " + work +
                             "/model.wav synth 4 sine 440 && lame --quiet -b 192 --id3v2-only --tt "
                             "Title --ta Artist --tl Album --ty 2001 --tg Rock " +
                             work + "/model.wav " + model;
    if (std::system(make.c_str()) != 0) {
        std::fprintf(stderr, "cannot encode the model file (sox and lame are needed)\n");
        return 1;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    TCustomStringList types;
    types.NameValueSeparator = ':';
    RegisterFileTypes(types);
    std::printf("cores: %ld\n", ::sysconf(_SC_NPROCESSORS_ONLN));
    if (argc > 2 && std::string(argv[2]) == "refresh") {
        refreshBench(work, model, types);
        fs::remove_all(work);
        return 0;
    }

    {
        TMyMediaDB library;
        library.OpenDatabase(work + "/adds.edb");
        TPlayListManager playLists;
        TMediaMaintenance maintenance(library, playLists, types);
        const auto first = linkFiles(model, work + "/adds", "a", 10000);
        const auto second = linkFiles(model, work + "/adds", "b", 10000);
        std::printf("add 10,000 files to an empty library: %.0f files/s\n",
                    addRate(maintenance, first));
        std::printf("add 10,000 more (10,000 -> 20,000 rows): %.0f files/s\n",
                    addRate(maintenance, second));
    }

    {
        TMyMediaDB library;
        library.OpenDatabase(work + "/big.edb");
        TPlayListManager playLists;
        TMediaMaintenance maintenance(library, playLists, types);
        fillRows(library, work + "/nowhere", 0, 10000);
        const auto at10k = linkFiles(model, work + "/grow", "c", 2000);
        std::printf("add 2,000 files at 10,000 rows: %.0f files/s\n", addRate(maintenance, at10k));
        fillRows(library, work + "/nowhere", 10000, 100000);
        const auto at100k = linkFiles(model, work + "/grow", "d", 2000);
        std::printf("add 2,000 files at 100,000 rows: %.0f files/s\n",
                    addRate(maintenance, at100k));

        auto start = Clock::now();
        int rows = 0;
        long long seconds = 0;
        library.WalkAllMedia([&](const TMediaRecord& row) {
            ++rows;
            seconds += row.Seconds + static_cast<long long>(row.Title.size());
            return true;
        });
        std::printf("WalkAllMedia and read %d rows: %.3f s\n", rows, secondsSince(start));
        (void)seconds;
    }

    {
        // 100,000 rows of which 99,000 files exist in ten folders and 1,000 are gone.
        TMyMediaDB library;
        library.OpenDatabase(work + "/purge.edb");
        TPlayListManager playLists;
        playLists.AddPlayList("Purge");
        TMediaMaintenance maintenance(library, playLists, types);
        library.BeginBatch();
        for (int folder = 0; folder < 10; ++folder) {
            const std::string dir = work + "/purge/f" + std::to_string(folder);
            const auto paths = linkFiles(model, dir, "p", 9900);
            for (const std::string& path : paths)
                library.AddMedia({.Directory = dir,
                                  .FileName = ExtractFileName(path),
                                  .Stamp = {1},
                                  .Title = "T",
                                  .Seconds = 4,
                                  .Quality = 192});
            for (int i = 0; i < 100; ++i)
                library.AddMedia({.Directory = dir,
                                  .FileName = "gone" + std::to_string(i) + ".mp3",
                                  .Stamp = {1},
                                  .Title = "T",
                                  .Seconds = 4,
                                  .Quality = 192});
        }
        library.EndBatch();
        for (int i = 0; i < 500; ++i)
            playLists.FindByName("Purge")->InsertTrack(work + "/purge/f1/gone" +
                                                       std::to_string(i % 100) + ".mp3*4");
        const auto start = Clock::now();
        const TPurgeResult result = maintenance.RemoveMissingFiles();
        std::printf("purge over %d rows (%zu missing): %.3f s\n", result.Checked,
                    result.Removed.size(), secondsSince(start));
    }

    {
        const std::string folder = work + "/Playlists";
        fs::create_directories(folder);
        {
            TPlayListManager manager;
            manager.Open(folder);
            for (int i = 0; i < 200; ++i) {
                manager.AddPlayList("List " + std::to_string(i));
                TPlayList* list = manager.GetPlayList(i);
                for (int k = 0; k < 500; ++k)
                    list->InsertTrack("/home/user/Music/Artist " + std::to_string(k % 40) +
                                      "/Album/Track " + std::to_string(k) + ".mp3*" +
                                      std::to_string(180 + k % 120));
            }
            const auto start = Clock::now();
            if (!manager.SaveAll(folder)) {
                std::fprintf(stderr, "could not save the playlists in %s\n", folder.c_str());
                return 1;
            }
            std::printf("save 200 playlists of 500 entries: %.3f s\n", secondsSince(start));
        }
        TPlayListManager manager;
        const auto start = Clock::now();
        manager.LoadAll(folder);
        std::printf("load 200 playlists of 500 entries: %.3f s (%d loaded)\n", secondsSince(start),
                    manager.Count());
    }
    fs::remove_all(work);
    return 0;
}
