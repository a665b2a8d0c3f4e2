#pragma once
// The main window as the Convert and Report commands use it: its edit fields,
// status line and message boxes, its progress bar, and the shell. The Windows
// program implements these with the dialog's controls, the tests with a
// recording fake.
#include <cstdint>

#include "app/resource_ids.h"

// Progress-bar messages (the values of PBM_SETRANGE, PBM_SETPOS, PBM_SETSTEP, PBM_STEPIT).
constexpr uint32_t kProgressSetRange = 0x0400 + 1;
constexpr uint32_t kProgressSetPos = 0x0400 + 2;
constexpr uint32_t kProgressSetStep = 0x0400 + 4;
constexpr uint32_t kProgressStepIt = 0x0400 + 5;

// Answers of the OK/Cancel question (IDOK, IDCANCEL); 0 when no box could be shown.
constexpr int32_t kAnswerOk = 1;
constexpr int32_t kAnswerCancel = 2;

struct ProgressBar {
    // SendMessageA(progress bar, message, wparam, lparam), synchronous.
    virtual void SendProgress(uint32_t message, uintptr_t wparam, intptr_t lparam) = 0;

protected:
    ~ProgressBar() = default;
};

struct WindowHost {
    // GetDlgItemTextA: copies the control's text into buffer, cut to capacity - 1.
    virtual void GetItemText(int32_t id, char* buffer, int32_t capacity) = 0;
    // SetDlgItemTextA.
    virtual void SetItemText(int32_t id, const char* text) = 0;
    // MessageBoxA(main window, text, title, MB_OKCANCEL | MB_ICONINFORMATION):
    // kAnswerOk, kAnswerCancel, or 0 when the box could not be shown.
    virtual int32_t AskOkCancel(const char* text, const char* title) = 0;
    // ShellExecuteExA with the verb "open"; the result is not looked at.
    virtual void OpenWithShell(const char* path) = 0;
    // 1 once the user has asked the running command to stop.
    virtual int32_t StopRequested() = 0;

protected:
    ~WindowHost() = default;
};
