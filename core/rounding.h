#pragma once

#include <cmath>
#include <cstdint>

namespace rangwerk {

// Rounds to the nearest integer, halves to the even neighbour.
inline std::int64_t RoundHalfEven(long double value) {
    return static_cast<std::int64_t>(std::nearbyint(value));
}

}  // namespace rangwerk
