#pragma once
// The reason behind a failure, printed under the failure's message.
#include <cstdint>
#include <cstdio>

// Prints "reason: <words>" on a line of its own (platform/reasons.h codes:
// the system's text for its own codes, the program's words for the rest);
// nothing for 0.
void PrintReason(std::FILE* stream, int32_t reason);
