#include "cli/terminal_text.h"

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

int IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0 ? 1 : 0; }

void WriteText(std::FILE* stream, const char* text, size_t length) {
    if (!IsTerminal(stream)) {
        std::fwrite(text, 1, length, stream);
        return;
    }
    static const char kDigits[] = "0123456789abcdef";
    const char* plain = text;  // start of the bytes not written yet
    const char* end = text + length;
    for (const char* p = text; p < end; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if ((c >= 0x20 && c != 0x7F) || c == '\n' || c == '\t') continue;
        std::fwrite(plain, 1, size_t(p - plain), stream);
        char escaped[4] = {'\\', 'x', kDigits[c >> 4], kDigits[c & 15]};
        std::fwrite(escaped, 1, sizeof escaped, stream);
        plain = p + 1;
    }
    std::fwrite(plain, 1, size_t(end - plain), stream);
}
