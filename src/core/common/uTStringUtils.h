#pragma once

#include <string>
#include <string_view>

namespace orvanta {

// A-Z to a-z (and a-z to A-Z), every other byte unchanged, whatever the locale: the lowering of
// the library's LOWER, and the spellings of file extensions and tag keys.
inline std::string LowerAscii(std::string_view Text) {
    std::string lowered(Text);
    for (char& c : lowered)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lowered;
}

inline std::string UpperAscii(std::string_view Text) {
    std::string upper(Text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

// Whether Text begins with Prefix (given in lower case), A-Z matching a-z: URI schemes.
constexpr bool StartsWithNoCase(std::string_view Text, std::string_view Prefix) {
    if (Text.size() < Prefix.size())
        return false;
    for (std::size_t i = 0; i < Prefix.size(); ++i) {
        const char c =
            Text[i] >= 'A' && Text[i] <= 'Z' ? static_cast<char>(Text[i] - 'A' + 'a') : Text[i];
        if (c != Prefix[i])
            return false;
    }
    return true;
}

// The value of a hexadecimal digit, or -1 for any other character.
constexpr int HexDigitValue(char C) {
    if (C >= '0' && C <= '9')
        return C - '0';
    if (C >= 'a' && C <= 'f')
        return C - 'a' + 10;
    if (C >= 'A' && C <= 'F')
        return C - 'A' + 10;
    return -1;
}

} // namespace orvanta
