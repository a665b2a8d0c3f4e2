#include "wavefront/number_format.h"

#include <charconv>
#include <cmath>
#include <cstring>

int FormatFloat(char* out, float value) {
    double widened = value;
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
