#pragma once
// The words for a reason of platform/reasons.h: the system's own text for
// its codes, the program's for its own.
#include <cstddef>
#include <cstdint>

// Writes the text (cut to capacity - 1, no line break) into text; an empty
// text for 0.
void ReasonText(int32_t reason, char* text, size_t capacity);
