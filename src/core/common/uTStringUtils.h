#pragma once

#include <string>
#include <string_view>

namespace orvanta {

// Splitting delimited text. Positions count from 1, in bytes of the UTF-8 text.
class TStringUtils {
public:
    TStringUtils() = delete;

    // The Number-th field (from 1) of Text cut at each Delimiter; empty beyond the last field.
    static std::string GetField(std::string_view Text, std::string_view Delimiter, int Number);

    // The field starting at From, and where the next one starts (0 when this was the last).
    // Field is left unchanged when Text or Delimiter is empty or From < 1.
    static int NextField(std::string& Field, std::string_view Text, int From,
                         std::string_view Delimiter);
};

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
