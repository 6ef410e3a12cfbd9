// ReplayGain scanning speed: seconds of audio measured per second of processor time on one
// thread, for a few minutes of stereo MP3, FLAC and Ogg Vorbis at 44.1 kHz and Opus at 48 kHz made
// by ffmpeg.
// Usage: bench_replaygain [seconds-of-audio]   (needs ffmpeg)
#include "core/replaygain/uLoudnessScan.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double WallSeconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 240;
    const fs::path dir =
        fs::temp_directory_path() / ("bench_replaygain." + std::to_string(getpid()));
    fs::create_directories(dir);
    const struct {
        const char* Name;
        const char* Codec;
    } formats[] = {{"mp3", "libmp3lame -b:a 192k -ar 44100"},
                   {"flac", "flac -ar 44100"},
                   {"ogg", "libvorbis -ar 44100"},
                   {"opus", "libopus -ar 48000"}};
    std::printf("%-6s %10s %10s %12s %12s\n", "format", "audio s", "cpu s", "x real time",
                "wall x");
    for (const auto& format : formats) {
        const std::string file = (dir / (std::string("tone.") + format.Name)).string();
        // Pink noise: a coder meets something like music, not a pure tone.
        const std::string make = "ffmpeg -v error -y -f lavfi -i 'anoisesrc=color=pink:duration=" +
                                 std::to_string(seconds) + ":amplitude=0.3' -ac 2 -c:a " +
                                 format.Codec + " '" + file + "'";
        if (std::system(make.c_str()) != 0) {
            std::fprintf(stderr, "could not make %s\n", file.c_str());
            return 1;
        }
        orvanta::TTrackLoudness track;
        std::string error;
        // Once for the page cache and the plug-ins' first load.
        if (!orvanta::MeasureLoudness(file, track, error)) {
            std::fprintf(stderr, "%s: %s\n", file.c_str(), error.c_str());
            return 1;
        }
        const double cpu = CpuSeconds(), wall = WallSeconds();
        if (!orvanta::MeasureLoudness(file, track, error))
            return 1;
        const double usedCpu = CpuSeconds() - cpu, usedWall = WallSeconds() - wall;
        std::printf("%-6s %10.1f %10.3f %12.1f %12.1f\n", format.Name, track.Seconds, usedCpu,
                    track.Seconds / usedCpu, track.Seconds / usedWall);
    }
    fs::remove_all(dir);
    return 0;
}
