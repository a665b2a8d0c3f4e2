#include "wavefront/number_text.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace {


bool IsHexDigit(char c) {
    return IsDecimalDigit(c) || (static_cast<unsigned>((c | 0x20) - 'a') <= 5);
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
    for (; p < end && (IsDecimalDigit(*p) || (*p == '.' && !seen_point)); ++p) {
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
        if (after < end && IsDecimalDigit(*after)) {
            ScanInt(after, end, &exponent);
        } else if (after + 1 < end && (*after == '+' || *after == '-') && IsDecimalDigit(after[1])) {
            ScanInt(after, end, &exponent);
        }
        position += exponent;
    }
    return position > 0 ? std::numeric_limits<float>::infinity() : 0.0f;
}

// An exponent mark that from_chars left without digits ("1e", "0x1p+") is
// taken and ignored, as scanf takes it; [from, stop) is what was converted.
const char* TakeBareExponentMark(const char* from, const char* stop, const char* end, char mark) {
    for (const char* q = from; q < stop; ++q) {
        if (Lower(*q) == mark) return stop;
    }
    if (stop < end && Lower(*stop) == mark) {
        ++stop;
        if (stop < end && (*stop == '+' || *stop == '-')) ++stop;
    }
    return stop;
}

// A hexadecimal number after its "0x": at least one hex digit before or
// after the point. Null when it holds none.
const char* ScanHexFloat(const char* mantissa, const char* end, float* result) {
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
    auto parsed = std::from_chars(mantissa, end, *result, std::chars_format::hex);
    if (parsed.ec == std::errc::result_out_of_range) {
        // Decide by the binary exponent's sign after the first digit.
        *result = std::numeric_limits<float>::infinity();
        const char* e = mantissa;
        while (e < parsed.ptr && *e != 'p' && *e != 'P') ++e;
        if (e + 1 < parsed.ptr && e[1] == '-') *result = 0.0f;
    } else if (parsed.ec != std::errc()) {
        return nullptr;
    }
    return TakeBareExponentMark(mantissa, parsed.ptr, end, 'p');
}

// A decimal number: the plain shortcut first, then from_chars.
const char* ScanDecimalFloat(const char* p, const char* end, float* result) {
    if (const char* stop = ScanPlainDecimal(p, end, result)) return stop;
    auto parsed = std::from_chars(p, end, *result, std::chars_format::general);
    if (parsed.ec == std::errc::result_out_of_range) {
        *result = OutOfRange(p, end);
    } else if (parsed.ec != std::errc()) {
        return nullptr;  // "." or ".e1": no digits
    }
    return TakeBareExponentMark(p, parsed.ptr, end, 'e');
}

// "inf", "infinity" or "nan" in any letter case.
const char* ScanFloatWord(const char* p, const char* end, float* result) {
    if (StartsWithWord(p, end, "inf")) {
        const char* stop = p + 3;
        if (stop < end && Lower(*stop) == 'i') {
            // Once "infinity" has begun it must be complete.
            if (!StartsWithWord(stop, end, "inity")) return nullptr;
            stop += 5;
        }
        *result = std::numeric_limits<float>::infinity();
        return stop;
    }
    if (StartsWithWord(p, end, "nan")) {
        *result = std::numeric_limits<float>::quiet_NaN();
        return p + 3;
    }
    return nullptr;
}

}  // namespace

const char* ScanFloatGeneral(const char* text, const char* end, float* value) {
    bool negative;
    const char* p = SkipSpaceAndSign(text, end, &negative);
    if (p >= end) return nullptr;

    float result = 0.0f;
    const char* stop;
    if (*p == '0' && p + 1 < end && (p[1] == 'x' || p[1] == 'X')) {
        stop = ScanHexFloat(p + 2, end, &result);
    } else if (IsDecimalDigit(*p) || *p == '.') {
        stop = ScanDecimalFloat(p, end, &result);
    } else {
        stop = ScanFloatWord(p, end, &result);
    }
    if (!stop) return nullptr;
    *value = negative ? -result : result;
    return stop;
}
