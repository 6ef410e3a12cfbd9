#include "core/metadata/uTagText.h"

#include "core/common/uPathText.h"

namespace orvanta::tagtext {

namespace {

constexpr char32_t Replacement = 0xFFFD;

// Decodes one character at Pos; advances Pos. Malformed input gives U+FFFD and one byte.
char32_t NextChar(std::string_view Text, std::size_t& Pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(Text[i]); };
    const unsigned char lead = byte(Pos);
    if (lead < 0x80) {
        ++Pos;
        return lead;
    }
    int extra = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        c = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        c = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        c = lead & 0x07;
        minimum = 0x10000;
    } else {
        ++Pos;
        return Replacement;
    }
    if (Pos + extra >= Text.size()) {
        ++Pos;
        return Replacement;
    }
    for (int i = 1; i <= extra; ++i) {
        const unsigned char next = byte(Pos + i);
        if ((next & 0xC0) != 0x80) {
            ++Pos;
            return Replacement;
        }
        c = (c << 6) | (next & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++Pos;
        return Replacement;
    }
    Pos += extra + 1;
    return c;
}

} // namespace

void AppendLatin1AsUtf8(std::string& Out, std::string_view Bytes) {
    // Tag texts are mostly ASCII, which is the same in both.
    unsigned char high = 0;
    for (const char b : Bytes)
        high |= static_cast<unsigned char>(b);
    if (high < 0x80) {
        Out.append(Bytes);
        return;
    }
    Out.reserve(Out.size() + 2 * Bytes.size());
    for (const char b : Bytes)
        AppendUtf8(Out, static_cast<unsigned char>(b));
}

std::string Latin1ToUtf8(std::string_view Bytes) {
    std::string out;
    AppendLatin1AsUtf8(out, Bytes);
    return out;
}

std::string Utf8ToLatin1(std::string_view Text) {
    std::string out;
    out.reserve(Text.size());
    for (std::size_t pos = 0; pos < Text.size();) {
        const char32_t c = NextChar(Text, pos);
        out += c <= 0xFF ? static_cast<char>(c) : '?';
    }
    return out;
}

bool FitsLatin1(std::string_view Text) {
    for (std::size_t pos = 0; pos < Text.size();)
        if (NextChar(Text, pos) > 0xFF)
            return false;
    return true;
}

void AppendSanitizedUtf8(std::string& Out, std::string_view Bytes) {
    Out.reserve(Out.size() + Bytes.size());
    for (std::size_t pos = 0; pos < Bytes.size();)
        AppendUtf8(Out, NextChar(Bytes, pos));
}

std::string SanitizeUtf8(std::string_view Bytes) {
    std::string out;
    AppendSanitizedUtf8(out, Bytes);
    return out;
}

void AppendUtf16AsUtf8(std::string& Out, std::string_view Bytes, bool BigEndian) {
    const std::size_t units = Bytes.size() / 2;
    const auto unit = [&](std::size_t i) -> char16_t {
        const auto a = static_cast<unsigned char>(Bytes[2 * i]);
        const auto b = static_cast<unsigned char>(Bytes[2 * i + 1]);
        return static_cast<char16_t>(BigEndian ? (a << 8) | b : (b << 8) | a);
    };
    for (std::size_t i = 0; i < units; ++i) {
        const char16_t u = unit(i);
        if (u == 0)
            break;
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
            const char16_t low = unit(i + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(Out, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        AppendUtf8(Out, (u >= 0xD800 && u <= 0xDFFF) ? Replacement : char32_t(u));
    }
}

std::string Utf16ToUtf8(std::string_view Bytes, bool BigEndian) {
    std::string out;
    AppendUtf16AsUtf8(out, Bytes, BigEndian);
    return out;
}

std::string Utf8ToUtf16LE(std::string_view Text) {
    std::string out;
    out.reserve(Text.size() * 2);
    const auto put = [&](char32_t u) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>((u >> 8) & 0xFF);
    };
    for (std::size_t pos = 0; pos < Text.size();) {
        const char32_t c = NextChar(Text, pos);
        if (c >= 0x10000) {
            put(0xD800 + ((c - 0x10000) >> 10));
            put(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            put(c);
        }
    }
    return out;
}

std::string_view TrimControl(std::string_view Text, bool Leading) {
    while (!Text.empty() && static_cast<unsigned char>(Text.back()) <= 0x20)
        Text.remove_suffix(1);
    while (Leading && !Text.empty() && static_cast<unsigned char>(Text.front()) <= 0x20)
        Text.remove_prefix(1);
    return Text;
}

void TrimControlInPlace(std::string& Text, bool Leading) {
    const std::string_view kept = TrimControl(Text, Leading);
    const auto start = static_cast<std::size_t>(kept.data() - Text.data());
    Text.resize(start + kept.size());
    Text.erase(0, start);
}

std::string_view FirstChars(std::string_view Text, std::size_t MaxChars) {
    std::size_t pos = 0;
    for (std::size_t count = 0; count < MaxChars && pos < Text.size(); ++count)
        NextChar(Text, pos);
    return Text.substr(0, pos);
}

} // namespace orvanta::tagtext
