#include "core/playlists/uTextFold.h"

#include <cstdint>
#include <locale.h>
#include <wctype.h>

namespace orvanta {

namespace {

// A C.UTF-8 locale object of our own, so the comparison never depends on the process locale.
locale_t foldingLocale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    return locale;
}

// Decodes one code point at Pos and advances Pos. An invalid byte decodes to a value above
// the Unicode range, so it only ever equals the same byte.
std::uint32_t nextCodePoint(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    int length = 0;
    std::uint32_t value = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07u;
    } else {
        ++pos;
        return 0x110000u + lead;
    }
    if (pos + static_cast<std::size_t>(length) > text.size()) {
        ++pos;
        return 0x110000u + lead;
    }
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + static_cast<std::size_t>(i)]);
        if ((next & 0xC0u) != 0x80u) {
            ++pos;
            return 0x110000u + lead;
        }
        value = (value << 6) | (next & 0x3Fu);
    }
    // Overlong forms, surrogates and values beyond U+10FFFF are not valid UTF-8.
    static constexpr std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < smallest[length] || value > 0x10FFFFu || (value >= 0xD800u && value <= 0xDFFFu)) {
        ++pos;
        return 0x110000u + lead;
    }
    pos += static_cast<std::size_t>(length);
    return value;
}

std::uint32_t fold(std::uint32_t codePoint) {
    if (codePoint < 0x80)
        return codePoint >= 'A' && codePoint <= 'Z' ? codePoint + ('a' - 'A') : codePoint;
    const locale_t locale = foldingLocale();
    if (codePoint > 0x10FFFFu || locale == locale_t{})
        return codePoint;
    return static_cast<std::uint32_t>(towlower_l(static_cast<wint_t>(codePoint), locale));
}

} // namespace

bool SameTextFolded(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size())
        if (fold(nextCodePoint(a, i)) != fold(nextCodePoint(b, j)))
            return false;
    return i == a.size() && j == b.size();
}

} // namespace orvanta
