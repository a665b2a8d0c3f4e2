#pragma once
// The reason behind a failure, printed under the failure's message.
#include <cstddef>
#include <cstdint>
#include <cstdio>

constexpr size_t kReasonNoteCapacity = 256;

// "reason: <words>" (platform/reasons.h codes: the system's text for its own
// codes, the program's words for the rest) into text, cut to capacity - 1;
// empty for 0.
void FormatReason(int32_t reason, char* text, size_t capacity);

// The reason on a line of its own; nothing for 0.
void PrintReason(std::FILE* stream, int32_t reason);
