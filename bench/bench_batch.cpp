// Files per second for a batch that sets one field (the album) over many MP3 files, as the tag
// dialog's batch or orvanta-cli tag with many files writes it: the journal first, then each file
// replaced atomically and its mark appended. Warm cache: every file is read once before the
// timing starts. No library: the rows' cost is the store's own.
// Usage: bench_batch [files] [folder]   (needs sox and lame; the folder's file system decides
// what a flush to disk costs)
#include "BenchSampleMp3.h"
#include "core/batch/uBatchRun.h"
#include "core/metadata/uTagWriteAny.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    const fs::path base = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path();
    const fs::path folder = base / ("orvanta-bench-batch-" + std::to_string(::getpid()));
    fs::create_directories(folder / "home");
    const std::string sample = bench::SampleMp3(folder);
    if (sample.empty()) {
        std::fprintf(stderr, "sox or lame failed\n");
        return 1;
    }
    orvanta::TBatchPlan plan;
    for (int i = 0; i < count; ++i) {
        const std::string path = (folder / (std::to_string(i) + ".mp3")).string();
        std::ofstream(path, std::ios::binary) << sample;
        orvanta::TBatchItem item{path, {}, {}};
        item.Changes.Fields["ALBUM"] = {"The Batch"};
        plan.push_back(std::move(item));
    }
    // Warm: every file read once, and on disk, so that the batch does not wait on the
    // write-back of the files just made.
    ::sync();
    for (const orvanta::TBatchItem& item : plan) {
        orvanta::TTagState state;
        std::string error;
        if (!orvanta::ReadTagState(item.Path, {"ALBUM"}, false, state, error))
            std::fprintf(stderr, "%s\n", error.c_str());
    }
    const auto start = std::chrono::steady_clock::now();
    const orvanta::TBatchOutcome outcome =
        orvanta::RunBatch(plan, {(folder / "home").string(), nullptr, nullptr}, {});
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("batch: one field over %d files (%d written, %zu failed) in %.2f s: %.0f files/s "
                "(%s)\n",
                count, outcome.Written, outcome.Failed.size(), seconds, count / seconds,
                base.c_str());
    fs::remove_all(folder);
    return outcome.Failed.empty() ? 0 : 1;
}
