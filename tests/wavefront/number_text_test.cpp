// Number text against the C library: "%f" and "%d" written byte for byte as
// printf writes them, floats written so that they read back exactly, plain decimals read as strtof reads them, including
// the shortcuts for common values, ties and edges, and every number form
// read as scanf reads it.
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

struct FloatCase {
    const char* text;
    int consumed;  // -1: no number
    float value;
};

const float kInf = std::numeric_limits<float>::infinity();
const float kNaN = std::numeric_limits<float>::quiet_NaN();

// Expected values and lengths are those of glibc's sscanf "%f%n".
const FloatCase kFloatCases[] = {
    {"1", 1, 1.0f}, {"  \v\f\t\r\n-2.5", 11, -2.5f}, {"+.5", 3, 0.5f}, {"1.", 2, 1.0f}, {"1e3", 3, 1000.0f},
    {"1E-2", 4, 0.01f},
    {"1e", 2, 1.0f},          // exponent mark without digits: taken, ignored
    {"1e+", 3, 1.0f}, {"1ex", 2, 1.0f}, {"100ergs", 4, 100.0f}, {"1e5e", 3, 100000.0f}, {"1.5.5", 3, 1.5f},
    {"1,5", 1, 1.0f}, {"-0", 2, -0.0f}, {"0.1", 3, 0.1f}, {"0.100000001490116119384765625", 29, 0.1f},
    {"16777217", 8, 16777216.0f},    // ties to even
    {"16777219", 8, 16777220.0f}, {"3.4028235e38", 12, 3.4028235e38f},
    {"3.4028236e38", 12, kInf},      // past the largest float
    {"-1e99", 5, -kInf}, {"1e-99", 5, 0.0f}, {"-1e-99", 6, -0.0f},
    {"1e-45", 5, 1.4e-45f},          // the smallest subnormal
    {"7e-46", 5, 0.0f}, {"0.000000000000000000000000000000000000000000000000001", 53, 0.0f},
    {"123456789012345678901234567890123456789012345678901234567890", 60, kInf}, {"inf", 3, kInf}, {"INF", 3, kInf},
    {"-Infinity", 9, -kInf}, {"infx", 3, kInf}, {"infinityx", 8, kInf}, {"0x1p3", 5, 8.0f}, {"0x1g", 3, 1.0f},
    {"nan", 3, kNaN}, {"NaN", 3, kNaN},
    {"nan(abc)", 3, kNaN},           // read without its parentheses
    {"-nan", 4, -kNaN}, {" +NAN", 5, kNaN}, {".", -1, 0}, {"-", -1, 0}, {"+", -1, 0}, {"+-1", -1, 0}, {".e1", -1, 0},
    {"in", -1, 0}, {"infinit", -1, 0}, {"0x", -1, 0}, {"abc", -1, 0}, {"", -1, 0}, {"   ", -1, 0},
};

}  // namespace

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
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    const float edges[] = {0.0f,       -0.0f,         0.0000005f,    -0.0000005f, 0.00000049f, 0.0000006f,
                           1e-45f,     -1e-45f,       9007199254.0f, 9007199999.0f, 9.1e9f,  -9.1e9f,
                           16777216.0f, 0.9999995f,   -0.9999995f,   999999.9f,   0.0078125f, 0.0234375f,
                           1.234567890f, -0.0000001f, 0.2f,          FLT_MAX,     -FLT_MAX,   inf,
                           -inf,       nan,           -nan};
    for (float value : edges) EXPECT_EQ(Ours(value), Printf(value)) << value;
    for (float value = 8.9e9f; value < 9.2e9f; value = std::nextafter(value, 1e10f))
        ASSERT_EQ(Ours(value), Printf(value)) << value;
}

TEST(NumberFormat, WrittenFloatsReadBackExactly) {
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    struct Case { float value; const char* text; } cases[] = {
        {0.0f, "0.000000"},           {-0.0f, "-0.000000"},        {0.1f, "0.100000"},
        {1e-6f, "0.000001"},          {3.4e-5f, "0.000034"},       {8.000001f, "8.000001"},
        {16777215.0f, "16777215.000000"}, {123456.79f, "123456.789062"},
        {FLT_MAX, "340282346638528859811704183484516925440.000000"},
        {1e-7f, "1e-07"},             {-1e-9f, "-1e-09"},          {5e-7f, "5e-07"},
        {1.2345678e-07f, "1.2345679e-07"}, {1.23456789f, "1.2345679"}, {0.30000004f, "0.30000004"},
        {1.0000001f, "1.0000001"},    {-0.33333334f, "-0.33333334"}, {8.0000105f, "8.0000105"},
        {15.9990015f, "15.9990015"},  {1e-45f, "1e-45"},           {-FLT_MIN, "-1.1754944e-38"},
        {inf, "inf"},                 {-inf, "-inf"},              {nan, "nan"}, {-nan, "-nan"},
    };
    for (const Case& c : cases) {
        char text[kNumberTextCapacity];
        std::string written(text, static_cast<size_t>(FormatFloatExact(text, c.value)));
        EXPECT_EQ(written, c.text) << c.value;
        float back = 42.0f;
        ASSERT_EQ(ScanFloat(written.data(), written.data() + written.size(), &back), written.data() + written.size());
        if (std::isnan(c.value)) {
            EXPECT_TRUE(std::isnan(back) && std::signbit(back) == std::signbit(c.value));
        } else {
            EXPECT_EQ(Bits(back), Bits(c.value)) << written;
        }
    }
    // Any finite float: exact through strtof, and printf's text whenever
    // that is exact, so files of six-decimal values keep their bytes.
    std::mt19937_64 random(19);
    for (int i = 0; i < 1000000; ++i) {
        uint32_t bits = static_cast<uint32_t>(random());
        if (i % 2) bits &= 0xbfffffffu;  // half of them of mesh-like magnitude
        float value;
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value)) continue;
        char text[kNumberTextCapacity + 1];
        text[FormatFloatExact(text, value)] = '\0';
        ASSERT_EQ(Bits(std::strtof(text, nullptr)), bits) << text;
        std::string printed = Printf(value);
        if (Bits(std::strtof(printed.c_str(), nullptr)) == bits) {
            ASSERT_EQ(printed, text);
        }
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
        // Random digit strings with a point somewhere: up to 17 digits, a
        // sign and an exponent or none.
        int length = 1 + static_cast<int>(random() % 17);
        std::string digits;
        for (int d = 0; d < length; ++d) digits += static_cast<char>('0' + random() % 10);
        size_t point = static_cast<size_t>(random() % (digits.size() + 1));
        std::string number = std::string(random() % 2 ? "-" : random() % 2 ? "+" : "") + digits.substr(0, point) +
                             "." + digits.substr(point);
        if (random() % 2) number += "e" + std::to_string(static_cast<int>(random() % 90) - 45);
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

TEST(NumberText, FloatsReadAsScanfReadsThem) {
    for (const FloatCase& c : kFloatCases) {
        float value = 42.0f;
        const char* end = c.text + std::strlen(c.text);
        const char* stop = ScanFloat(c.text, end, &value);
        if (c.consumed < 0) {
            EXPECT_EQ(stop, nullptr) << c.text;
            EXPECT_EQ(value, 42.0f) << c.text;
            continue;
        }
        ASSERT_NE(stop, nullptr) << c.text;
        EXPECT_EQ(stop - c.text, c.consumed) << c.text;
        if (std::isnan(c.value)) EXPECT_TRUE(std::isnan(value)) << c.text;
        else EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(std::signbit(value), std::signbit(c.value)) << c.text;
    }
}

TEST(NumberText, ReadingStopsAtTheRangeEnd) {
    const char* text = "12345";
    float value = 0.0f;
    EXPECT_EQ(ScanFloat(text, text + 2, &value), text + 2);
    EXPECT_EQ(value, 12.0f);
    int32_t number = 0;
    EXPECT_EQ(ScanInt(text, text + 3, &number), text + 3);
    EXPECT_EQ(number, 123);
    EXPECT_EQ(ScanFloat("inf", "inf" + 2, &value), nullptr);
}

TEST(NumberText, IntegersSaturate) {
    struct IntCase { const char* text; int consumed; int32_t value; } cases[] = {
        {"5", 1, 5}, {"+5", 2, 5}, {"  -5x", 4, -5}, {"007", 3, 7}, {"2147483647", 10, INT32_MAX},
        {"2147483648", 10, INT32_MAX}, {"-2147483648", 11, INT32_MIN}, {"-2147483649", 11, INT32_MIN},
        {"99999999999999", 14, INT32_MAX}, {"-99999999999999999999999", 24, INT32_MIN}, {"1/2", 1, 1}, {"+", -1, 0},
        {"- 5", -1, 0}, {"/3", -1, 0}, {"", -1, 0},
    };
    for (const IntCase& c : cases) {
        int32_t value = 42;
        const char* stop = ScanInt(c.text, c.text + std::strlen(c.text), &value);
        if (c.consumed < 0) {
            EXPECT_EQ(stop, nullptr) << c.text;
            EXPECT_EQ(value, 42) << c.text;
        } else {
            ASSERT_NE(stop, nullptr) << c.text;
            EXPECT_EQ(stop - c.text, c.consumed) << c.text;
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}
