#include "core/library/uMediaKeys.h"

#include "core/common/uPathText.h"

#include <algorithm>
#include <cstdint>

namespace orvanta {

namespace {

// Base letters of U+00C0..U+00FF; '*' marks the ones spelled out below, '=' the ones kept.
constexpr std::string_view Latin1Base = "aaaaaa*ceeeeiiii*nooooo=*uuuuy**"
                                        "aaaaaa*ceeeeiiii*nooooo=*uuuuy*y";
// Base letters of U+0100..U+017F; '*' marks the ligatures spelled out below.
constexpr std::string_view LatinExtABase = "aaaaaaccccccccddddeeeeeeeeeegggggggghhhhiiiiiiiiii**jj"
                                           "kkkllllllllllnnnnnnnnnoooooo**rrrrrrssssssssttttttuuuu"
                                           "uuuuuuuuwwyyyzzzzzzs";

// The code point at Text[At], moving At past it; a byte that does not start a sound
// sequence stands for itself.
char32_t nextCodePoint(std::string_view Text, std::size_t& At) {
    const auto lead = static_cast<unsigned char>(Text[At]);
    const int length = lead < 0x80         ? 1
                       : (lead >> 5) == 6  ? 2
                       : (lead >> 4) == 14 ? 3
                       : (lead >> 3) == 30 ? 4
                                           : 0;
    if (length <= 1 || At + static_cast<std::size_t>(length) > Text.size()) {
        ++At;
        return lead;
    }
    char32_t cp = lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(Text[At + static_cast<std::size_t>(i)]);
        if ((next & 0xC0) != 0x80) {
            ++At;
            return lead;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    At += static_cast<std::size_t>(length);
    return cp;
}

char32_t lowerCodePoint(char32_t cp) {
    if (cp >= 'A' && cp <= 'Z')
        return cp + 32;
    if (cp < 0xC0)
        return cp;
    if (cp <= 0xDE)
        return cp == 0xD7 ? cp : cp + 0x20;
    if (cp >= 0x100 && cp <= 0x17F) {
        if (cp == 0x178)
            return 0xFF;
        const bool pairedEven = (cp < 0x138 && cp != 0x130) || (cp >= 0x14A && cp < 0x178);
        const bool pairedOdd = (cp >= 0x139 && cp < 0x149) || (cp >= 0x179 && cp < 0x17F);
        if ((pairedEven && cp % 2 == 0) || (pairedOdd && cp % 2 == 1))
            return cp + 1;
        return cp == 0x130 ? 'i' : cp;
    }
    if ((cp >= 0x391 && cp <= 0x3A9 && cp != 0x3A2) || (cp >= 0x410 && cp <= 0x42F))
        return cp + 0x20;
    if (cp >= 0x400 && cp <= 0x40F)
        return cp + 0x50;
    return cp;
}

void appendFolded(std::string& out, char32_t cp) {
    cp = lowerCodePoint(cp);
    if (cp >= 0x300 && cp <= 0x36F)
        return; // a combining mark
    if (cp >= 0xE0 && cp <= 0xFF) {
        const char base = Latin1Base[cp - 0xC0];
        if (base == '=')
            AppendUtf8(out, cp);
        else if (base != '*')
            out += base;
        else
            out += cp == 0xE6 ? "ae" : cp == 0xF0 ? "d" : cp == 0xF8 ? "o" : "th";
        return;
    }
    if (cp == 0xDF) {
        out += "ss";
        return;
    }
    if (cp >= 0x100 && cp <= 0x17F) {
        const char base = LatinExtABase[cp - 0x100];
        if (base != '*')
            out += base;
        else
            out += cp <= 0x133 ? "ij" : "oe";
        return;
    }
    if (cp == 0x3C2)
        cp = 0x3C3; // final sigma
    if (cp == 0x451)
        cp = 0x435; // ё
    AppendUtf8(out, cp);
}

// Bytes below this mark a run of digits in a key: the mark's distance from '\x01' is the
// count of digits (leading zeros aside), so that byte order is number order and numbers
// come before letters. Control characters of the text become spaces.
constexpr char DigitsMark = '\x02';
constexpr std::size_t MostDigits = 29;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string naturalNumbers(const std::string& Text) {
    std::string out;
    out.reserve(Text.size() + 4);
    for (std::size_t i = 0; i < Text.size();) {
        if (!isDigit(Text[i])) {
            const auto c = static_cast<unsigned char>(Text[i++]);
            out += c < 0x20 ? ' ' : static_cast<char>(c);
            continue;
        }
        while (i + 1 < Text.size() && Text[i] == '0' && isDigit(Text[i + 1]))
            ++i;
        std::size_t end = i;
        while (end < Text.size() && isDigit(Text[end]))
            ++end;
        out += static_cast<char>(DigitsMark + std::min(end - i, MostDigits) - 1);
        out.append(Text, i, end - i);
        i = end;
    }
    return out;
}

} // namespace

std::string FoldText(std::string_view Text) {
    std::string out;
    out.reserve(Text.size());
    for (std::size_t at = 0; at < Text.size();)
        appendFolded(out, nextCodePoint(Text, at));
    return out;
}

std::string LowerText(std::string_view Text) {
    std::string out;
    out.reserve(Text.size());
    for (std::size_t at = 0; at < Text.size();)
        AppendUtf8(out, lowerCodePoint(nextCodePoint(Text, at)));
    return out;
}

std::string SortKey(std::string_view Text) {
    std::string key = naturalNumbers(FoldText(Text));
    // Accents decide only between otherwise equal texts, and cost room only where present;
    // '\x01' is below every other byte, so the unaccented text sorts first.
    const std::string lower = LowerText(Text);
    if (FoldText(lower) != lower)
        key += '\x01' + naturalNumbers(lower);
    return key;
}

std::vector<std::string> SearchWords(std::string_view Typed) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < Typed.size()) {
        while (at < Typed.size() && (Typed[at] == ' ' || Typed[at] == '\t'))
            ++at;
        std::size_t end = at;
        while (end < Typed.size() && Typed[end] != ' ' && Typed[end] != '\t')
            ++end;
        if (end > at)
            words.push_back(FoldText(Typed.substr(at, end - at)));
        at = end;
    }
    return words;
}

std::string KeyPattern(std::string_view Word) {
    std::string pattern = "*";
    for (std::size_t i = 0; i < Word.size();) {
        const char c = Word[i];
        if (isDigit(c)) {
            // A run the word starts with may be the end of a longer one; any other run starts
            // a run of the key, behind its mark.
            if (i > 0)
                pattern += '?';
            while (i + 1 < Word.size() && Word[i] == '0' && isDigit(Word[i + 1]))
                ++i;
            while (i < Word.size() && isDigit(Word[i]))
                pattern += Word[i++];
            continue;
        }
        if (c == '*' || c == '?' || c == '[')
            pattern += std::string("[") + c + "]";
        else
            pattern += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
        ++i;
    }
    return pattern + "*";
}

} // namespace orvanta
