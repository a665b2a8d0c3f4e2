#include "wavefront/line_output.h"

int32_t WriteCountLine(OutputFile* file, const char* text, int32_t count, const char* end) {
    char* start = ReserveOutput(file, 128);
    if (!start) return 0;
    char* out = PutText(start, text);
    out += FormatInteger(out, count);
    out = PutText(out, end);
    AdvanceOutput(file, static_cast<size_t>(out - start));
    return 1;
}
