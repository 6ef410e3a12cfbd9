// Reads each file named on the command line with TagLib (tags and average audio
// properties), as the yardstick for orvanta-cli's analyse and library add: an MP3 file as
// TagLib's MPEG file, any other through FileRef, which picks the format by the extension.
// Prints how many files had audio and a title.
#include <cstdio>
#include <cstring>
#include <taglib/fileref.h>
#include <taglib/mpegfile.h>

namespace {

bool isMp3(const char* path) {
    const char* dot = std::strrchr(path, '.');
    return dot != nullptr && strcasecmp(dot, ".mp3") == 0;
}

bool readable(TagLib::File* file) {
    return file != nullptr && file->isValid() && file->audioProperties() != nullptr &&
           file->audioProperties()->lengthInMilliseconds() > 0 && file->tag() != nullptr &&
           !file->tag()->title().isEmpty();
}

} // namespace

int main(int argc, char** argv) {
    int valid = 0;
    for (int i = 1; i < argc; ++i) {
        if (isMp3(argv[i])) {
            TagLib::MPEG::File mp3(argv[i], true, TagLib::AudioProperties::Average);
            valid += readable(&mp3) ? 1 : 0;
        } else {
            TagLib::FileRef file(argv[i], true, TagLib::AudioProperties::Average);
            valid += readable(file.file()) ? 1 : 0;
        }
    }
    std::printf("%d\n", valid);
    return 0;
}
