#include "cli/console_host.h"

#include <cstring>

#include "model/text.h"

void PrintMessage(std::FILE* stream, const char* text) {
    for (const char* p = text; *p; ++p) {
        if (p[0] == '\r' && p[1] == '\n') continue;
        std::fputc(*p, stream);
    }
}

void ConsoleHost::GetItemText(int32_t id, char* buffer, int32_t capacity) {
    if (!buffer || capacity <= 0) return;
    const char* text = (id >= kOriginalFieldId && id <= kNewFieldId) ? fields[id - kOriginalFieldId] : "";
    CopyText(buffer, size_t(capacity), text);
}

void ConsoleHost::SetItemText(int32_t id, const char* text) {
    if (id != kStatusLineId || !text) return;
    bool same = std::strcmp(status_, text) == 0;
    CopyText(status_, text);
    if (terminal) {
        Draw();
    } else if (!same) {
        std::fprintf(output, "%s\n", text);
        std::fflush(output);
    }
}

void ConsoleHost::SendProgress(uint32_t message, uintptr_t wparam, intptr_t lparam) {
    switch (message) {
        case kProgressSetRange:
            low_ = int32_t(lparam & 0xFFFF);
            high_ = int32_t((lparam >> 16) & 0xFFFF);
            break;
        case kProgressSetStep: step_ = int32_t(wparam); break;
        case kProgressSetPos: position_ = int32_t(wparam); break;
        case kProgressStepIt:
            position_ += step_;
            if (position_ > high_) position_ = high_;
            break;
        default: return;
    }
    if (terminal && status_[0]) Draw();
}

void ConsoleHost::Draw() {
    const int32_t width = 30;
    int32_t span = high_ > low_ ? high_ - low_ : 1;
    int32_t p = position_ < low_ ? low_ : (position_ > high_ ? high_ : position_);
    int32_t filled = (p - low_) * width / span;
    char bar[width + 1];
    for (int32_t i = 0; i < width; ++i) bar[i] = i < filled ? '#' : '-';
    bar[width] = '\0';
    std::fprintf(output, "\r\033[K[%s] %3d%% %s", bar, (p - low_) * 100 / span, status_);
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

int32_t ConsoleHost::AskOkCancel(const char* text, const char* title) {
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
        return kAnswerOk;
    }
    if (!interactive) {
        std::fprintf(output, " [y/N] n (no terminal to answer on; pass --yes to continue)\n");
        std::fflush(output);
        return kAnswerCancel;
    }
    std::fprintf(output, " [y/N] ");
    std::fflush(output);
    char answer[64];
    if (!std::fgets(answer, sizeof answer, input)) return kAnswerCancel;
    return (answer[0] == 'y' || answer[0] == 'Y') ? kAnswerOk : kAnswerCancel;
}

void ConsoleHost::OpenWithShell(const char*) {}
