#include "core/metadata/uTagFieldValues.h"

#include "core/metadata/ID3v2.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>

namespace orvanta {

namespace {

// The editor's text fields under their common keys.
constexpr std::pair<std::string_view, TTagField> KeyFields[] = {
    {"TITLE", TTagField::Title},       {"ARTIST", TTagField::Artist},
    {"ALBUM", TTagField::Album},       {"DATE", TTagField::Year},
    {"GENRE", TTagField::Genre},       {"COMMENT", TTagField::Comment},
    {"COMPOSER", TTagField::Composer}, {"COPYRIGHT", TTagField::Copyright},
    {"LANGUAGE", TTagField::Language},
};

std::optional<unsigned> Number(std::string_view Text, unsigned Max) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(Text.data(), Text.data() + Text.size(), value);
    if (Text.empty() || error != std::errc() || end != Text.data() + Text.size() || value > Max)
        return std::nullopt;
    return value;
}

const std::vector<std::string>* Find(const TFieldValues& Fields, const std::string& Key) {
    const auto found = Fields.find(Key);
    return found == Fields.end() ? nullptr : &found->second;
}

// ID3v2 holds a number and its total in one frame ("3/12"): TRCK, TPOS. A new number keeps the
// total unless one is given.
std::string SetNumberFrame(TID3v2& Tag, const TFieldValues& Fields, const std::string& Name) {
    const bool track = Name == "TRACK";
    const auto* number = Find(Fields, Name + "NUMBER");
    const auto* total = Find(Fields, Name + "TOTAL");
    for (const auto* values : {number, total})
        if (values &&
            (values->size() > 1 || (values->size() == 1 && !Number(values->front(), 65535))))
            return Name + "NUMBER and " + Name + "TOTAL take one number each.";
    if (track && number && !total) {
        // The tag's own setter keeps a track total it read.
        Tag.SetTrack(
            static_cast<std::uint16_t>(number->empty() ? 0 : *Number(number->front(), 65535)));
        return "";
    }
    if (!number && !total)
        return "";
    std::string text = number ? (number->empty() ? "" : number->front())
                              : std::to_string(track ? Tag.Track() : Tag.Disc());
    if (total && !total->empty()) {
        text = (text.empty() ? "0" : text) + "/" + total->front();
    } else if (!track && !total && !text.empty()) {
        const std::string& old = Tag.DiscText();
        if (const std::size_t slash = old.find('/'); slash != std::string::npos)
            text += old.substr(slash);
    }
    Tag.SetFrameTexts(track ? "TRCK" : "TPOS", "",
                      text.empty() ? std::vector<std::string>{} : std::vector<std::string>{text});
    return "";
}

} // namespace

std::optional<TTagField> FieldOfKey(std::string_view Key) {
    for (const auto& [key, field] : KeyFields)
        if (key == Key)
            return field;
    return std::nullopt;
}

// Text frames of ID3v2.3 (and the sort-order frames taggers add to it) for common keys beyond
// the editor's fields; any other key becomes a user text frame.
std::string_view FrameOfKey(std::string_view Key) {
    static const std::map<std::string_view, std::string_view> frames = {
        {"ALBUMARTIST", "TPE2"}, {"CONDUCTOR", "TPE3"},       {"REMIXER", "TPE4"},
        {"LYRICIST", "TEXT"},    {"PUBLISHER", "TPUB"},       {"BPM", "TBPM"},
        {"ISRC", "TSRC"},        {"ENCODEDBY", "TENC"},       {"ENCODER", "TSSE"},
        {"GROUPING", "TIT1"},    {"SUBTITLE", "TIT3"},        {"ORIGINALDATE", "TORY"},
        {"MEDIA", "TMED"},       {"TITLESORT", "TSOT"},       {"ARTISTSORT", "TSOP"},
        {"ALBUMSORT", "TSOA"},   {"ALBUMARTISTSORT", "TSO2"},
    };
    const auto found = frames.find(Key);
    return found == frames.end() ? std::string_view("TXXX") : found->second;
}

std::string_view CommonKey(TTagField Field) {
    for (const auto& [key, field] : KeyFields)
        if (field == Field)
            return key;
    return {};
}

std::string AddFieldOption(TFieldValues& Fields, const std::string& Option) {
    const std::size_t equals = Option.find('=');
    if (equals == std::string::npos)
        return "--field takes KEY=VALUE, not \"" + Option + "\".";
    const std::string key = TagKey(std::string_view(Option).substr(0, equals));
    if (key.empty())
        return "--field \"" + Option + "\" names no key.";
    if (std::ranges::any_of(
            key, [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
        return "The key of --field \"" + Option + "\" holds a control character.";
    std::vector<std::string>& values = Fields[key];
    if (equals + 1 < Option.size())
        values.push_back(Option.substr(equals + 1));
    return "";
}

std::string AddDiscOption(TFieldValues& Fields, const std::string& Disc) {
    const std::size_t slash = Disc.find('/');
    const std::string number = Disc.substr(0, slash);
    const std::string total = slash == std::string::npos ? "" : Disc.substr(slash + 1);
    if (!Number(number, 65535) || (slash != std::string::npos && !Number(total, 65535)))
        return "--disc takes N or N/M, not \"" + Disc + "\".";
    Fields["DISCNUMBER"] = {number};
    if (slash != std::string::npos)
        Fields["DISCTOTAL"] = {total};
    return "";
}

std::string SetID3v2Fields(TID3v2& Tag, const TFieldValues& Fields) {
    for (const auto& [key, values] : Fields) {
        if (key == "TRACKNUMBER" || key == "TRACKTOTAL" || key == "DISCNUMBER" ||
            key == "DISCTOTAL")
            continue; // below, as one frame each
        const std::optional<TTagField> field = FieldOfKey(key);
        if (field && values.size() <= 1) {
            Tag.SetText(*field, values.empty() ? std::string() : values.front());
        } else if (field == TTagField::Comment || field == TTagField::Year) {
            return "An ID3v2 tag keeps one value of " + key + ".";
        } else {
            Tag.SetFrameTexts(field ? FieldInfo(*field).V2Frame : FrameOfKey(key), key, values);
        }
    }
    for (const std::string name : {"TRACK", "DISC"})
        if (std::string error = SetNumberFrame(Tag, Fields, name); !error.empty())
            return error;
    return "";
}

} // namespace orvanta
