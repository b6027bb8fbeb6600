#pragma once

#include <cstdint>

#include "platform/system.h"

namespace rangwerk::testing {

// The seed of the random query order, the same at every run start.
class FixedSeed : public SeedSource {
public:
    explicit FixedSeed(std::uint32_t seed = 12345u) : seed_(seed) {}
    std::uint32_t Seed() override { return seed_; }

private:
    std::uint32_t seed_;
};

}  // namespace rangwerk::testing
