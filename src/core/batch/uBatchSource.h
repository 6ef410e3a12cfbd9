#pragma once

// What the batch tools start from: each selected file with the values its tag holds now.
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace orvanta {

struct TBatchSource {
    std::string Path;
    // By key in the common spelling (TITLE, ARTIST, ALBUM, ALBUMARTIST, TRACKNUMBER,
    // TRACKTOTAL, DISCNUMBER, DISCTOTAL, DATE, GENRE, COMPOSER, COMMENT, ...), the values in order.
    std::map<std::string, std::vector<std::string>> Fields;

    // The first value of Key, or "".
    const std::string& First(std::string_view Key) const;
};

// Fills Source from the file at Path, of any format: an MP3's ID3v2 tag (its ID3v1 tag when it
// has no ID3v2 tag), the tag of any other format as ReadAudioFile gives it. A file without a
// tag gives no fields. False, with Error naming the file, when it cannot be read.
bool ReadBatchSource(const std::string& Path, TBatchSource& Source, std::string& Error);

} // namespace orvanta
