#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace orvanta {

// The fields a tag save can change, in the order an ID3v2 save writes their frames.
enum class TTagField : std::uint8_t {
    Title,
    Artist,
    Album,
    Track,
    Year,
    Genre,
    Comment,
    Composer,
    Copyright,
    Language,
};
inline constexpr std::size_t TagFieldCount = 10;

constexpr std::size_t FieldIndex(TTagField Field) {
    return static_cast<std::size_t>(Field);
}

// One row of the field table: where each tag keeps the field and how much the editor lets the
// user type. The writers, the tag dialog and the tag command iterate it, so that each rule of
// comparison, clearing and limits is written once.
struct TTagFieldInfo {
    TTagField Id;
    // The editor's caption; in lower case, the tag command's option.
    std::string_view Caption;
    // A number (the track), not a text.
    bool Number;
    // The text's place in the 128-byte ID3v1 block, in characters; Width 0 where ID3v1 holds no
    // text (the track and genre are bytes there, the last three fields are missing).
    std::size_t V1Offset;
    std::size_t V1Width;
    // The version 3 frame a save writes, and another frame the field is read from that a new
    // value replaces as well.
    std::string_view V2Frame;
    std::string_view V2AlsoReplaced;
    // A frame read only when the field's own is missing: a cleared field loses it too, so that
    // it reads back empty.
    std::string_view V2Fallback;
    // The characters the editor lets the user type into an ID3v2 field (ID3v1: V1Width); 0 where
    // it sets no limit.
    int V2TypingLimit;

    constexpr bool InV1() const { return V1Width != 0; }
    constexpr bool IsText() const { return !Number; }
};

inline constexpr int V2TextLimit = 256;

inline constexpr std::array<TTagFieldInfo, TagFieldCount> TagFields = {{
    {TTagField::Title, "Title", false, 3, 30, "TIT2", "", "TIT1", V2TextLimit},
    {TTagField::Artist, "Artist", false, 33, 30, "TPE1", "", "TOPE", V2TextLimit},
    {TTagField::Album, "Album", false, 63, 30, "TALB", "", "TOAL", V2TextLimit},
    {TTagField::Track, "Track", true, 0, 0, "TRCK", "", "", 0},
    {TTagField::Year, "Year", false, 93, 4, "TYER", "TDRC", "TDRL", 4},
    {TTagField::Genre, "Genre", false, 0, 0, "TCON", "", "", 0},
    {TTagField::Comment, "Comment", false, 97, 30, "COMM", "", "", V2TextLimit},
    {TTagField::Composer, "Composer", false, 0, 0, "TCOM", "", "", V2TextLimit},
    {TTagField::Copyright, "Copyright", false, 0, 0, "TCOP", "", "", V2TextLimit},
    {TTagField::Language, "Language", false, 0, 0, "TLAN", "", "", V2TextLimit},
}};

constexpr const TTagFieldInfo& FieldInfo(TTagField Field) {
    return TagFields[FieldIndex(Field)];
}

namespace detail {
constexpr bool TableInOrder() {
    for (std::size_t i = 0; i < TagFieldCount; ++i)
        if (FieldIndex(TagFields[i].Id) != i)
            return false;
    return true;
}
} // namespace detail
static_assert(detail::TableInOrder(), "TagFields is indexed by TTagField");

// Text values by field; the slot of the track (a number) stays empty.
template <class T> using TFieldArray = std::array<T, TagFieldCount>;

} // namespace orvanta
