#include "cli/uCliJson.h"

#include "core/common/uPathText.h"

#include <iostream>

namespace orvanta::cli {

namespace {

void append(std::string& Out, const nlohmann::json& Value) {
    if (Value.is_string()) {
        Out += JsonPathLiteral(Value.get_ref<const std::string&>());
    } else if (Value.is_object()) {
        Out += '{';
        bool first = true;
        for (const auto& item : Value.items()) {
            if (!first)
                Out += ',';
            first = false;
            Out += JsonPathLiteral(item.key());
            Out += ':';
            append(Out, item.value());
        }
        Out += '}';
    } else if (Value.is_array()) {
        Out += '[';
        for (std::size_t i = 0; i < Value.size(); ++i) {
            if (i > 0)
                Out += ',';
            append(Out, Value[i]);
        }
        Out += ']';
    } else {
        Out += Value.dump();
    }
}

} // namespace

std::string JsonLine(const nlohmann::json& Value) {
    std::string line;
    append(line, Value);
    return line;
}

void printLine(const nlohmann::json& Value) {
    std::cout << JsonLine(Value) << "\n";
    std::cout.flush();
}

} // namespace orvanta::cli
