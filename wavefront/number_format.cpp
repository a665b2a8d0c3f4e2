#include "wavefront/number_format.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// "%f" of a float below 2^53 / 10^6 in magnitude, exactly: a float has 24
// significant bits and 10^6 = 2^6 * 15625 has 14 beyond its power of two,
// so value * 10^6 is exact in a double; printf rounds that exact value to
// an integer, ties to even, which is what nearbyint does in the default
// rounding mode. The integer then splits into the integer part and six
// decimals.
int FormatFixedSixSmall(char* out, double widened) {
    char* p = out;
    if (std::signbit(widened)) {
        *p++ = '-';
        widened = -widened;
    }
    uint64_t scaled = static_cast<uint64_t>(std::nearbyint(widened * 1e6));
    uint64_t whole = scaled / 1000000;
    uint32_t decimals = static_cast<uint32_t>(scaled % 1000000);
    if (whole < 10) {
        *p++ = static_cast<char>('0' + whole);
    } else {
        p = std::to_chars(p, p + 24, whole).ptr;
    }
    *p++ = '.';
    p = PutDigitPair(p, decimals / 10000);
    p = PutDigitPair(p, decimals / 100 % 100);
    p = PutDigitPair(p, decimals % 100);
    return static_cast<int>(p - out);
}

}  // namespace

int FormatFloat(char* out, float value) {
    double widened = value;
    if (std::fabs(widened) < 9007199254.0) return FormatFixedSixSmall(out, widened);
    if (std::isnan(widened)) {
        // The sign of a NaN is printed, as glibc does.
        const char* text = std::signbit(widened) ? "-nan" : "nan";
        size_t length = std::strlen(text);
        std::memcpy(out, text, length);
        return static_cast<int>(length);
    }
    std::to_chars_result result =
        std::to_chars(out, out + kNumberTextCapacity, widened, std::chars_format::fixed, 6);
    return static_cast<int>(result.ptr - out);
}

int FormatInteger(char* out, int32_t value) {
    std::to_chars_result result = std::to_chars(out, out + kNumberTextCapacity, value);
    return static_cast<int>(result.ptr - out);
}
