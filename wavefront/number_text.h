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

// The white space that "%f", "%d" and "%s" skip.
inline bool IsScanSpace(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

const char* ScanFloat(const char* text, const char* end, float* value);

inline const char* ScanInt(const char* text, const char* end, int32_t* value) {
    const char* p = text;
    while (p < end && IsScanSpace(static_cast<unsigned char>(*p))) ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
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
