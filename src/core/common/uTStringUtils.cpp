#include "core/common/uTStringUtils.h"

namespace orvanta {

std::string TStringUtils::GetField(std::string_view Text, std::string_view Delimiter, int Number) {
    if (Text.empty() || Delimiter.empty() || Number < 1)
        return {};
    std::size_t start = 0;
    for (int counter = 1;; ++counter) {
        const std::size_t found = Text.find(Delimiter, start);
        if (counter == Number)
            return std::string(Text.substr(
                start, found == std::string_view::npos ? std::string_view::npos : found - start));
        if (found == std::string_view::npos)
            return {};
        start = found + Delimiter.size();
    }
}

int TStringUtils::NextField(std::string& Field, std::string_view Text, int From,
                            std::string_view Delimiter) {
    if (Text.empty() || Delimiter.empty() || From < 1)
        return 0;
    const auto start = static_cast<std::size_t>(From - 1);
    if (start >= Text.size()) {
        Field.clear();
        return 0;
    }
    const std::size_t found = Text.find(Delimiter, start);
    if (found == std::string_view::npos) {
        Field.assign(Text.substr(start));
        return 0;
    }
    Field.assign(Text.substr(start, found - start));
    return static_cast<int>(found + Delimiter.size()) + 1;
}

} // namespace orvanta
