#pragma once
// The host seam of the operations, implemented with the main dialog's
// controls and its progress bar.
#include <windows.h>

#include "app/dialog_host.h"

class Win32WindowHost final : public WindowHost {
public:
    explicit Win32WindowHost(HWND window) : window_(window) {}
    void GetItemText(int32_t id, char* buffer, int32_t capacity) override;
    void SetItemText(int32_t id, const char* text) override;
    int32_t AskOkCancel(const char* text, const char* title) override;
    void OpenWithShell(const char* path) override;

private:
    HWND window_;
};

class Win32ProgressBar final : public ProgressBar {
public:
    explicit Win32ProgressBar(HWND bar) : bar_(bar) {}
    void SendProgress(uint32_t message, uintptr_t wparam, intptr_t lparam) override;

private:
    HWND bar_;
};
