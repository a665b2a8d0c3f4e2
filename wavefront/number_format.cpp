#include "wavefront/number_format.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "wavefront/number_text.h"

namespace {

// "%f" text of +-scaled / 10^6: the integer part and six decimals.
int PutMillionths(char* out, bool negative, uint64_t scaled) {
    char* p = out;
    if (negative) *p++ = '-';
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

// The magnitude of a float below 2^53 / 10^6 in millionths, as "%f" rounds
// it: a float has 24 significant bits and 10^6 = 2^6 * 15625 has 14 beyond
// its power of two, so magnitude * 10^6 is exact in a double; printf rounds
// that exact value to an integer, ties to even, which is what nearbyint
// does in the default rounding mode.
uint64_t Millionths(double magnitude) { return static_cast<uint64_t>(std::nearbyint(magnitude * 1e6)); }

// Whether scaled / 10^6, read as a float, gives magnitude again. scaled is
// below 2^53, so the division gives the correctly rounded double, and
// rounding that to float is the reader's result unless the double lies
// exactly halfway between two floats: only then is the text itself read.
bool MillionthsReadBack(uint64_t scaled, float magnitude, const char* text, int length) {
    double back = static_cast<double>(scaled) / 1e6;
    uint64_t bits;
    std::memcpy(&bits, &back, sizeof bits);
    if ((bits & ((uint64_t(1) << 29) - 1)) != (uint64_t(1) << 28)) return static_cast<float>(back) == magnitude;
    float read;
    if (!ScanFloat(text, text + length, &read)) return false;
    return std::fabs(read) == magnitude;
}

}  // namespace

int FormatFloat(char* out, float value) {
    double widened = value;
    if (std::fabs(widened) < 9007199254.0) {
        return PutMillionths(out, std::signbit(widened), Millionths(std::fabs(widened)));
    }
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

int FormatFloatExact(char* out, float value) {
    // From 16 up a float's neighbours lie more than 10^-6 apart, so six
    // decimals always single it out; inf and nan keep their text anyway.
    float magnitude = std::fabs(value);
    if (!(magnitude < 16.0f)) return FormatFloat(out, value);
    uint64_t scaled = Millionths(magnitude);
    int length = PutMillionths(out, std::signbit(value), scaled);
    if (MillionthsReadBack(scaled, magnitude, out, length)) return length;
    std::to_chars_result result = std::to_chars(out, out + kNumberTextCapacity, value);
    return static_cast<int>(result.ptr - out);
}
