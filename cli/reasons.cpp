#include "cli/reasons.h"

#include <cstring>

#include "cli/terminal_text.h"
#include "morph/diagnosis_text.h"

void FormatReason(int32_t reason, char* text, size_t capacity) {
    WriteReasonLine(reason, text, capacity);
}

void PrintReason(std::FILE* stream, int32_t reason) {
    if (reason == 0) return;
    char text[kReasonNoteCapacity];
    FormatReason(reason, text, sizeof text);
    WriteText(stream, text, std::strlen(text));
    std::fputc('\n', stream);
}
