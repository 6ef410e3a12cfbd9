#pragma once

namespace orvanta {

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
