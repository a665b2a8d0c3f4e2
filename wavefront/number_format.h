#pragma once
// Number text for the written files, made without printf: "%f" of a 32-bit
// float widened to double (fixed notation, six decimals; inf, -inf, nan and
// -nan as the C library on Linux prints them) and "%d" of a signed 32-bit
// integer, byte for byte what printf gives; and the exact float text the
// writers use, which is the "%f" text wherever that loses nothing.
#include <cstdint>

// Room enough for any float in "%f" (FLT_MAX has 39 integer digits) or any
// int32 in "%d".
constexpr int kNumberTextCapacity = 64;

// Writes the text at out (at least kNumberTextCapacity bytes of room, no
// terminator added) and returns its length.
int FormatFloat(char* out, float value);
int FormatInteger(char* out, int32_t value);

// A float as the writers write it, so that reading the file gives back the
// very float the Model held: its "%f" text when that text reads back as the
// same bits (-0.0 as -0.0), otherwise the shortest text that does, as
// std::to_chars writes it (fixed or scientific, whichever is shorter:
// "1e-07", "1.2345679"). Non-finite values keep their "%f" text. Same room
// and result as FormatFloat.
int FormatFloatExact(char* out, float value);

// The two digits of 0 .. 99, for writing numbers two digits at a time.
struct DigitPairs {
    char text[200];
    constexpr DigitPairs() : text() {
        for (int i = 0; i < 100; ++i) {
            text[2 * i] = static_cast<char>('0' + i / 10);
            text[2 * i + 1] = static_cast<char>('0' + i % 10);
        }
    }
};
inline constexpr DigitPairs kDigitPairs;

// Writes the two digits of pair (0 .. 99) at p; returns the position after.
inline char* PutDigitPair(char* p, uint32_t pair) {
    p[0] = kDigitPairs.text[2 * pair];
    p[1] = kDigitPairs.text[2 * pair + 1];
    return p + 2;
}
