#pragma once

#include <array>
#include <cstdint>

namespace rangwerk {

// A floating-point number in the x87 80-bit extended format, held as its ten bytes: bytes 0-7
// the 64-bit significand with explicit integer bit, bytes 8-9 the sign bit and the 15-bit
// exponent biased by 16383, all little-endian. This is how the project file stores a
// combination's result.
//
// The conversions work on the bits and on frexp/ldexp, so they do not depend on the layout of
// the compiler's long double: every double value converts to Extended80 and back unchanged
// (signed zeros, subnormals, infinities, the extremes, and NaNs keeping sign and payload);
// where long double is the x87 type itself, every long double value does as well. Converting
// to a narrower type rounds to nearest, ties to even, with overflow to infinity.
struct Extended80 {
    static constexpr int kExponentBias = 16383;
    static constexpr int kMaxBiasedExponent = 0x7FFF;
    static constexpr std::uint64_t kIntegerBit = std::uint64_t{1} << 63;

    std::array<std::uint8_t, 10> bytes{};

    static Extended80 FromParts(bool negative, int biasedExponent, std::uint64_t significand);
    static Extended80 FromLongDouble(long double value);
    static Extended80 FromDouble(double value);
    // Exact for every 64-bit integer.
    static Extended80 FromInteger(std::int64_t value);

    long double ToLongDouble() const;
    double ToDouble() const;

    bool Negative() const;
    int BiasedExponent() const;  // 0 to 0x7FFF
    std::uint64_t Significand() const;

    friend bool operator==(const Extended80&, const Extended80&) = default;
};

}  // namespace rangwerk
