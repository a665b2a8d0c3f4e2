#include "cli/reasons.h"

#include <cstring>

#include "cli/terminal_text.h"
#include "platform/files/reason_text.h"

void FormatReason(int32_t reason, char* text, size_t capacity) {
    const char prefix[] = "reason: ";
    const size_t length = sizeof prefix - 1;
    if (capacity == 0) return;
    text[0] = '\0';
    if (reason == 0 || capacity <= length + 1) return;
    std::memcpy(text, prefix, length);
    ReasonText(reason, text + length, capacity - length);
}

void PrintReason(std::FILE* stream, int32_t reason) {
    if (reason == 0) return;
    char text[kReasonNoteCapacity];
    FormatReason(reason, text, sizeof text);
    WriteText(stream, text, std::strlen(text));
    std::fputc('\n', stream);
}
