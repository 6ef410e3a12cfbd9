#include "core/playlists/uTRandom.h"

#include <chrono>

namespace orvanta {

TRandom RandomGenerator;

std::int32_t TRandom::Random(std::int32_t Range) {
    Seed = Seed * 134775813u + 1u;
    if (Range < 1)
        return 0;
    // The value is the upper half of the 64-bit product, which keeps it below Range.
    const std::uint64_t product =
        static_cast<std::uint64_t>(Seed) * static_cast<std::uint32_t>(Range);
    return static_cast<std::int32_t>(product >> 32);
}

void TRandom::Randomize() {
    const auto ticks = std::chrono::system_clock::now().time_since_epoch().count();
    Seed = static_cast<std::uint32_t>(ticks ^ (ticks >> 32));
}

} // namespace orvanta
