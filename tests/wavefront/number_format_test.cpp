// Number text against the C library: "%f" and "%d" written byte for byte as
// printf writes them, and plain decimals read as strtof reads them, including
// the shortcuts for common values, ties and edges.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "wavefront/number_format.h"
#include "wavefront/number_text.h"

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

uint32_t Bits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// ScanFloat of text must give strtof's value and stop where strtof stops.
void ExpectReadLikeStrtof(const std::string& text) {
    float ours = -123.0f;
    const char* stop = ScanFloat(text.data(), text.data() + text.size(), &ours);
    char* library_stop = nullptr;
    float library = std::strtof(text.c_str(), &library_stop);
    ASSERT_NE(stop, nullptr) << text;
    ASSERT_EQ(stop - text.data(), library_stop - text.c_str()) << text;
    ASSERT_EQ(Bits(ours), Bits(library)) << text;
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

TEST(NumberShortcut, FixedSixMatchesPrintfOnRandomFloats) {
    std::mt19937_64 random(20261207);
    // Every bit pattern class: the shortcut covers magnitudes below about
    // 9e9, the rest goes the long way; both must match printf.
    for (int i = 0; i < 3000000; ++i) {
        uint32_t bits = static_cast<uint32_t>(random());
        float value;
        std::memcpy(&value, &bits, sizeof value);
        ASSERT_EQ(Ours(value), Printf(value)) << "bits " << bits;
    }
    // Values as meshes have them: small magnitudes with few digits.
    std::uniform_real_distribution<float> mesh(-2000.0f, 2000.0f);
    for (int i = 0; i < 2000000; ++i) {
        float value = mesh(random);
        ASSERT_EQ(Ours(value), Printf(value)) << value;
    }
}

TEST(NumberShortcut, FixedSixTiesAndEdges) {
    // value * 10^6 ends in exactly .5 for odd multiples of 1/128: printf
    // rounds those ties to even.
    for (int k = -400000; k <= 400000; k += 1) {
        float value = static_cast<float>(k) / 128.0f;
        ASSERT_EQ(Ours(value), Printf(value)) << k;
    }
    const float edges[] = {0.0f,          -0.0f,        0.0000005f,   -0.0000005f, 0.00000049f, 1e-45f,
                           -1e-45f,       9007199254.0f, 9007199999.0f, 9.1e9f,     -9.1e9f,     16777216.0f,
                           0.9999995f,    -0.9999995f,  999999.9f,    0.0078125f,  0.0234375f,  1.234567890f};
    for (float value : edges) EXPECT_EQ(Ours(value), Printf(value)) << value;
    for (float value = 8.9e9f; value < 9.2e9f; value = std::nextafter(value, 1e10f)) {
        ASSERT_EQ(Ours(value), Printf(value)) << value;
    }
}

TEST(NumberShortcut, PlainDecimalsReadLikeStrtof) {
    std::mt19937_64 random(7);
    char text[64];
    // Six decimals as the writer makes them, and every other digit count.
    for (int i = 0; i < 1000000; ++i) {
        float value;
        uint32_t bits = static_cast<uint32_t>(random());
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value) || std::fabs(value) > 1e12f) continue;
        std::snprintf(text, sizeof text, "%f", static_cast<double>(value));
        ExpectReadLikeStrtof(text);
        std::snprintf(text, sizeof text, "%.*f", static_cast<int>(random() % 25), static_cast<double>(value));
        ExpectReadLikeStrtof(text);
    }
    for (int i = 0; i < 1000000; ++i) {
        // Random digit strings with a point somewhere: up to 17 digits.
        int length = 1 + static_cast<int>(random() % 17);
        std::string digits;
        for (int d = 0; d < length; ++d) digits += static_cast<char>('0' + random() % 10);
        size_t point = static_cast<size_t>(random() % (digits.size() + 1));
        std::string number = (random() % 2 ? "-" : "") + digits.substr(0, point) + "." + digits.substr(point);
        ExpectReadLikeStrtof(number + " 1.0");
    }
    // Decimals that lie a hair from a midpoint between two floats: the
    // midpoint itself and its neighbours in the last written digit.
    for (int i = 0; i < 200000; ++i) {
        float low = std::ldexp(static_cast<float>(random() % (1u << 24)), static_cast<int>(random() % 40) - 30);
        float high = std::nextafter(low, 1e30f);
        double midpoint = (static_cast<double>(low) + static_cast<double>(high)) / 2;
        for (int precision : {9, 12, 15, 17, 20}) {
            std::snprintf(text, sizeof text, "%.*f", precision, midpoint);
            ExpectReadLikeStrtof(text);
        }
    }
    const char* cases[] = {"0.5",  "-0.0", ".5",   "5.",          "0000000000000000000000000012.5",
                           "1.5.", "1e5",  "1.17549435e-38", "0.0000000000000000000000000000000000000117549435",
                           "340282356779733661637539395458142568447.99", "16777217", "16777217.0", "9007199254740993"};
    for (const char* number : cases) ExpectReadLikeStrtof(number);
}
