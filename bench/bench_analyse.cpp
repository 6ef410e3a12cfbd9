// Files per second for TMPEGaudio::Analyse over a corpus of tagged MP3 files, beside TagLib
// reading the tags and audio properties of the same files. Warm cache: every file is read once
// before the timing starts.
#include "core/metadata/ID3v2.h"
#include "core/metadata/MPEGaudio.h"
#include "core/metadata/uTagFile.h"

#include <benchmark/benchmark.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int CorpusSize = 5000;

std::string ReadFile(const fs::path& Path) {
    std::ifstream in(Path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string Syncsafe(std::size_t V) {
    return {char((V >> 21) & 0x7F), char((V >> 14) & 0x7F), char((V >> 7) & 0x7F), char(V & 0x7F)};
}

std::string TextFrame(int Version, const std::string& Id, const std::string& Text) {
    const std::string content = std::string(1, '\0') + Text;
    const std::size_t n = content.size();
    const std::string size = Version == 4 ? Syncsafe(n)
                                          : std::string{char(n >> 24), char((n >> 16) & 0xFF),
                                                        char((n >> 8) & 0xFF), char(n & 0xFF)};
    return Id + size + std::string(2, '\0') + content;
}

// Tags of three kinds: version 3 with padding, version 4 with a small picture, and ID3v1 only.
std::string TaggedFile(int I, const std::string& Audio) {
    const std::string n = std::to_string(I);
    std::string id3v1(128, '\0');
    id3v1.replace(0, 3, "TAG");
    id3v1.replace(3, 9 + n.size(), "V1 Title " + n);
    id3v1[127] = char(I % 148);
    if (I % 3 == 2)
        return Audio + id3v1;
    const int version = I % 3 == 0 ? 3 : 4;
    std::string frames = TextFrame(version, "TIT2", "Title number " + n) +
                         TextFrame(version, "TPE1", "Artist " + std::to_string(I % 97)) +
                         TextFrame(version, "TALB", "Album " + std::to_string(I % 31)) +
                         TextFrame(version, "TRCK", std::to_string(I % 20 + 1) + "/20") +
                         TextFrame(version, "TCON", "Rock") + TextFrame(version, "TYER", "1999");
    if (version == 4) {
        const std::string picture =
            std::string("\0image/jpeg\0\3\0", 14) + std::string(2000, '\xAB');
        frames += "APIC" + Syncsafe(picture.size()) + std::string(2, '\0') + picture;
    }
    const std::size_t padding = version == 3 ? 1024 : 0;
    const std::string body = frames + std::string(padding, '\0');
    return "ID3" + std::string{char(version), 0, 0} + Syncsafe(body.size()) + body + Audio +
           (I % 2 ? id3v1 : std::string());
}

struct Corpus {
    fs::path Dir;
    std::vector<std::string> Files;

    Corpus() {
        Dir = fs::temp_directory_path() / ("orvanta-bench-" + std::to_string(::getpid()));
        fs::create_directories(Dir);
        const std::string wav = (Dir / "tone.wav").string();
        const std::string cbr = (Dir / "cbr.mp3").string();
        const std::string vbr = (Dir / "vbr.mp3").string();
        const std::string make = "sox -n -r 44100 -c 2 '" + wav + "' synth 3 sine 440 && " +
                                 "lame --quiet -b 128 '" + wav + "' '" + cbr + "' && " +
                                 "lame --quiet -V 4 '" + wav + "' '" + vbr + "'";
        if (std::system(make.c_str()) != 0) {
            std::cerr << "could not make the corpus (sox, lame)\n";
            std::exit(1);
        }
        const std::string audio[2] = {ReadFile(cbr), ReadFile(vbr)};
        for (int i = 0; i < CorpusSize; ++i) {
            const fs::path path = Dir / ("track" + std::to_string(i) + ".mp3");
            std::ofstream(path, std::ios::binary) << TaggedFile(i, audio[i % 2]);
            Files.push_back(path.string());
        }
        for (const auto& file : Files) // warm the cache
            benchmark::DoNotOptimize(ReadFile(file).size());
    }
    ~Corpus() {
        std::error_code ignored;
        fs::remove_all(Dir, ignored);
    }
};

Corpus* TheCorpus = nullptr;

long OrvantaPass() {
    long valid = 0;
    orvanta::TMPEGaudio audio;
    for (const auto& file : TheCorpus->Files) {
        audio.Analyse(file);
        valid += audio.IsValid();
        benchmark::DoNotOptimize(audio.DurationSeconds());
        benchmark::DoNotOptimize(audio.ID3v2().Title().size() + audio.ID3v1().Title().size());
    }
    return valid;
}

long TagLibPass() {
    long valid = 0;
    for (const auto& file : TheCorpus->Files) {
        TagLib::MPEG::File mp3(file.c_str(), true, TagLib::AudioProperties::Average);
        if (auto* properties = mp3.audioProperties()) {
            valid += properties->bitrate() > 0;
            benchmark::DoNotOptimize(properties->lengthInMilliseconds());
        }
        if (auto* tag = mp3.ID3v2Tag())
            benchmark::DoNotOptimize(tag->title().size() + tag->artist().size());
        if (auto* tag = mp3.ID3v1Tag())
            benchmark::DoNotOptimize(tag->title().size());
    }
    return valid;
}

// The floor: opening each file and reading its head and tail, with no parsing at all.
void BM_OpenAndReadOnly(benchmark::State& State) {
    char buffer[8192];
    for (auto _ : State)
        for (const auto& file : TheCorpus->Files) {
            orvanta::TFileSource source;
            source.Open(file);
            benchmark::DoNotOptimize(source.ReadAt(source.Size() - 128, buffer, 128));
        }
    State.SetItemsProcessed(State.iterations() * CorpusSize);
}
BENCHMARK(BM_OpenAndReadOnly)->Unit(benchmark::kMillisecond);

void BM_OrvantaAnalyse(benchmark::State& State) {
    for (auto _ : State)
        benchmark::DoNotOptimize(OrvantaPass());
    State.SetItemsProcessed(State.iterations() * CorpusSize);
}
BENCHMARK(BM_OrvantaAnalyse)->Unit(benchmark::kMillisecond);

void BM_TagLibRead(benchmark::State& State) {
    for (auto _ : State)
        benchmark::DoNotOptimize(TagLibPass());
    State.SetItemsProcessed(State.iterations() * CorpusSize);
}
BENCHMARK(BM_TagLibRead)->Unit(benchmark::kMillisecond);

template <typename Pass> double BestFilesPerSecond(Pass&& Run) {
    double best = 0;
    for (int i = 0; i < 5; ++i) {
        const auto start = std::chrono::steady_clock::now();
        Run();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::max(best, CorpusSize / took.count());
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    Corpus corpus;
    TheCorpus = &corpus;
    if (OrvantaPass() != CorpusSize || TagLibPass() != CorpusSize)
        std::cerr << "warning: not every file of the corpus was read as valid\n";
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    const double ours = BestFilesPerSecond(OrvantaPass);
    const double theirs = BestFilesPerSecond(TagLibPass);
    std::printf("Analyse: %.0f files/s, TagLib: %.0f files/s, ratio %.1f (target >= 5)\n", ours,
                theirs, ours / theirs);
    benchmark::Shutdown();
    return 0;
}
