#include "project/extended80.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include <gtest/gtest.h>

namespace rangwerk {
namespace {

constexpr bool kLongDoubleIsX87 = std::numeric_limits<long double>::digits == 64 &&
                                  std::numeric_limits<long double>::max_exponent == 16384;

Extended80 Bytes(std::array<std::uint8_t, 10> bytes) {
    Extended80 x;
    x.bytes = bytes;
    return x;
}

std::uint64_t DoubleBits(double d) {
    return std::bit_cast<std::uint64_t>(d);
}

TEST(Extended80Test, KnownValuesHaveTheirX87Bytes) {
    EXPECT_EQ(Extended80::FromLongDouble(1.0L), Bytes({0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}));
    EXPECT_EQ(Extended80::FromLongDouble(1.5L), Bytes({0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F}));
    EXPECT_EQ(Extended80::FromLongDouble(-2.0L), Bytes({0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0xC0}));
    EXPECT_EQ(Extended80::FromLongDouble(0.5L), Bytes({0, 0, 0, 0, 0, 0, 0, 0x80, 0xFE, 0x3F}));
    EXPECT_EQ(Extended80::FromLongDouble(10.0L), Bytes({0, 0, 0, 0, 0, 0, 0, 0xA0, 0x02, 0x40}));
    EXPECT_EQ(Extended80::FromLongDouble(0.0L), Bytes({}));
    EXPECT_EQ(Extended80::FromLongDouble(-0.0L), Bytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80}));
    const auto inf = std::numeric_limits<long double>::infinity();
    EXPECT_EQ(Extended80::FromLongDouble(inf), Bytes({0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F}));
    EXPECT_EQ(Extended80::FromLongDouble(-inf), Bytes({0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0xFF}));
    // The smallest double subnormal, 2^-1074, is a normal number in the extended format.
    EXPECT_EQ(Extended80::FromDouble(std::numeric_limits<double>::denorm_min()),
              Bytes({0, 0, 0, 0, 0, 0, 0, 0x80, 0xCD, 0x3B}));
    // 1/3 in double: 0x3FD5555555555555.
    EXPECT_EQ(Extended80::FromDouble(1.0 / 3.0),
              Bytes({0x00, 0xA8, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xFD, 0x3F}));

    const Extended80 nan = Extended80::FromDouble(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(nan.BiasedExponent(), 0x7FFF);
    EXPECT_EQ(nan.Significand() >> 62, 3u);  // integer bit and quiet bit
}

TEST(Extended80Test, EveryDoubleSurvivesTheRoundTripBitForBit) {
    const double special[] = {0.0,
                              -0.0,
                              1.5,
                              -0.5,
                              1.0 / 3.0,
                              std::numeric_limits<double>::denorm_min(),
                              -std::numeric_limits<double>::denorm_min(),
                              std::numeric_limits<double>::min(),
                              std::nextafter(std::numeric_limits<double>::min(), 0.0),
                              std::numeric_limits<double>::max(),
                              std::numeric_limits<double>::lowest(),
                              std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity(),
                              std::numeric_limits<double>::quiet_NaN(),
                              -std::numeric_limits<double>::quiet_NaN(),
                              std::bit_cast<double>(std::uint64_t{0x7FF0000000000001}),
                              std::bit_cast<double>(std::uint64_t{0xFFF8000000ABCDEF})};
    for (double d : special) {
        EXPECT_EQ(DoubleBits(Extended80::FromDouble(d).ToDouble()), DoubleBits(d)) << d;
    }
    std::mt19937_64 random(7);
    for (int i = 0; i < 200000; ++i) {
        const std::uint64_t bits = random();
        const double d = std::bit_cast<double>(bits);
        ASSERT_EQ(DoubleBits(Extended80::FromDouble(d).ToDouble()), bits) << std::hex << bits;
    }
}

TEST(Extended80Test, NarrowingToDoubleRoundsToNearestEven) {
    const auto value = [](int biased, std::uint64_t significand) {
        return Extended80::FromParts(false, biased, significand).ToDouble();
    };
    const std::uint64_t one = Extended80::kIntegerBit;
    // 1 + 2^-53 is halfway between 1 and the next double: the even neighbour 1 wins.
    EXPECT_EQ(value(0x3FFF, one | (1u << 10)), 1.0);
    EXPECT_EQ(value(0x3FFF, one | (1u << 10) | 1u), std::nextafter(1.0, 2.0));
    EXPECT_EQ(value(0x3FFF, one | (3u << 10)), std::nextafter(std::nextafter(1.0, 2.0), 2.0));
    // Beyond the double range: infinity; halfway above the largest double rounds up to it too.
    EXPECT_EQ(value(0x7FFE, ~std::uint64_t{0}), std::numeric_limits<double>::infinity());
    EXPECT_EQ(value(0x3FFF + 1023, ~std::uint64_t{0} << 10),
              std::numeric_limits<double>::infinity());
    EXPECT_EQ(value(0x3FFF + 1023, ~std::uint64_t{0} << 11), std::numeric_limits<double>::max());
    // Below the subnormals: half of the smallest one rounds to the even 0, more rounds up.
    const double tiny = std::numeric_limits<double>::denorm_min();
    EXPECT_EQ(DoubleBits(value(0x3FFF - 1075, one)), 0u);
    EXPECT_EQ(value(0x3FFF - 1075, one | 1u), tiny);
    EXPECT_EQ(value(0x3FFF - 1075, one | (one >> 1)), tiny);            // 0.75 of the smallest
    EXPECT_EQ(DoubleBits(value(0x3FFF - 1076, one | (one >> 1))), 0u);  // 0.375
    EXPECT_EQ(DoubleBits(value(1, one)), 0u);
    EXPECT_EQ(DoubleBits(Extended80::FromParts(true, 1, one).ToDouble()), DoubleBits(-0.0));
}

TEST(Extended80Test, NarrowingAgreesWithTheHardwareConversion) {
    if constexpr (!kLongDoubleIsX87) {
        GTEST_SKIP() << "long double is not the x87 type here";
    }
    std::mt19937_64 random(11);
    std::uniform_int_distribution<int> nearDoubleEdges(0, 3);
    for (int i = 0; i < 200000; ++i) {
        int biased = 0;
        switch (nearDoubleEdges(random)) {
            case 0:
                biased = 0x3FFF - 1080 + static_cast<int>(random() % 70);
                break;
            case 1:
                biased = 0x3FFF + 1020 + static_cast<int>(random() % 8);
                break;
            case 2:
                biased = 0x3FFF - 8 + static_cast<int>(random() % 16);
                break;
            default:
                biased = static_cast<int>(random() % 0x7FFF);
                break;
        }
        std::uint64_t significand = random() | Extended80::kIntegerBit;
        if (random() % 4 == 0)
            significand &= ~std::uint64_t{0} << (random() % 12);
        const Extended80 x = Extended80::FromParts(random() % 2 == 0, biased, significand);
        const double expected = static_cast<double>(x.ToLongDouble());
        ASSERT_EQ(DoubleBits(x.ToDouble()), DoubleBits(expected))
            << std::hex << biased << " " << significand;
    }
}

TEST(Extended80Test, EveryLongDoubleSurvivesTheRoundTripWhereItIsTheX87Type) {
    if constexpr (!kLongDoubleIsX87) {
        GTEST_SKIP() << "long double is not the x87 type here";
    }
    const long double special[] = {1.5L,
                                   -0.5L,
                                   1.0L / 3.0L,
                                   0.0L,
                                   -0.0L,
                                   std::numeric_limits<long double>::denorm_min(),
                                   std::numeric_limits<long double>::min(),
                                   std::nextafter(std::numeric_limits<long double>::min(), 0.0L),
                                   std::numeric_limits<long double>::max(),
                                   std::numeric_limits<long double>::lowest(),
                                   std::numeric_limits<long double>::infinity(),
                                   -std::numeric_limits<long double>::infinity(),
                                   1e4000L,
                                   -1e-4940L};
    for (long double v : special) {
        const Extended80 x = Extended80::FromLongDouble(v);
        const long double back = x.ToLongDouble();
        EXPECT_EQ(std::memcmp(&back, &v, 10), 0) << static_cast<double>(v);
        // The bytes are the machine's own representation.
        EXPECT_EQ(std::memcmp(x.bytes.data(), &v, 10), 0) << static_cast<double>(v);
    }
    EXPECT_EQ(Extended80::FromLongDouble(1.0L / 3.0L),
              Bytes({0xAB, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xFD, 0x3F}));

    // Random canonical encodings (the integer bit set exactly for non-zero exponents),
    // NaNs with their payload included.
    std::mt19937_64 random(3);
    for (int i = 0; i < 200000; ++i) {
        const int biased = static_cast<int>(random() % 0x8000);
        std::uint64_t significand = random();
        if (biased == 0) {
            significand &= ~Extended80::kIntegerBit;
        } else {
            significand |= Extended80::kIntegerBit;
        }
        const Extended80 x = Extended80::FromParts(random() % 2 == 0, biased, significand);
        ASSERT_EQ(Extended80::FromLongDouble(x.ToLongDouble()), x)
            << std::hex << biased << " " << significand;
    }
}

TEST(Extended80Test, NonCanonicalEncodingsReadAsTheValueTheirBitsDescribe) {
    const std::uint64_t one = Extended80::kIntegerBit;
    // Pseudo-denormal: exponent 0 with the integer bit set is the smallest normal number.
    EXPECT_EQ(Extended80::FromParts(false, 0, one).ToLongDouble(), std::ldexp(1.0L, -16382));
    // Unnormal: the integer bit clear under a normal exponent.
    EXPECT_EQ(Extended80::FromParts(false, 0x3FFF, one >> 1).ToDouble(), 0.5);
    EXPECT_EQ(Extended80::FromParts(true, 0x4000, 0).ToDouble(), 0.0);
    // Pseudo-infinity and pseudo-NaN are not numbers.
    EXPECT_TRUE(std::isnan(Extended80::FromParts(false, 0x7FFF, 0).ToLongDouble()));
    EXPECT_TRUE(std::isnan(Extended80::FromParts(true, 0x7FFF, 5).ToDouble()));
    EXPECT_TRUE(std::signbit(Extended80::FromParts(true, 0x7FFF, 5).ToDouble()));
}

TEST(Extended80Test, IntegersConvertExactly) {
    const std::int64_t values[] = {0,
                                   1,
                                   -1,
                                   40000,
                                   -129,
                                   std::numeric_limits<std::int64_t>::max(),
                                   std::numeric_limits<std::int64_t>::min(),
                                   (std::int64_t{1} << 53) + 1};
    for (std::int64_t v : values) {
        const Extended80 x = Extended80::FromInteger(v);
        if constexpr (kLongDoubleIsX87) {
            EXPECT_EQ(x, Extended80::FromLongDouble(static_cast<long double>(v))) << v;
            EXPECT_EQ(x.ToLongDouble(), static_cast<long double>(v)) << v;
        }
    }
    EXPECT_EQ(Extended80::FromInteger(1), Bytes({0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}));
    EXPECT_EQ(Extended80::FromInteger(std::numeric_limits<std::int64_t>::max()),
              Bytes({0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x3D, 0x40}));
    EXPECT_EQ(Extended80::FromInteger(std::numeric_limits<std::int64_t>::min()),
              Bytes({0, 0, 0, 0, 0, 0, 0, 0x80, 0x3E, 0xC0}));
}

}  // namespace
}  // namespace rangwerk
