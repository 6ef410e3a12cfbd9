#pragma once

#include <cstdint>

namespace orvanta {

// The 32-bit linear congruential generator that the Random play mode and the shuffle draw
// from. Its sequence is fixed by the seed, so tests can replay a shuffle exactly.
class TRandom {
public:
    explicit TRandom(std::uint32_t Seed = 0) : Seed(Seed) {}

    std::uint32_t Seed;

    // Uniform over 0 .. Range-1; 0 when Range < 1.
    std::int32_t Random(std::int32_t Range);
    // Seeds from the clock.
    void Randomize();
};

// The process-wide generator, seeded once at start-up.
extern TRandom RandomGenerator;

} // namespace orvanta
