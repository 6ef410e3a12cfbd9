#include "core/batch/uBatchTools.h"

#include "core/common/uPathText.h"

#include <functional>
#include <map>
#include <optional>
#include <regex>

namespace orvanta {

namespace {

char32_t lowerOf(char32_t cp) {
    if (cp >= 'A' && cp <= 'Z')
        return cp + 32;
    if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7)
        return cp + 0x20;
    if (cp >= 0x100 && cp <= 0x17F) {
        if (cp == 0x178)
            return 0xFF;
        if (cp == 0x130)
            return 'i';
        const bool pairedEven = (cp < 0x138 && cp != 0x130) || (cp >= 0x14A && cp < 0x178);
        const bool pairedOdd = (cp >= 0x139 && cp < 0x149) || (cp >= 0x179 && cp < 0x17F);
        return (pairedEven && cp % 2 == 0) || (pairedOdd && cp % 2 == 1) ? cp + 1 : cp;
    }
    if (cp == 0x386)
        return 0x3AC;
    if (cp >= 0x388 && cp <= 0x38A)
        return cp + 0x25;
    if (cp == 0x38C)
        return 0x3CC;
    if (cp == 0x38E || cp == 0x38F)
        return cp + 0x3F;
    if ((cp >= 0x391 && cp <= 0x3AB && cp != 0x3A2) || (cp >= 0x410 && cp <= 0x42F))
        return cp + 0x20;
    if (cp >= 0x400 && cp <= 0x40F)
        return cp + 0x50;
    return cp;
}

char32_t upperOf(char32_t cp) {
    if (cp >= 'a' && cp <= 'z')
        return cp - 32;
    if (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7)
        return cp - 0x20;
    if (cp == 0xFF)
        return 0x178;
    if (cp >= 0x100 && cp <= 0x17F) {
        if (cp == 0x131)
            return 'I';
        if (cp == 0x17F)
            return 'S';
        const bool pairedEven = cp < 0x138 || (cp >= 0x14A && cp < 0x178);
        const bool pairedOdd = (cp >= 0x139 && cp < 0x149) || (cp >= 0x179 && cp < 0x17F);
        return (pairedEven && cp % 2 == 1) || (pairedOdd && cp % 2 == 0) ? cp - 1 : cp;
    }
    if (cp == 0x3AC)
        return 0x386;
    if (cp >= 0x3AD && cp <= 0x3AF)
        return cp - 0x25;
    if (cp == 0x3CC)
        return 0x38C;
    if (cp == 0x3CD || cp == 0x3CE)
        return cp - 0x3F;
    if (cp == 0x3C2)
        return 0x3A3; // final sigma
    if ((cp >= 0x3B1 && cp <= 0x3CB) || (cp >= 0x430 && cp <= 0x44F))
        return cp - 0x20;
    if (cp >= 0x450 && cp <= 0x45F)
        return cp - 0x50;
    return cp;
}

bool isLetter(char32_t cp) {
    return lowerOf(cp) != cp || upperOf(cp) != cp || cp == 0xDF || cp == 0x3C2;
}

// The text as code points, with where each starts; a byte outside UTF-8 is its own unit,
// marked so that it is written back as the byte.
struct TUnit {
    char32_t Code;
    std::size_t At, Size;
    bool Byte;
};

std::vector<TUnit> unitsOf(std::string_view Text) {
    std::vector<TUnit> units;
    for (std::size_t at = 0; at < Text.size();) {
        const std::size_t size = Utf8SequenceAt(Text, at);
        if (size == 0) {
            units.push_back({static_cast<unsigned char>(Text[at]), at, 1, true});
            ++at;
            continue;
        }
        char32_t cp = size == 1 ? static_cast<unsigned char>(Text[at])
                                : static_cast<unsigned char>(Text[at]) & (0x7F >> size);
        for (std::size_t i = 1; i < size; ++i)
            cp = (cp << 6) | (static_cast<unsigned char>(Text[at + i]) & 0x3F);
        units.push_back({cp, at, size, false});
        at += size;
    }
    return units;
}

// Whether a word starts after this character.
bool breaksWords(char32_t cp) {
    return cp == ' ' || cp == '\t' || cp == '(' || cp == '[' || cp == '{' || cp == '"' ||
           cp == '-' || cp == '/' || cp == 0x201C;
}

std::string joined(const std::vector<std::string>& Values, std::string_view Separator = "; ") {
    std::string out;
    for (const std::string& value : Values) {
        if (!out.empty())
            out += Separator;
        out += value;
    }
    return out;
}

// Each value of Keys through Change; a file and key whose values change are planned.
TPlanResult planValues(const std::vector<TBatchSource>& Files, const std::vector<std::string>& Keys,
                       const std::function<std::string(const std::string&)>& Change) {
    TPlanResult result;
    for (const TBatchSource& file : Files) {
        TBatchItem item{file.Path, {}, ""};
        for (const std::string& key : Keys) {
            const auto found = file.Fields.find(key);
            if (found == file.Fields.end())
                continue;
            std::vector<std::string> values;
            for (const std::string& value : found->second)
                values.push_back(Change(value));
            if (values == found->second)
                continue;
            result.Preview.push_back({file.Path, key, joined(found->second), joined(values), ""});
            item.Changes.Fields[key] = std::move(values);
        }
        if (item.Edits())
            result.Plan.push_back(std::move(item));
    }
    return result;
}

} // namespace

std::string ConvertCase(std::string_view Text, TCaseStyle Style) {
    const std::vector<TUnit> units = unitsOf(Text);
    std::string out;
    out.reserve(Text.size());
    bool wordStart = true;
    bool textStart = true;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const TUnit& unit = units[i];
        if (unit.Byte) {
            out += Text[unit.At];
            wordStart = textStart = false;
            continue;
        }
        const bool upper = Style == TCaseStyle::Upper ||
                           (Style == TCaseStyle::TitleCase && wordStart) ||
                           (Style == TCaseStyle::SentenceCase && textStart);
        char32_t cp = upper ? upperOf(unit.Code) : lowerOf(unit.Code);
        // A capital sigma that ends a word is written as the final one.
        if (cp == 0x3C3 && unit.Code == 0x3A3 &&
            (i + 1 == units.size() || units[i + 1].Byte || !isLetter(units[i + 1].Code)))
            cp = i > 0 && !units[i - 1].Byte && isLetter(units[i - 1].Code) ? 0x3C2 : cp;
        AppendUtf8(out, cp);
        if (isLetter(unit.Code) || (unit.Code >= '0' && unit.Code <= '9'))
            wordStart = textStart = false;
        else if (breaksWords(unit.Code))
            wordStart = true;
    }
    return out;
}

TPlanResult PlanCase(const std::vector<TBatchSource>& Files, const std::vector<std::string>& Keys,
                     TCaseStyle Style) {
    return planValues(Files, Keys,
                      [Style](const std::string& Value) { return ConvertCase(Value, Style); });
}

TPlanResult PlanReplace(const std::vector<TBatchSource>& Files, const TReplaceOptions& Options) {
    if (Options.Find.empty())
        return {{}, {}, "There is nothing to find."};
    if (Options.Regex) {
        std::regex expression;
        try {
            expression = std::regex(Options.Find, Options.IgnoreCase
                                                      ? std::regex::ECMAScript | std::regex::icase
                                                      : std::regex::ECMAScript);
        } catch (const std::regex_error& Error) {
            return {
                {}, {}, "The expression \"" + Options.Find + "\" is not valid: " + Error.what()};
        }
        return planValues(Files, Options.Keys, [&](const std::string& Value) {
            return std::regex_replace(Value, expression, Options.Replace);
        });
    }
    // Letter case is compared by the lower case of each character, so ranges are the text's own.
    const auto lowered = [&](const std::vector<TUnit>& Units) {
        std::vector<char32_t> codes;
        for (const TUnit& unit : Units)
            codes.push_back(unit.Byte            ? 0x110000 + unit.Code
                            : Options.IgnoreCase ? lowerOf(unit.Code)
                                                 : unit.Code);
        return codes;
    };
    const std::vector<char32_t> needle = lowered(unitsOf(Options.Find));
    return planValues(Files, Options.Keys, [&](const std::string& Value) {
        const std::vector<TUnit> units = unitsOf(Value);
        const std::vector<char32_t> codes = lowered(units);
        std::string out;
        std::size_t i = 0;
        while (i < units.size()) {
            if (i + needle.size() <= units.size() &&
                std::equal(needle.begin(), needle.end(),
                           codes.begin() + static_cast<std::ptrdiff_t>(i))) {
                out += Options.Replace;
                i += needle.size();
                continue;
            }
            out.append(Value, units[i].At, units[i].Size);
            ++i;
        }
        return out;
    });
}

TPlanResult PlanNumbering(const std::vector<TBatchSource>& Files,
                          const TNumberingOptions& Options) {
    const auto runOf = [&](const TBatchSource& File) -> std::string {
        switch (Options.Restart) {
        case TNumberRestart::PerFolder:
            return File.Path.substr(0, File.Path.rfind('/') + 1);
        case TNumberRestart::PerAlbum:
            return File.First("ALBUMARTIST") + '\0' + File.First("ALBUM");
        case TNumberRestart::Never:
            break;
        }
        return "";
    };
    std::map<std::string, int> totals;
    for (const TBatchSource& file : Files)
        ++totals[runOf(file)];
    std::map<std::string, int> next;
    TPlanResult result;
    for (const TBatchSource& file : Files) {
        const std::string run = runOf(file);
        const int number = Options.Start + next[run]++;
        std::map<std::string, std::string> wanted = {{"TRACKNUMBER", std::to_string(number)}};
        if (Options.SetTotal)
            wanted["TRACKTOTAL"] = std::to_string(Options.Start + totals[run] - 1);
        if (Options.Disc > 0)
            wanted["DISCNUMBER"] = std::to_string(Options.Disc);
        TBatchItem item{file.Path, {}, ""};
        for (const auto& [key, value] : wanted) {
            const auto found = file.Fields.find(key);
            const std::vector<std::string> old =
                found == file.Fields.end() ? std::vector<std::string>() : found->second;
            result.Preview.push_back({file.Path, key, joined(old), value, ""});
            if (old != std::vector<std::string>{value})
                item.Changes.Fields[key] = {value};
        }
        if (item.Edits())
            result.Plan.push_back(std::move(item));
    }
    return result;
}

TPlanResult PlanCaseAndReplace(const std::vector<TBatchSource>& Sources,
                               const TReplaceOptions& Replace, std::optional<TCaseStyle> Case) {
    TPlanResult replaced;
    if (!Replace.Find.empty())
        replaced = PlanReplace(Sources, Replace);
    if (!replaced.Error.empty() || !Case)
        return replaced;
    std::vector<TBatchSource> after = Sources;
    std::map<std::string, std::size_t> at;
    for (std::size_t i = 0; i < after.size(); ++i)
        at[after[i].Path] = i;
    for (const TBatchItem& item : replaced.Plan)
        for (const auto& [key, values] : item.Changes.Fields)
            after[at[item.Path]].Fields[key] = values;
    const TPlanResult cased = PlanCase(after, Replace.Keys, *Case);
    TPlanResult result;
    std::map<std::string, std::size_t> planned;
    for (const TPlanResult* step : {static_cast<const TPlanResult*>(&replaced), &cased})
        for (const TBatchItem& item : step->Plan) {
            const auto [it, added] = planned.try_emplace(item.Path, result.Plan.size());
            if (added)
                result.Plan.push_back({item.Path, {}, {}});
            for (const auto& [key, values] : item.Changes.Fields)
                result.Plan[it->second].Changes.Fields[key] = values;
        }
    for (const TBatchItem& item : result.Plan)
        for (const auto& [key, values] : item.Changes.Fields) {
            const auto old = Sources[at[item.Path]].Fields.find(key);
            result.Preview.push_back({item.Path,
                                      key,
                                      old == Sources[at[item.Path]].Fields.end()
                                          ? std::string()
                                          : joined(old->second, " / "),
                                      joined(values, " / "),
                                      {}});
        }
    return result;
}

} // namespace orvanta
