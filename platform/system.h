#pragma once

#include <cstdint>
#include <string>

namespace rangwerk {

// Absolute path of the running program file (UTF-8); empty when the system cannot tell.
std::string ProgramPath();

// Source of the seed for the random query order.
class SeedSource {
public:
    virtual ~SeedSource() = default;
    virtual std::uint32_t Seed() = 0;
};

// Seeds from the low 32 bits of the system's high-resolution monotonic counter.
class SystemSeedSource : public SeedSource {
public:
    std::uint32_t Seed() override;
};

}  // namespace rangwerk
