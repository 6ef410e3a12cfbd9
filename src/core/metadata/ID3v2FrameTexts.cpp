// The text frames a save sets beside the field table: the album artist, the disc, and any other
// text or user text frame the tag editor's table or orvanta-cli names.
#include <algorithm>

#include "core/common/uTStringUtils.h"
#include "core/metadata/ID3v2.h"
#include "core/metadata/uTagText.h"

namespace orvanta {

void TID3v2::SetFrameTexts(std::string_view Id, std::string_view Description,
                           std::vector<std::string> Values) {
    // The last word for a frame is the one a save writes.
    std::erase_if(FFrameTexts, [&](const TFrameTexts& Set) {
        return Set.Id == Id && UpperAscii(Set.Description) == UpperAscii(Description);
    });
    FFrameTexts.push_back({std::string(Id), std::string(Description), std::move(Values)});
}

void TID3v2::SetFrameText(std::string_view Id, std::string_view Value) {
    std::string clean(tagtext::TrimControl(tagtext::SanitizeUtf8(Value), true));
    const bool albumArtist = Id == "TPE2";
    const bool known = albumArtist || Id == "TPOS";
    if (known && clean == (albumArtist ? FAlbumArtist : FDiscText)) {
        std::erase_if(FFrameTexts, [&](const TFrameTexts& Set) { return Set.Id == Id; });
        return;
    }
    std::vector<std::string> values;
    if (!clean.empty())
        values.push_back(std::move(clean));
    SetFrameTexts(Id, {}, std::move(values));
}

} // namespace orvanta
