#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace orvanta::cli {

// One compact JSON line. Strings are bytes: valid UTF-8 stands as it is, each stray byte of a
// path that is not UTF-8 is written as the escaped lone surrogate "\udcXX".
std::string JsonLine(const nlohmann::json& Value);

// Writes Value as one line on standard output, flushed, so a script sees each result at once.
void printLine(const nlohmann::json& Value);

} // namespace orvanta::cli
