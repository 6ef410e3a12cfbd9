#include "core/playlists/uStreamEntry.h"

#include <cctype>

namespace orvanta {

namespace {
bool startsWithNoCase(std::string_view Text, std::string_view Prefix) {
    if (Text.size() < Prefix.size())
        return false;
    for (std::size_t i = 0; i < Prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(Text[i])) != Prefix[i])
            return false;
    return true;
}
} // namespace

bool IsStreamUrl(std::string_view Path) {
    return startsWithNoCase(Path, "http://") || startsWithNoCase(Path, "https://");
}

} // namespace orvanta
