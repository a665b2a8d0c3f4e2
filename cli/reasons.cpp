#include "cli/reasons.h"

#include <cstring>

#include "cli/terminal_text.h"
#include "wavefront/reason_text.h"

void PrintReason(std::FILE* stream, int32_t reason) {
    if (reason == 0) return;
    char text[256];
    ReasonText(reason, text, sizeof text);
    std::fputs("reason: ", stream);
    WriteText(stream, text, std::strlen(text));
    std::fputc('\n', stream);
}
