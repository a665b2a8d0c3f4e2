#include "app/win32_host.h"

#include <shellapi.h>

void Win32WindowHost::GetItemText(int32_t id, char* buffer, int32_t capacity) {
    if (!buffer || capacity <= 0) return;
    buffer[0] = '\0';
    GetDlgItemTextA(window_, id, buffer, capacity);
}

void Win32WindowHost::SetItemText(int32_t id, const char* text) {
    SetDlgItemTextA(window_, id, text);
}

int32_t Win32WindowHost::AskOkCancel(const char* text, const char* title) {
    return MessageBoxA(GetFocus(), text, title, MB_OKCANCEL | MB_ICONINFORMATION);
}

void Win32WindowHost::OpenWithShell(const char* path) {
    SHELLEXECUTEINFOA request = {};
    request.cbSize = sizeof request;
    request.fMask = 0;
    request.hwnd = nullptr;
    request.lpVerb = "open";
    request.lpFile = path;
    request.lpParameters = nullptr;
    request.lpDirectory = nullptr;
    request.nShow = SW_SHOWNORMAL;
    ShellExecuteExA(&request);
}

void Win32ProgressBar::SendProgress(uint32_t message, uintptr_t wparam, intptr_t lparam) {
    SendMessageA(bar_, message, WPARAM(wparam), LPARAM(lparam));
}
