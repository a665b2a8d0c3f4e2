#include "wavefront/number_text.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

bool IsDigit(char c) { return static_cast<unsigned>(c - '0') <= 9; }

bool IsHexDigit(char c) {
    return IsDigit(c) || (static_cast<unsigned>((c | 0x20) - 'a') <= 5);
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// Whether [p, end) starts with `word` (lower case), in any letter case.
bool StartsWithWord(const char* p, const char* end, const char* word) {
    for (; *word; ++word, ++p) {
        if (p >= end || Lower(*p) != *word) return false;
    }
    return true;
}

// A decimal number whose conversion left the float range: its size decides
// between infinity and zero. `p` is the first mantissa character.
float OutOfRange(const char* p, const char* end) {
    // Decimal position of the first significant digit.
    int64_t position = 0;
    bool seen_point = false;
    bool significant = false;
    for (; p < end && (IsDigit(*p) || (*p == '.' && !seen_point)); ++p) {
        if (*p == '.') {
            seen_point = true;
        } else if (!significant) {
            if (*p != '0') {
                significant = true;
                if (!seen_point) position = 1;
            } else if (seen_point) {
                --position;
            }
        } else if (!seen_point) {
            ++position;
        }
    }
    if (!significant) return 0.0f;
    if (p < end && (*p == 'e' || *p == 'E')) {
        int32_t exponent = 0;
        const char* after = p + 1;
        if (after < end && IsDigit(*after)) {
            ScanInt(after, end, &exponent);
        } else if (after + 1 < end && (*after == '+' || *after == '-') && IsDigit(after[1])) {
            ScanInt(after, end, &exponent);
        }
        position += exponent;
    }
    return position > 0 ? std::numeric_limits<float>::infinity() : 0.0f;
}

// Exact powers of ten as doubles (10^22 is the last one a double holds).
constexpr double kPowersOfTen[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                     1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The common plain decimal ("12.345678", "-0.5", "3"): digits, an optional
// point and more digits, no exponent. The mantissa m (below 2^53) and
// 10^d (d <= 22) are exact doubles, so m / 10^d is the correctly rounded
// double of the value; rounding that to float gives the correctly rounded
// float unless the double sits exactly on a midpoint between two floats,
// which is the one case where rounding twice can differ. Returns null when
// the text is not of this form or the shortcut can't decide; from_chars
// then reads it.
const char* ScanPlainDecimal(const char* p, const char* end, float* value) {
    uint64_t mantissa = 0;
    int digits = 0;     // significant digits taken into the mantissa
    int fraction = 0;   // of them, digits after the point
    const char* q = p;
    while (q < end && IsDigit(*q)) {
        mantissa = mantissa * 10 + uint64_t(*q - '0');
        digits += mantissa != 0;
        ++q;
    }
    bool any = q > p;
    if (q < end && *q == '.') {
        ++q;
        const char* fraction_start = q;
        while (q < end && IsDigit(*q)) {
            mantissa = mantissa * 10 + uint64_t(*q - '0');
            digits += mantissa != 0;
            ++q;
        }
        fraction = static_cast<int>(q - fraction_start);
        any = any || q > fraction_start;
    }
    if (!any || digits > 15 || fraction > 22) return nullptr;
    if (q < end && (*q == 'e' || *q == 'E' || *q == 'x' || *q == 'X')) return nullptr;
    if (q - p > 64) return nullptr;  // long runs of leading zeros: let from_chars count them
    double exact = double(mantissa) / kPowersOfTen[fraction];
    if (exact != 0.0 && (exact < 0x1p-126 || exact >= 0x1p127)) return nullptr;  // subnormal or near overflow
    uint64_t bits;
    std::memcpy(&bits, &exact, sizeof bits);
    if ((bits & ((uint64_t(1) << 29) - 1)) == (uint64_t(1) << 28)) return nullptr;  // on a float midpoint
    *value = static_cast<float>(exact);
    return q;
}

}  // namespace

const char* ScanFloat(const char* text, const char* end, float* value) {
    const char* p = text;
    while (p < end && IsScanSpace(static_cast<unsigned char>(*p))) ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (p >= end) return nullptr;

    float result = 0.0f;
    const char* stop = nullptr;
    char first = *p;
    if (IsDigit(first) || first == '.') {
        bool hex = first == '0' && p + 1 < end && (p[1] == 'x' || p[1] == 'X');
        if (hex) {
            // Hexadecimal: at least one hex digit before or after the point.
            const char* mantissa = p + 2;
            const char* q = mantissa;
            while (q < end && IsHexDigit(*q)) ++q;
            bool digits = q > mantissa;
            if (q < end && *q == '.') {
                ++q;
                const char* fraction = q;
                while (q < end && IsHexDigit(*q)) ++q;
                digits = digits || q > fraction;
            }
            if (!digits) return nullptr;
            auto parsed = std::from_chars(mantissa, end, result, std::chars_format::hex);
            if (parsed.ec == std::errc::result_out_of_range) {
                // Decide by the binary exponent's sign after the first digit.
                result = std::numeric_limits<float>::infinity();
                const char* e = mantissa;
                while (e < parsed.ptr && *e != 'p' && *e != 'P') ++e;
                if (e + 1 < parsed.ptr && e[1] == '-') result = 0.0f;
            } else if (parsed.ec != std::errc()) {
                return nullptr;
            }
            stop = parsed.ptr;
            bool has_exponent = false;
            for (const char* q = mantissa; q < stop && !has_exponent; ++q) has_exponent = *q == 'p' || *q == 'P';
            if (!has_exponent && stop < end && (*stop == 'p' || *stop == 'P')) {
                ++stop;  // an exponent mark without digits is taken and ignored
                if (stop < end && (*stop == '+' || *stop == '-')) ++stop;
            }
        } else if (const char* stop_plain = ScanPlainDecimal(p, end, &result)) {
            stop = stop_plain;
        } else {
            auto parsed = std::from_chars(p, end, result, std::chars_format::general);
            if (parsed.ec == std::errc::result_out_of_range) {
                result = OutOfRange(p, end);
            } else if (parsed.ec != std::errc()) {
                return nullptr;  // "." or ".e1": no digits
            }
            stop = parsed.ptr;
            bool has_exponent = false;
            for (const char* q = p; q < stop && !has_exponent; ++q) has_exponent = *q == 'e' || *q == 'E';
            if (!has_exponent && stop < end && (*stop == 'e' || *stop == 'E')) {
                ++stop;  // an exponent mark without digits is taken and ignored
                if (stop < end && (*stop == '+' || *stop == '-')) ++stop;
            }
        }
    } else if (StartsWithWord(p, end, "inf")) {
        stop = p + 3;
        if (stop < end && Lower(*stop) == 'i') {
            // Once "infinity" has begun it must be complete.
            if (!StartsWithWord(stop, end, "inity")) return nullptr;
            stop += 5;
        }
        result = std::numeric_limits<float>::infinity();
    } else if (StartsWithWord(p, end, "nan")) {
        stop = p + 3;
        result = std::numeric_limits<float>::quiet_NaN();
    } else {
        return nullptr;
    }
    *value = negative ? -result : result;
    return stop;
}
