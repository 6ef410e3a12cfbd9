#pragma once

#include <optional>
#include <string>

namespace orvanta {

// A picture of a track as stored: its MIME type and undecoded bytes. Width and height are 0
// when the header does not tell them cheaply.
struct TCoverArt {
    std::string Mime;
    std::string Bytes;
    int Width = 0;
    int Height = 0;
};

// The front cover of the file's ID3v2 tag, else its first picture, else cover.jpg or folder.jpg
// (any case; then the .png ones) beside the file. Reads the file each time: callers cache what
// they show.
std::optional<TCoverArt> FindCoverArt(const std::string& Path);

} // namespace orvanta
