#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "wavefront/number_text.h"

namespace {

struct FloatCase {
    const char* text;
    int consumed;  // -1: no number
    float value;
};

const float kInf = std::numeric_limits<float>::infinity();

// Expected values and lengths are those of glibc's sscanf "%f%n".
const FloatCase kFloatCases[] = {
    {"1", 1, 1.0f},
    {"  \v\f\t\r\n-2.5", 11, -2.5f},
    {"+.5", 3, 0.5f},
    {"1.", 2, 1.0f},
    {"1e3", 3, 1000.0f},
    {"1E-2", 4, 0.01f},
    {"1e", 2, 1.0f},          // exponent mark without digits: taken, ignored
    {"1e+", 3, 1.0f},
    {"1ex", 2, 1.0f},
    {"100ergs", 4, 100.0f},
    {"1e5e", 3, 100000.0f},
    {"1.5.5", 3, 1.5f},
    {"1,5", 1, 1.0f},
    {"-0", 2, -0.0f},
    {"0.1", 3, 0.1f},
    {"0.100000001490116119384765625", 29, 0.1f},
    {"16777217", 8, 16777216.0f},    // ties to even
    {"16777219", 8, 16777220.0f},
    {"3.4028235e38", 12, 3.4028235e38f},
    {"3.4028236e38", 12, kInf},      // past the largest float
    {"-1e99", 5, -kInf},
    {"1e-99", 5, 0.0f},
    {"-1e-99", 6, -0.0f},
    {"1e-45", 5, 1.4e-45f},          // the smallest subnormal
    {"7e-46", 5, 0.0f},
    {"0.000000000000000000000000000000000000000000000000001", 53, 0.0f},
    {"123456789012345678901234567890123456789012345678901234567890", 60, kInf},
    {"inf", 3, kInf},
    {"INF", 3, kInf},
    {"-Infinity", 9, -kInf},
    {"infx", 3, kInf},
    {"infinityx", 8, kInf},
    {"0x1p3", 5, 8.0f},
    {"0x1g", 3, 1.0f},
    {".", -1, 0},
    {"-", -1, 0},
    {"+", -1, 0},
    {"+-1", -1, 0},
    {".e1", -1, 0},
    {"in", -1, 0},
    {"infinit", -1, 0},
    {"0x", -1, 0},
    {"abc", -1, 0},
    {"", -1, 0},
    {"   ", -1, 0},
};

}  // namespace

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
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(std::signbit(value), std::signbit(c.value)) << c.text;
    }
}

TEST(NumberText, NanIsReadWithoutItsParentheses) {
    struct Case {
        const char* text;
        int consumed;
    } cases[] = {{"nan", 3}, {"NaN", 3}, {"nan(abc)", 3}, {"-nan", 4}, {" +NAN", 5}};
    for (const Case& c : cases) {
        float value = 0.0f;
        const char* stop = ScanFloat(c.text, c.text + std::strlen(c.text), &value);
        ASSERT_NE(stop, nullptr) << c.text;
        EXPECT_TRUE(std::isnan(value)) << c.text;
        EXPECT_EQ(stop - c.text, c.consumed) << c.text;
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
    struct IntCase {
        const char* text;
        int consumed;
        int32_t value;
    } cases[] = {
        {"5", 1, 5},
        {"+5", 2, 5},
        {"  -5x", 4, -5},
        {"007", 3, 7},
        {"2147483647", 10, INT32_MAX},
        {"2147483648", 10, INT32_MAX},
        {"-2147483648", 11, INT32_MIN},
        {"-2147483649", 11, INT32_MIN},
        {"99999999999999", 14, INT32_MAX},
        {"-99999999999999999999999", 24, INT32_MIN},
        {"1/2", 1, 1},
        {"+", -1, 0},
        {"- 5", -1, 0},
        {"/3", -1, 0},
        {"", -1, 0},
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

#if defined(__GLIBC__)
// Many generated numbers against the C library itself.
TEST(NumberText, AgreesWithSscanfOnGeneratedNumbers) {
    uint64_t state = 12345;
    auto next = [&]() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state >> 33);
    };
    char text[64];
    for (int i = 0; i < 20000; ++i) {
        int digits = 1 + next() % 12;
        int point = next() % (digits + 1);
        int length = 0;
        if (next() % 3 == 0) text[length++] = "+-"[next() % 2];
        for (int d = 0; d < digits; ++d) {
            if (d == point) text[length++] = '.';
            text[length++] = static_cast<char>('0' + next() % 10);
        }
        if (next() % 2) length += std::snprintf(text + length, 16, "e%d", static_cast<int>(next() % 90) - 45);
        text[length] = '\0';
        float expected = 0.0f;
        int expected_length = 0;
        ASSERT_EQ(std::sscanf(text, "%f%n", &expected, &expected_length), 1) << text;
        float value = 0.0f;
        const char* stop = ScanFloat(text, text + length, &value);
        ASSERT_NE(stop, nullptr) << text;
        EXPECT_EQ(stop - text, expected_length) << text;
        EXPECT_EQ(value, expected) << text;
    }
}
#endif
