#pragma once
// The host seam of the operations, implemented with the main dialog's
// controls and its progress bar. The commands run on a thread of their own;
// every call through the seam is carried out on the window's thread, which
// owns the controls, and returns once it has been done there, so the window
// shows each status text and progress step in the order they were made.
#include <windows.h>

#include <atomic>

#include "app/dialog_host.h"

// Carries a call to the window's thread: lparam points to a WindowCall.
constexpr UINT kWindowCallMessage = WM_APP + 1;

struct WindowCall {
    virtual void Run(HWND window) = 0;

protected:
    ~WindowCall() = default;
};

// Runs call(window) on the thread of window and returns when it has run
// there; a window that is gone runs nothing.
template <typename Call>
void OnWindowThread(HWND window, Call call) {
    struct Carried final : WindowCall {
        explicit Carried(Call& c) : call(c) {}
        void Run(HWND target) override { call(target); }
        Call& call;
    } carried(call);
    SendMessageA(window, kWindowCallMessage, 0, LPARAM(static_cast<WindowCall*>(&carried)));
}

class Win32WindowHost final : public WindowHost {
public:
    // stop: the user's wish to stop the running command, or null for none.
    // accepted (kPathCapacity bytes, or null): the question the user said OK
    // to in this conversion, which is not asked again when a retry meets it.
    explicit Win32WindowHost(HWND window, const std::atomic<bool>* stop = nullptr, char* accepted = nullptr)
        : window_(window), stop_(stop), accepted_(accepted) {}
    void GetItemText(int32_t id, char* buffer, int32_t capacity) override;
    // Once the user asked to stop, the status line keeps saying so.
    void SetItemText(int32_t id, const char* text) override;
    // The box is owned by the main window, so it can never hide behind it.
    int32_t AskOkCancel(const char* text, const char* title) override;
    void OpenWithShell(const char* path) override;
    int32_t StopRequested() override;

private:
    HWND window_;
    const std::atomic<bool>* stop_;
    char* accepted_;
};

// A message sent to the bar from another thread is handled on the bar's own
// thread, the window's, before SendMessageA returns.
class Win32ProgressBar final : public ProgressBar {
public:
    explicit Win32ProgressBar(HWND bar) : bar_(bar) {}
    void SendProgress(uint32_t message, uintptr_t wparam, intptr_t lparam) override;

private:
    HWND bar_;
};
