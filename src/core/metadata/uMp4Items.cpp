#include "core/metadata/uMp4Items.h"

#include <utility>

namespace orvanta::mp4 {

namespace {

// The items TagLib's property map knows, with its names for them; the other items are left out,
// but for the free-form ones of iTunes, read under their own name.
// clang-format off
constexpr TItemName ItemNames[] = {
    {"\xA9nam", "TITLE", Text},
    {"\xA9" "ART", "ARTIST", Text},
    {"\xA9" "alb", "ALBUM", Text},
    {"\xA9" "cmt", "COMMENT", Text},
    {"\xA9gen", "GENRE", Text},
    {"\xA9" "day", "DATE", Text},
    {"\xA9wrt", "COMPOSER", Text},
    {"\xA9grp", "GROUPING", Text},
    {"aART", "ALBUMARTIST", Text},
    {"trkn", "TRACKNUMBER", Pair},
    {"disk", "DISCNUMBER", Pair},
    {"cpil", "COMPILATION", Bool},
    {"tmpo", "BPM", Short},
    {"cprt", "COPYRIGHT", Text},
    {"\xA9lyr", "LYRICS", Text},
    {"\xA9too", "ENCODEDBY", Text},
    {"soal", "ALBUMSORT", Text},
    {"soaa", "ALBUMARTISTSORT", Text},
    {"soar", "ARTISTSORT", Text},
    {"sonm", "TITLESORT", Text},
    {"soco", "COMPOSERSORT", Text},
    {"sosn", "SHOWSORT", Text},
    {"shwm", "SHOWWORKMOVEMENT", Bool},
    {"pgap", "GAPLESSPLAYBACK", Bool},
    {"pcst", "PODCAST", Bool},
    {"catg", "PODCASTCATEGORY", Text},
    {"desc", "PODCASTDESC", Text},
    {"egid", "PODCASTID", AnyText},
    {"purl", "PODCASTURL", AnyText},
    {"tves", "TVEPISODE", UInt},
    {"tven", "TVEPISODEID", Text},
    {"tvnn", "TVNETWORK", Text},
    {"tvsn", "TVSEASON", UInt},
    {"tvsh", "TVSHOW", Text},
    {"\xA9wrk", "WORK", Text},
    {"\xA9mvn", "MOVEMENTNAME", Text},
    {"\xA9mvi", "MOVEMENTNUMBER", Short},
    {"\xA9mvc", "MOVEMENTCOUNT", Short},
    // The ID3v1 genre number stands for a genre's name; covers are pictures, not fields.
    {"gnre", "GENRE", Genre}, {"covr", "", Covers},
};
constexpr std::pair<std::string_view, std::string_view> FreeFormNames[] = {
    {"----:com.apple.iTunes:MusicBrainz Track Id", "MUSICBRAINZ_TRACKID"},
    {"----:com.apple.iTunes:MusicBrainz Artist Id", "MUSICBRAINZ_ARTISTID"},
    {"----:com.apple.iTunes:MusicBrainz Album Id", "MUSICBRAINZ_ALBUMID"},
    {"----:com.apple.iTunes:MusicBrainz Album Artist Id", "MUSICBRAINZ_ALBUMARTISTID"},
    {"----:com.apple.iTunes:MusicBrainz Release Group Id", "MUSICBRAINZ_RELEASEGROUPID"},
    {"----:com.apple.iTunes:MusicBrainz Release Track Id", "MUSICBRAINZ_RELEASETRACKID"},
    {"----:com.apple.iTunes:MusicBrainz Work Id", "MUSICBRAINZ_WORKID"},
    {"----:com.apple.iTunes:MusicBrainz Album Release Country", "RELEASECOUNTRY"},
    {"----:com.apple.iTunes:MusicBrainz Album Status", "RELEASESTATUS"},
    {"----:com.apple.iTunes:MusicBrainz Album Type", "RELEASETYPE"},
    {"----:com.apple.iTunes:ARTISTS", "ARTISTS"},
    {"----:com.apple.iTunes:originaldate", "ORIGINALDATE"},
    {"----:com.apple.iTunes:ASIN", "ASIN"},
    {"----:com.apple.iTunes:LABEL", "LABEL"},
    {"----:com.apple.iTunes:LYRICIST", "LYRICIST"},
    {"----:com.apple.iTunes:CONDUCTOR", "CONDUCTOR"},
    {"----:com.apple.iTunes:REMIXER", "REMIXER"},
    {"----:com.apple.iTunes:ENGINEER", "ENGINEER"},
    {"----:com.apple.iTunes:PRODUCER", "PRODUCER"},
    {"----:com.apple.iTunes:DJMIXER", "DJMIXER"},
    {"----:com.apple.iTunes:MIXER", "MIXER"},
    {"----:com.apple.iTunes:SUBTITLE", "SUBTITLE"},
    {"----:com.apple.iTunes:DISCSUBTITLE", "DISCSUBTITLE"},
    {"----:com.apple.iTunes:MOOD", "MOOD"},
    {"----:com.apple.iTunes:ISRC", "ISRC"},
    {"----:com.apple.iTunes:CATALOGNUMBER", "CATALOGNUMBER"},
    {"----:com.apple.iTunes:BARCODE", "BARCODE"},
    {"----:com.apple.iTunes:SCRIPT", "SCRIPT"},
    {"----:com.apple.iTunes:LANGUAGE", "LANGUAGE"},
    {"----:com.apple.iTunes:LICENSE", "LICENSE"},
    {"----:com.apple.iTunes:MEDIA", "MEDIA"},
};
// clang-format on

} // namespace

const TItemName* ItemNamed(std::string_view Atom) {
    for (const TItemName& item : ItemNames)
        if (item.Atom == Atom)
            return &item;
    return nullptr;
}

std::string_view FreeFormProperty(std::string_view Name) {
    for (const auto& [name, property] : FreeFormNames)
        if (name == Name)
            return property;
    return {};
}

} // namespace orvanta::mp4
