#include "core/playlists/uStreamEntry.h"

#include "core/common/uTStringUtils.h"

namespace orvanta {

bool IsStreamUrl(std::string_view Path) {
    return StartsWithNoCase(Path, "http://") || StartsWithNoCase(Path, "https://");
}

} // namespace orvanta
