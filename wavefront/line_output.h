#pragma once
// The pieces both writers build their lines from: bytes and numbers put
// straight at an output position, and the "<text><count><end>" lines that
// carry the written files' counters.
#include <cstddef>
#include <cstdint>
#include <charconv>
#include <cstring>

#include "wavefront/number_format.h"
#include "platform/files/output_file.h"

inline char* PutBytes(char* out, const char* text, size_t length) {
    std::memcpy(out, text, length);
    return out + length;
}

inline char* PutText(char* out, const char* text) { return PutBytes(out, text, std::strlen(text)); }

inline char* PutFloat(char* out, float value) { return out + FormatFloatExact(out, value); }

// A stored 0-based index written 1-based ("%d" of index + 1).
inline char* PutIndex(char* out, int32_t index) {
    int64_t value = static_cast<int64_t>(index) + 1;
    if (value <= 0) return std::to_chars(out, out + 16, value).ptr;
    uint32_t rest = static_cast<uint32_t>(value);
    int length = 1;
    for (uint32_t limit = 10; length < 10 && rest >= limit; limit *= 10) ++length;
    char* end = out + length;
    char* p = end;
    while (rest >= 100) {
        uint32_t pair = rest % 100;
        rest /= 100;
        p -= 2;
        PutDigitPair(p, pair);
    }
    if (rest >= 10) {
        PutDigitPair(p - 2, rest);
    } else {
        p[-1] = static_cast<char>('0' + rest);
    }
    return end;
}

// One "<text><count><end>" piece, such as "# num_faces: 12\r\n\r\n"; text
// and end together stay under 100 characters.
int32_t WriteCountLine(OutputFile* file, const char* text, int32_t count, const char* end);
