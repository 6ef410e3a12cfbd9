// Reads each file named on the command line with TagLib (tags and average audio
// properties), as the yardstick for orvanta-cli's analyse and library add. Prints how many
// files had audio.
#include <cstdio>
#include <taglib/mpegfile.h>

int main(int argc, char** argv) {
    int valid = 0;
    for (int i = 1; i < argc; ++i) {
        TagLib::MPEG::File mp3(argv[i], true, TagLib::AudioProperties::Average);
        if (mp3.isValid() && mp3.audioProperties() != nullptr &&
            mp3.audioProperties()->lengthInMilliseconds() > 0 && !mp3.tag()->title().isEmpty())
            ++valid;
    }
    std::printf("%d\n", valid);
    return 0;
}
