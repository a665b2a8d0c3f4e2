#include "cli/console_host.h"

#include <cstring>

#include "platform/text.h"

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

void PrintMessage(std::FILE* stream, const char* text) {
    for (const char* p = text; *p; ++p) {
        if (p[0] == '\r' && p[1] == '\n') continue;
        std::fputc(*p, stream);
    }
}

void ConsoleHost::Attach(bool yes) {
    terminal = isatty(fileno(stderr)) != 0;
    interactive = terminal && isatty(fileno(stdin)) != 0;
    assume_yes = yes;
}

void ConsoleHost::ShowStatus(const char* text) {
    if (!text || quiet) return;
    bool same = std::strcmp(status_, text) == 0;
    CopyText(status_, text);
    if (terminal) {
        Draw();
    } else if (!same) {
        std::fprintf(output, "%s\n", text);
        std::fflush(output);
    }
}

void ConsoleHost::ResetProgress() {
    position_ = 0;
    if (terminal && status_[0]) Draw();
}

void ConsoleHost::StepProgress() {
    position_ += 10;
    if (position_ > 100) position_ = 100;
    if (terminal && status_[0]) Draw();
}

void ConsoleHost::SetProgress(int32_t done, int32_t total) {
    position_ = total > 0 ? done * 100 / total : 0;
    if (terminal && status_[0]) Draw();
}

void ConsoleHost::Draw() {
    if (quiet) return;
    const int32_t width = 30;
    int32_t p = position_ < 0 ? 0 : (position_ > 100 ? 100 : position_);
    int32_t filled = p * width / 100;
    char bar[width + 1];
    for (int32_t i = 0; i < width; ++i) bar[i] = i < filled ? '#' : '-';
    bar[width] = '\0';
    std::fprintf(output, "\r\033[K[%s] %3d%% %s", bar, p, status_);
    std::fflush(output);
    drawn_ = true;
}

void ConsoleHost::FinishLine() {
    if (drawn_) {
        std::fputc('\n', output);
        std::fflush(output);
        drawn_ = false;
    }
}

void ConsoleHost::ClearLine() {
    if (drawn_) {
        std::fputs("\r\033[K", output);
        std::fflush(output);
        drawn_ = false;
    }
}

int32_t ConsoleHost::AskToContinue(const char* text, const char* title) {
    FinishLine();
    // The question's last line is "Continue anyway?"; the console asks it
    // with the answers it takes.
    char question[2 * kPathCapacity];
    CopyText(question, text ? text : "");
    size_t length = std::strlen(question);
    while (length > 0 && (question[length - 1] == '\n' || question[length - 1] == '\r')) question[--length] = '\0';
    std::fprintf(output, "%s: ", title ? title : "Warning");
    PrintMessage(output, question);
    if (assume_yes) {
        std::fprintf(output, " [y/N] y (--yes)\n");
        std::fflush(output);
        return 1;
    }
    if (!interactive) {
        std::fprintf(output, " [y/N] n (no terminal to answer on; pass --yes to continue)\n");
        std::fflush(output);
        return 0;
    }
    std::fprintf(output, " [y/N] ");
    std::fflush(output);
    char answer[64];
    if (!std::fgets(answer, sizeof answer, input)) return 0;
    return answer[0] == 'y' || answer[0] == 'Y';
}
