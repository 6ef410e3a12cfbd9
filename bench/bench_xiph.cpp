// Files per second for the FLAC, Ogg Vorbis and Opus readers beside TagLib reading the tags and
// audio properties of the same files. Each file holds ten comments and a 100 KB cover, as a
// tagged collection does; pictures are not asked for, as an import does not. Warm cache: every
// file is read once before the timing starts.
// Usage: bench_xiph [files-per-format]   (needs ffmpeg and python3-mutagen)
#include "core/metadata/uFlacFile.h"
#include "core/metadata/uOggFile.h"
#include "core/metadata/uTagFile.h"

#include <taglib/fileref.h>
#include <taglib/tag.h>

#include <algorithm>
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

// Ten comments, two of them multi-valued, and a 100 KB front cover, in each format's own way.
const char* const TagScript = R"PY(
import base64, sys, mutagen
from mutagen.flac import Picture
f = mutagen.File(sys.argv[1])
for key, values in [("title", ["A Title of Some Length"]), ("artist", ["One", "Two"]),
                    ("album", ["The Album"]), ("albumartist", ["One"]), ("date", ["2001"]),
                    ("genre", ["Rock", "Pop"]), ("tracknumber", ["3"]), ("tracktotal", ["12"]),
                    ("discnumber", ["1"]), ("replaygain_track_gain", ["-6.5 dB"])]:
    f[key] = values
p = Picture(); p.type = 3; p.mime = "image/jpeg"; p.desc = ""
p.data = b"\xff\xd8" + bytes((i * 7) & 255 for i in range(100 * 1024))
if hasattr(f, "add_picture"):
    f.add_picture(p)
else:
    f["metadata_block_picture"] = [base64.b64encode(p.write()).decode()]
f.save()
)PY";

struct TFormat {
    const char* Name;
    const char* Extension;
    const char* Encoder;
    bool Flac;
    std::vector<std::string> Files;
};

bool Run(const std::string& Command) {
    return std::system(Command.c_str()) == 0;
}

std::string Quoted(const std::string& Text) {
    return "'" + Text + "'";
}

long OrvantaPass(const TFormat& Format) {
    long valid = 0;
    orvanta::TAudioInfo info;
    for (const auto& file : Format.Files) {
        orvanta::TFileSource source;
        if (!source.Open(file))
            continue;
        const bool read = Format.Flac ? orvanta::ReadFlac(source, info, false)
                                      : orvanta::ReadOgg(source, info, false);
        valid += read && info.Properties.Milliseconds > 0 && !info.Tags.empty();
    }
    return valid;
}

long TagLibPass(const TFormat& Format) {
    long valid = 0;
    for (const auto& file : Format.Files) {
        TagLib::FileRef ref(file.c_str(), true, TagLib::AudioProperties::Fast);
        const TagLib::Tag* tag = ref.tag();
        const TagLib::AudioProperties* properties = ref.audioProperties();
        valid +=
            tag && properties && properties->lengthInMilliseconds() > 0 && !tag->title().isEmpty();
    }
    return valid;
}

template <typename Pass> double BestFilesPerSecond(const TFormat& Format, Pass&& Read) {
    double best = 0;
    for (int i = 0; i < 5; ++i) {
        const auto start = std::chrono::steady_clock::now();
        Read(Format);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::max(best, double(Format.Files.size()) / took.count());
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;
    const fs::path dir =
        fs::temp_directory_path() / ("orvanta-bench-xiph-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string script = (dir / "tag.py").string();
    std::ofstream(script) << TagScript;
    std::vector<TFormat> formats = {{"FLAC", "flac", "-ac 2 -sample_fmt s16", true, {}},
                                    {"Ogg Vorbis", "ogg", "-ac 2 -c:a libvorbis", false, {}},
                                    {"Opus", "opus", "-ac 2 -c:a libopus", false, {}}};
    int status = 0;
    for (TFormat& format : formats) {
        const std::string model = (dir / "model").replace_extension(format.Extension).string();
        if (!Run("ffmpeg -v error -f lavfi -i sine=d=3 " + std::string(format.Encoder) + " " +
                 Quoted(model)) ||
            !Run("/usr/bin/python3 " + Quoted(script) + " " + Quoted(model))) {
            std::fprintf(stderr, "could not make the %s files (ffmpeg, python3-mutagen)\n",
                         format.Name);
            status = 1;
            break;
        }
        for (int i = 0; i < count; ++i) {
            const fs::path file = (dir / std::to_string(i)).replace_extension(format.Extension);
            fs::copy_file(model, file);
            format.Files.push_back(file.string());
        }
        // Warms the cache and checks that both read every file.
        const long ours = OrvantaPass(format);
        const long theirs = TagLibPass(format);
        if (ours != count || theirs != count)
            std::fprintf(stderr, "%s: read %ld (ours) and %ld (TagLib) of %d files\n", format.Name,
                         ours, theirs, count);
        const double oursRate = BestFilesPerSecond(format, OrvantaPass);
        const double theirRate = BestFilesPerSecond(format, TagLibPass);
        std::printf("%-10s %6.0f KB/file: ours %7.0f files/s, TagLib %7.0f files/s, ratio %.1f "
                    "(target >= 2)\n",
                    format.Name, double(fs::file_size(model)) / 1024, oursRate, theirRate,
                    oursRate / theirRate);
    }
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    return status;
}
