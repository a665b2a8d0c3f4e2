#pragma once
// Number text read exactly as the C library's formatted scan reads "%f" and
// "%d": leading white space (blank, tab, CR, LF, vertical tab, form feed) is
// skipped, a sign ('+' or '-') is allowed. Floats are decimal with fraction
// and exponent, or hexadecimal ("0x"), or inf / infinity / nan in any letter
// case, and are correctly rounded to float; a value beyond the float range
// gives +-infinity, one too small +-0. Integers saturate at the int32 range.
//
// Both read from [text, end) and return the position after the number, or
// null when no number could be read there (the value is then unchanged).
#include <cstdint>
#include <cstring>

// The white space that "%f", "%d" and "%s" skip.
inline bool IsScanSpace(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

inline bool IsDecimalDigit(char c) { return static_cast<unsigned>(c - '0') <= 9; }

// Exact powers of ten as doubles (10^22 is the last one a double holds).
inline constexpr double kPowersOfTen[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                            1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The common plain decimal ("12.345678", "-0.5", "3"): digits, an optional
// point and more digits, no exponent. The mantissa m (below 2^53) and
// 10^d (d <= 22) are exact doubles, so m / 10^d is the correctly rounded
// double of the value; rounding that to float gives the correctly rounded
// float unless the double sits exactly on a midpoint between two floats,
// which is the one case where rounding twice can differ. Returns null when
// the text is not of this form or the shortcut can't decide; from_chars
// then reads it.
inline const char* ScanPlainDecimal(const char* p, const char* end, float* value) {
    uint64_t mantissa = 0;
    const char* q = p;
    while (q < end && IsDecimalDigit(*q)) mantissa = mantissa * 10 + uint64_t(*q++ - '0');
    int digits = static_cast<int>(q - p);
    int fraction = 0;  // digits after the point
    if (q < end && *q == '.') {
        const char* fraction_start = ++q;
        while (q < end && IsDecimalDigit(*q)) mantissa = mantissa * 10 + uint64_t(*q++ - '0');
        fraction = static_cast<int>(q - fraction_start);
        digits += fraction;
    }
    // At most 19 digits can't overflow the mantissa; below 10^15 it is exact
    // in a double, and with at most 22 decimals m / 10^d lies between 1e-22
    // and 1e15, far inside the range of normal floats.
    if (digits == 0 || digits > 19 || mantissa >= 1000000000000000ull || fraction > 22) return nullptr;
    if (q < end && (*q == 'e' || *q == 'E' || *q == 'x' || *q == 'X')) return nullptr;
    double exact = double(mantissa) / kPowersOfTen[fraction];
    uint64_t bits;
    std::memcpy(&bits, &exact, sizeof bits);
    if ((bits & ((uint64_t(1) << 29) - 1)) == (uint64_t(1) << 28)) return nullptr;  // on a float midpoint
    *value = static_cast<float>(exact);
    return q;
}

// Skips white space and an optional sign as "%f" and "%d" do; returns the
// first byte after them.
inline const char* SkipSpaceAndSign(const char* p, const char* end, bool* negative) {
    while (p < end && IsScanSpace(static_cast<unsigned char>(*p))) ++p;
    *negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        *negative = *p == '-';
        ++p;
    }
    return p;
}

// Every form of float text; ScanFloat below takes the common plain decimal
// itself and hands everything else to this.
const char* ScanFloatGeneral(const char* text, const char* end, float* value);

inline const char* ScanFloat(const char* text, const char* end, float* value) {
    bool negative;
    const char* p = SkipSpaceAndSign(text, end, &negative);
    // A leading digit that does not begin "0x": the general reader would try
    // ScanPlainDecimal first too, with the same result.
    if (p < end && IsDecimalDigit(*p) && !(*p == '0' && p + 1 < end && (p[1] == 'x' || p[1] == 'X'))) {
        float result;
        if (const char* stop = ScanPlainDecimal(p, end, &result)) {
            *value = negative ? -result : result;
            return stop;
        }
    }
    return ScanFloatGeneral(text, end, value);
}

inline const char* ScanInt(const char* text, const char* end, int32_t* value) {
    bool negative;
    const char* p = SkipSpaceAndSign(text, end, &negative);
    if (p >= end || static_cast<unsigned>(*p - '0') > 9) return nullptr;
    int64_t magnitude = 0;
    constexpr int64_t kLimit = int64_t(1) << 32;  // past every int32 magnitude
    do {
        if (magnitude < kLimit) magnitude = magnitude * 10 + (*p - '0');
        ++p;
    } while (p < end && static_cast<unsigned>(*p - '0') <= 9);
    int64_t signed_value = negative ? -magnitude : magnitude;
    if (signed_value > INT32_MAX) signed_value = INT32_MAX;
    if (signed_value < INT32_MIN) signed_value = INT32_MIN;
    *value = static_cast<int32_t>(signed_value);
    return p;
}
