#include "project/extended80.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

namespace rangwerk {
namespace {

constexpr int kSignificandBits = 64;
// The weight of the lowest significand bit of a denormal (and of the smallest normal number).
constexpr int kDenormalScale = 1 - Extended80::kExponentBias - (kSignificandBits - 1);
constexpr std::uint64_t kQuietBit = std::uint64_t{1} << 62;

// True where long double is the x87 extended type stored in its first ten bytes.
constexpr bool kLongDoubleIsX87 = std::numeric_limits<long double>::radix == 2 &&
                                  std::numeric_limits<long double>::digits == 64 &&
                                  std::numeric_limits<long double>::min_exponent == -16381 &&
                                  std::numeric_limits<long double>::max_exponent == 16384 &&
                                  sizeof(long double) >= 10 &&
                                  std::endian::native == std::endian::little;

template <typename F>
constexpr bool kIsBinary64 = std::numeric_limits<F>::is_iec559&& std::numeric_limits<F>::digits ==
                                 53 &&
                             sizeof(F) == 8;

// value / 2^shift rounded to the nearest integer, ties to even (shift >= 1).
std::uint64_t ShiftRightRoundingToEven(std::uint64_t value, int shift) {
    if (shift > 64)
        return 0;  // below half of the lowest kept unit
    if (shift == 64)
        return value > Extended80::kIntegerBit ? 1 : 0;
    const std::uint64_t quotient = value >> shift;
    const std::uint64_t remainder = value & ((std::uint64_t{1} << shift) - 1);
    const std::uint64_t half = std::uint64_t{1} << (shift - 1);
    if (remainder > half || (remainder == half && (quotient & 1) != 0))
        return quotient + 1;
    return quotient;
}

// A NaN of F carrying the sign and, where F's layout is known, the payload of an x87 NaN.
template <typename F>
F DecodeNan(const Extended80& x) {
    const bool negative = x.Negative();
    if constexpr (std::is_same_v<F, long double> && kLongDoubleIsX87) {
        if ((x.Significand() & Extended80::kIntegerBit) != 0) {
            long double value = 0;
            std::memcpy(&value, x.bytes.data(), x.bytes.size());
            return value;
        }
    } else if constexpr (kIsBinary64<F>) {
        constexpr std::uint64_t kFractionMask = (std::uint64_t{1} << 52) - 1;
        std::uint64_t fraction = (x.Significand() >> 11) & kFractionMask;
        if (fraction == 0)
            fraction = std::uint64_t{1} << 51;  // stay a NaN, not infinity
        const std::uint64_t bits =
            (negative ? std::uint64_t{1} << 63 : 0) | (std::uint64_t{0x7FF} << 52) | fraction;
        return std::bit_cast<F>(bits);
    }
    // A pseudo-NaN (integer bit clear) or an unknown layout: the default quiet NaN.
    const F nan = std::numeric_limits<F>::quiet_NaN();
    return negative ? -nan : nan;
}

template <typename F>
Extended80 EncodeNan(F value) {
    const bool negative = std::signbit(value);
    if constexpr (std::is_same_v<F, long double> && kLongDoubleIsX87) {
        Extended80 x;
        std::memcpy(x.bytes.data(), &value, x.bytes.size());
        return x;
    } else if constexpr (kIsBinary64<F>) {
        const auto bits = std::bit_cast<std::uint64_t>(value);
        const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
        return Extended80::FromParts(negative, Extended80::kMaxBiasedExponent,
                                     Extended80::kIntegerBit | (fraction << 11));
    }
    return Extended80::FromParts(negative, Extended80::kMaxBiasedExponent,
                                 Extended80::kIntegerBit | kQuietBit);
}

template <typename F>
F Decode(const Extended80& x) {
    static_assert(std::numeric_limits<F>::radix == 2);
    const bool negative = x.Negative();
    const int exponent = x.BiasedExponent();
    const std::uint64_t significand = x.Significand();
    if (exponent == Extended80::kMaxBiasedExponent) {
        if (significand == Extended80::kIntegerBit) {
            const F infinity = std::numeric_limits<F>::infinity();
            return negative ? -infinity : infinity;
        }
        return DecodeNan<F>(x);
    }
    if (significand == 0)
        return negative ? -F(0) : F(0);

    // The value is significand * 2^scale. Denormals and pseudo-denormals (exponent 0) carry
    // the weight of the smallest normal exponent; unnormals (integer bit clear with a non-zero
    // exponent) are taken by the same rule, as the value their bits describe.
    int scale = std::max(exponent, 1) - Extended80::kExponentBias - (kSignificandBits - 1);
    std::uint64_t kept = significand;
    constexpr int digits = std::numeric_limits<F>::digits;
    constexpr int lowestScale = std::numeric_limits<F>::min_exponent - digits;
    const int width = std::bit_width(significand);
    const int lowestKept = std::max(scale + width - digits, lowestScale);
    if (lowestKept > scale) {
        kept = ShiftRightRoundingToEven(significand, lowestKept - scale);
        scale = lowestKept;
    }
    // kept now fits F's significand exactly; ldexp only moves the exponent (or overflows to
    // infinity, which is the correctly rounded result then).
    const F magnitude = std::ldexp(static_cast<F>(kept), scale);
    return negative ? -magnitude : magnitude;
}

template <typename F>
Extended80 Encode(F value) {
    static_assert(std::numeric_limits<F>::radix == 2);
    const bool negative = std::signbit(value);
    if (std::isnan(value))
        return EncodeNan(value);
    if (std::isinf(value)) {
        return Extended80::FromParts(negative, Extended80::kMaxBiasedExponent,
                                     Extended80::kIntegerBit);
    }
    if (value == 0)
        return Extended80::FromParts(negative, 0, 0);

    int exponent = 0;
    const F fraction = std::frexp(std::fabs(value), &exponent);  // |value| = fraction * 2^exponent
    int biased = exponent - 1 + Extended80::kExponentBias;
    F scaled;
    if (biased >= 1) {
        scaled = std::ldexp(fraction, kSignificandBits);
    } else {
        scaled = std::ldexp(fraction, exponent - kDenormalScale);
        biased = 0;
    }
    // scaled is below 2^64; it is a whole number unless F is wider than 64 bits.
    const F whole = std::trunc(scaled);
    const F rest = scaled - whole;
    auto significand = static_cast<std::uint64_t>(whole);
    if (rest > F(0.5) || (rest == F(0.5) && (significand & 1) != 0)) {
        if (significand == std::numeric_limits<std::uint64_t>::max()) {
            significand = Extended80::kIntegerBit;
            ++biased;
        } else {
            ++significand;
        }
    }
    if (biased == 0 && (significand & Extended80::kIntegerBit) != 0)
        biased = 1;
    if (biased >= Extended80::kMaxBiasedExponent) {
        return Extended80::FromParts(negative, Extended80::kMaxBiasedExponent,
                                     Extended80::kIntegerBit);
    }
    return Extended80::FromParts(negative, biased, significand);
}

}  // namespace

Extended80 Extended80::FromParts(bool negative, int biasedExponent, std::uint64_t significand) {
    Extended80 x;
    for (int i = 0; i < 8; ++i) x.bytes[i] = static_cast<std::uint8_t>(significand >> (8 * i));
    const auto top =
        static_cast<std::uint16_t>((biasedExponent & kMaxBiasedExponent) | (negative ? 0x8000 : 0));
    x.bytes[8] = static_cast<std::uint8_t>(top & 0xFF);
    x.bytes[9] = static_cast<std::uint8_t>(top >> 8);
    return x;
}

Extended80 Extended80::FromLongDouble(long double value) {
    return Encode(value);
}

Extended80 Extended80::FromDouble(double value) {
    return Encode(value);
}

Extended80 Extended80::FromInteger(std::int64_t value) {
    if (value == 0)
        return FromParts(false, 0, 0);
    const bool negative = value < 0;
    const std::uint64_t magnitude = negative ? std::uint64_t{0} - static_cast<std::uint64_t>(value)
                                             : static_cast<std::uint64_t>(value);
    const int shift = std::countl_zero(magnitude);
    return FromParts(negative, kExponentBias + (kSignificandBits - 1) - shift, magnitude << shift);
}

long double Extended80::ToLongDouble() const {
    return Decode<long double>(*this);
}

double Extended80::ToDouble() const {
    return Decode<double>(*this);
}

bool Extended80::Negative() const {
    return (bytes[9] & 0x80) != 0;
}

int Extended80::BiasedExponent() const {
    return ((bytes[9] & 0x7F) << 8) | bytes[8];
}

std::uint64_t Extended80::Significand() const {
    std::uint64_t significand = 0;
    for (int i = 7; i >= 0; --i) significand = (significand << 8) | bytes[i];
    return significand;
}

}  // namespace rangwerk
