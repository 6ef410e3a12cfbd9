#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace orvanta {

// A decoded picture: rows of RGB triplets, top row first.
struct TRgbImage {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Rgb;
    bool IsEmpty() const { return Width == 0 || Height == 0; }
};

// Decodes a JPEG with libjpeg; an empty image when the data is not a readable JPEG.
TRgbImage DecodeJpeg(std::string_view Data);

} // namespace orvanta
