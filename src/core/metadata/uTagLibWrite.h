#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/metadata/uAudioInfo.h"

namespace orvanta {

// What a save changes in a file's tag; every field and picture not named stays as it was.
struct TTagChanges {
    // Per key, in the common spelling (see TTagEntry), the new values; an empty list removes
    // the key.
    std::map<std::string, std::vector<std::string>> Fields;
    // When set, the file's pictures become exactly these.
    std::optional<std::vector<TPicture>> Pictures;
    // Takes out the ID3v2 tag some taggers put before a FLAC stream.
    bool RemoveID3v2 = false;
};

// Saves Changes into a file of Format other than MP3 through TagLib. TagLib writes in place,
// so it only ever opens a copy: the file (the target of a symbolic link) is copied beside
// itself, TagLib saves the copy, which is flushed and renamed over the file, keeping its mode.
// A file with other hard links is refused, as an MP3 rewrite refuses it. On any failure the
// file keeps every byte and Error names the file and the reason.
[[nodiscard]] bool WriteTagChanges(const std::string& Path, TAudioFormat Format,
                                   const TTagChanges& Changes, std::string& Error);

} // namespace orvanta
