#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "wavefront/number_format.h"

namespace {

std::string Ours(float value) {
    char text[kNumberTextCapacity];
    return std::string(text, static_cast<size_t>(FormatFloat(text, value)));
}

// The C library's "%f", except for NaN, which every platform's file gets as
// glibc writes it ("nan", "-nan"): Windows' own printf spells it otherwise.
std::string Printf(float value) {
    if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
    char text[512];
    std::snprintf(text, sizeof text, "%f", static_cast<double>(value));
    return text;
}

float FromBits(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace

TEST(NumberFormat, FloatTextOfSpecialValues) {
    struct Case {
        float value;
        const char* text;
    };
    const Case cases[] = {
        {0.5f, "0.500000"},
        {-2.0f, "-2.000000"},
        {1.23456789f, "1.234568"},
        {0.0000001f, "0.000000"},
        {-0.0000001f, "-0.000000"},
        {0.0f, "0.000000"},
        {-0.0f, "-0.000000"},
        {std::numeric_limits<float>::infinity(), "inf"},
        {-std::numeric_limits<float>::infinity(), "-inf"},
        {std::numeric_limits<float>::quiet_NaN(), "nan"},
        {-std::numeric_limits<float>::quiet_NaN(), "-nan"},
        {FLT_MAX, "340282346638528859811704183484516925440.000000"},
        {-FLT_MAX, "-340282346638528859811704183484516925440.000000"},
        {FLT_TRUE_MIN, "0.000000"},
        {0.2f, "0.200000"},
        {0.0000005f, "0.000000"},  // 4.99999987e-07 as a float: below the halfway point
        {0.0000006f, "0.000001"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Ours(c.value), c.text);
    }
}

// Every float class against the C library's own "%f": random bit patterns
// cover subnormals, huge values, infinities and NaNs of both signs; the
// ranges near 0, 1e-6 and 1e38 get extra samples.
TEST(NumberFormat, FloatTextEqualsPrintfOnRandomFloats) {
    std::mt19937 random(20261207);
    std::uniform_int_distribution<uint32_t> any_bits;
    std::uniform_real_distribution<float> near_one(-4.0f, 4.0f);
    std::uniform_real_distribution<float> near_rounding(0.0f, 0.00001f);
    std::uniform_real_distribution<float> near_max(1e37f, FLT_MAX);
    int mismatches = 0;
    for (int i = 0; i < 200000; ++i) {
        float value;
        switch (i % 5) {
            case 0: value = FromBits(any_bits(random)); break;
            case 1: value = near_one(random); break;
            case 2: value = near_rounding(random) * (i & 8 ? -1.0f : 1.0f); break;
            case 3: value = near_max(random) * (i & 8 ? -1.0f : 1.0f); break;
            default: value = FromBits(any_bits(random) & 0x807fffffu); break;  // subnormals and ±0
        }
        if (Ours(value) != Printf(value) && ++mismatches <= 5) {
            ADD_FAILURE() << "bits " << std::hex << *reinterpret_cast<uint32_t*>(&value) << ": " << Ours(value)
                          << " vs " << Printf(value);
        }
    }
    EXPECT_EQ(mismatches, 0);
    for (uint32_t bits : {0x00000000u, 0x80000000u, 0x7f800000u, 0xff800000u, 0x7fc00000u, 0xffc00000u,
                          0x7f800001u, 0xff800001u, 0x00000001u, 0x807fffffu, 0x7f7fffffu}) {
        EXPECT_EQ(Ours(FromBits(bits)), Printf(FromBits(bits))) << std::hex << bits;
    }
}

TEST(NumberFormat, IntegerTextEqualsPrintf) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int32_t> any(INT32_MIN, INT32_MAX);
    for (int i = 0; i < 20000; ++i) {
        int32_t value = i < 3 ? (i == 0 ? INT32_MIN : i == 1 ? INT32_MAX : 0) : any(random) >> (i % 31);
        char ours[kNumberTextCapacity];
        char theirs[32];
        std::snprintf(theirs, sizeof theirs, "%d", value);
        ASSERT_EQ(std::string(ours, static_cast<size_t>(FormatInteger(ours, value))), theirs);
    }
}
