// Files per second for a batch that sets one field (the album) over many MP3 files, as the tag
// dialog's batch or orvanta-cli tag with many files writes it: the journal first, then each file
// replaced atomically and its mark appended. Warm cache: every file is read once before the
// timing starts. No library: the rows' cost is the store's own.
// Usage: bench_batch [files] [folder]   (needs sox and lame; the folder's file system decides
// what a flush to disk costs)
#include "core/batch/uBatchRun.h"
#include "core/metadata/uTagWriteAny.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A tenth of a second of tone, with an ID3v2.3 tag holding a title and a 10 KB cover.
std::string SampleFile(const fs::path& Folder) {
    const std::string wav = (Folder / "tone.wav").string();
    const std::string mp3 = (Folder / "tone.mp3").string();
    if (std::system(("sox -n -r 44100 -c 1 -b 16 '" + wav +
                     "' synth 0.1 sine 440 && lame "
                     "--quiet -b 128 '" +
                     wav + "' '" + mp3 + "'")
                        .c_str()) != 0)
        return {};
    std::ifstream in(mp3, std::ios::binary);
    const std::string audio{std::istreambuf_iterator<char>(in), {}};
    fs::remove(wav);
    fs::remove(mp3);
    const auto frame = [](const std::string& Id, const std::string& Content) {
        const auto size = static_cast<std::uint32_t>(Content.size());
        return Id + std::string{char(size >> 24), char(size >> 16), char(size >> 8), char(size)} +
               std::string(2, '\0') + Content;
    };
    const std::string frames =
        frame("TIT2", std::string(1, '\0') + "A Title") +
        frame("APIC", std::string("\0image/jpeg\0\3\0", 14) + std::string(10240, 'x'));
    const std::size_t size = frames.size() + 1024;
    std::string tag = "ID3";
    tag += std::string{3, 0, 0};
    for (int shift = 21; shift >= 0; shift -= 7)
        tag += char((size >> shift) & 0x7F);
    return tag + frames + std::string(1024, '\0') + audio;
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    const fs::path base = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path();
    const fs::path folder = base / ("orvanta-bench-batch-" + std::to_string(::getpid()));
    fs::create_directories(folder / "home");
    const std::string sample = SampleFile(folder);
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
    // Warm: every file read once.
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
