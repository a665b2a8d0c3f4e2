#pragma once
// A recording fake of the main window and its progress bar.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/dialog_host.h"

// Records every call made through the seam, one line each.
struct RecordingHost : WindowHost, ProgressBar {
    std::string fields[3];  // 3000, 3001, 3002
    int32_t answer = kAnswerOk;
    int32_t stop_after = 1 << 30;  // questions whether to stop answered "no" before the first "yes"
    int32_t stop_questions = 0;
    std::vector<std::string> events;

    void GetItemText(int32_t id, char* buffer, int32_t capacity) override {
        std::string text = (id >= IDC_ORIGINAL_FIELD && id <= IDC_NEW_FIELD) ? fields[id - IDC_ORIGINAL_FIELD] : "";
        if (text.size() > size_t(capacity - 1)) text.resize(size_t(capacity - 1));
        std::memcpy(buffer, text.c_str(), text.size() + 1);
    }
    void SetItemText(int32_t id, const char* text) override {
        events.push_back("text " + std::to_string(id) + " " + text);
    }
    int32_t AskOkCancel(const char* text, const char* title) override {
        events.push_back(std::string("ask ") + title + "\n" + text);
        return answer;
    }
    void OpenWithShell(const char* path) override { events.push_back(std::string("shell ") + path); }
    int32_t StopRequested() override { return stop_questions++ >= stop_after; }
    void SendProgress(uint32_t message, uintptr_t wparam, intptr_t lparam) override {
        if (message == kProgressStepIt && wparam == 0 && lparam == 0)
            events.push_back("step");
        else if (message == kProgressSetPos && lparam == 0)
            events.push_back("pos " + std::to_string(wparam));
        else
            events.push_back("progress " + std::to_string(message) + " " + std::to_string(wparam) + " " +
                             std::to_string(lparam));
    }
};
