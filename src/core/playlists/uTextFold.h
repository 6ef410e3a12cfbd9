#pragma once

#include <string_view>

namespace orvanta {

// Compares two UTF-8 texts without regard to letter case, for every script that has case
// (É and é, Ж and ж are the same). Bytes that are not valid UTF-8 must match exactly.
bool SameTextFolded(std::string_view a, std::string_view b);

} // namespace orvanta
