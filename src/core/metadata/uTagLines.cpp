#include "core/metadata/uTagLines.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace orvanta {

namespace {

// The fields the library keeps as several values; an editor's field shows them joined.
bool HoldsSeveral(std::string_view Key) {
    return Key == "ARTIST" || Key == "ALBUMARTIST" || Key == "GENRE" || Key == "COMPOSER";
}

std::string Upper(std::string_view Text) {
    std::string upper(Text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper;
}

} // namespace

std::vector<std::string> SplitJoinedValues(std::string_view Text) {
    std::vector<std::string> values;
    while (!Text.empty()) {
        const std::size_t split = Text.find(" / ");
        if (split != 0)
            values.emplace_back(Text.substr(0, split));
        if (split == std::string_view::npos)
            break;
        Text.remove_prefix(split + 3);
    }
    return values;
}

void TTagLines::Reset(TTagEntries Lines) {
    FReadLines = Lines;
    FLines = std::move(Lines);
}

void TTagLines::SetLine(std::size_t Row, std::string_view Key, std::string_view Value) {
    if (Row < FLines.size())
        FLines[Row] = {Upper(Key), std::string(Value)};
}

void TTagLines::AddLine(std::string_view Key, std::string_view Value) {
    FLines.push_back({Upper(Key), std::string(Value)});
}

void TTagLines::RemoveLine(std::size_t Row) {
    if (Row < FLines.size())
        FLines.erase(FLines.begin() + static_cast<std::ptrdiff_t>(Row));
}

std::string TTagLines::FieldText(std::string_view Key) const {
    std::string text;
    for (const std::string& value : TagValues(FLines, Key))
        if (!value.empty())
            text += (text.empty() ? "" : " / ") + value;
    return text;
}

void TTagLines::SetFieldText(std::string_view Key, std::string_view Text) {
    std::vector<std::string> values = HoldsSeveral(Key) ? SplitJoinedValues(Text)
                                      : Text.empty()    ? std::vector<std::string>{}
                                                        : std::vector{std::string(Text)};
    const auto first = std::find_if(FLines.begin(), FLines.end(),
                                    [&](const TTagEntry& Line) { return Line.Key == Key; });
    std::size_t at = static_cast<std::size_t>(first - FLines.begin());
    std::erase_if(FLines, [&](const TTagEntry& Line) { return Line.Key == Key; });
    for (std::string& value : values)
        FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(at++),
                      {std::string(Key), std::move(value)});
}

std::string TTagLines::Number(std::string_view NumberKey) const {
    const std::string text = FieldText(NumberKey);
    return text.substr(0, text.find('/'));
}

std::string TTagLines::Total(std::string_view NumberKey, std::string_view TotalKey) const {
    if (std::string total = TotalKey.empty() ? "" : FieldText(TotalKey); !total.empty())
        return total;
    const std::string text = FieldText(NumberKey);
    const std::size_t slash = text.find('/');
    return slash == std::string::npos ? std::string() : text.substr(slash + 1);
}

void TTagLines::SetNumber(std::string_view NumberKey, std::string_view TotalKey,
                          std::string_view Number, std::string_view Total) {
    const bool joined = TotalKey.empty() || (FieldText(NumberKey).find('/') != std::string::npos &&
                                             FieldText(TotalKey).empty());
    if (!joined) {
        SetFieldText(NumberKey, Number);
        SetFieldText(TotalKey, Total);
    } else if (Total.empty()) {
        SetFieldText(NumberKey, Number);
    } else {
        SetFieldText(NumberKey,
                     std::string(Number.empty() ? "0" : Number) + "/" + std::string(Total));
    }
}

std::map<std::string, std::vector<std::string>> TTagLines::ChangedKeys() const {
    std::map<std::string, std::vector<std::string>> changed;
    std::set<std::string> keys;
    for (const TTagEntries* lines : {&FReadLines, &FLines})
        for (const TTagEntry& line : *lines)
            if (!line.Key.empty())
                keys.insert(line.Key);
    for (const std::string& key : keys) {
        std::vector<std::string> now = TagValues(FLines, key);
        if (now != TagValues(FReadLines, key))
            changed[key] = std::move(now);
    }
    return changed;
}

} // namespace orvanta
