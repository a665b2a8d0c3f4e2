#pragma once
// Number text for the written files, byte for byte what printf gives, made
// without printf: "%f" of a 32-bit float widened to double (fixed notation,
// six decimals; inf, -inf, nan and -nan as the C library on Linux prints
// them) and "%d" of a signed 32-bit integer.
#include <cstdint>

// Room enough for any float in "%f" (FLT_MAX has 39 integer digits) or any
// int32 in "%d".
constexpr int kNumberTextCapacity = 64;

// Writes the text at out (at least kNumberTextCapacity bytes of room, no
// terminator added) and returns its length.
int FormatFloat(char* out, float value);
int FormatInteger(char* out, int32_t value);
