#include "app/win32_host.h"

#include <shellapi.h>

#include "model/records.h"
#include "platform/text.h"

void Win32WindowHost::GetItemText(int32_t id, char* buffer, int32_t capacity) {
    if (!buffer || capacity <= 0) return;
    buffer[0] = '\0';
    OnWindowThread(window_, [&](HWND window) { GetDlgItemTextA(window, id, buffer, capacity); });
}

void Win32WindowHost::SetItemText(int32_t id, const char* text) {
    if (id == IDC_STATUS_LINE && StopRequested()) return;
    OnWindowThread(window_, [&](HWND window) { SetDlgItemTextA(window, id, text); });
}

int32_t Win32WindowHost::AskOkCancel(const char* text, const char* title) {
    if (accepted_ && accepted_[0] && lstrcmpA(text, accepted_) == 0) return kAnswerOk;
    int32_t answer = 0;
    OnWindowThread(window_,
                   [&](HWND window) { answer = MessageBoxA(window, text, title, MB_OKCANCEL | MB_ICONINFORMATION); });
    if (answer == kAnswerOk && accepted_) CopyText(accepted_, kPathCapacity, text);
    return answer;
}

void Win32WindowHost::OpenWithShell(const char* path) {
    OnWindowThread(window_, [&](HWND window) {
        SHELLEXECUTEINFOA request = {};
        request.cbSize = sizeof request;
        request.fMask = 0;
        request.hwnd = window;
        request.lpVerb = "open";
        request.lpFile = path;
        request.lpParameters = nullptr;
        request.lpDirectory = nullptr;
        request.nShow = SW_SHOWNORMAL;
        ShellExecuteExA(&request);
    });
}

int32_t Win32WindowHost::StopRequested() {
    return stop_ && stop_->load() ? 1 : 0;
}

void Win32ProgressBar::SendProgress(uint32_t message, uintptr_t wparam, intptr_t lparam) {
    SendMessageA(bar_, message, WPARAM(wparam), LPARAM(lparam));
}
