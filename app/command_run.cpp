#include "app/command_run.h"

#include <atomic>
#include <cstdio>
#include <new>

#include "app/dialog_commands.h"
#include "app/main_window.h"
#include "app/message_choice.h"
#include "app/resource_ids.h"
#include "app/win32_host.h"
#include "platform/text.h"
#include "morph/convert.h"

namespace {

// One command from its start to the end of its outcome's box. Lives in the
// window's DWLP_USER while it runs; only the window's thread changes the
// fields after the start, except result and message, which the command's
// thread writes before it posts its end.
struct CommandRun {
    HWND window = nullptr;
    HWND progress_bar = nullptr;
    int command = 0;
    HANDLE thread = nullptr;
    std::atomic<bool> stop{false};
    bool asking = false;  // the stop question is open
    bool ended = false;   // the command's thread has posted its end
    bool quit = false;    // close the window once the command has ended
    int32_t result = 0;
    char message[kMessageCapacity];
};

const int kLockedButtons[] = {IDC_CONVERT, IDC_REPORT, IDC_BROWSE_ORIGINAL, IDC_BROWSE_MATCHING, IDC_BROWSE_NEW};

CommandRun* RunOf(HWND window) {
    return reinterpret_cast<CommandRun*>(GetWindowLongPtrA(window, DWLP_USER));
}

void EnableButtons(HWND window, BOOL enable) {
    for (int id : kLockedButtons) EnableWindow(GetDlgItem(window, id), enable);
}

DWORD WINAPI RunCommand(void* parameter) {
    CommandRun& run = *static_cast<CommandRun*>(parameter);
    Win32WindowHost host(run.window, &run.stop);
    Win32ProgressBar bar(run.progress_bar);
    ProgressBar* progress = run.progress_bar ? &bar : nullptr;
    run.result = run.command == IDC_CONVERT ? Convert(&host, progress, run.message) : Report(&host, progress);
    PostMessageA(run.window, kCommandEndedMessage, 0, 0);
    return 0;
}

MessageChoice OutcomeOf(const CommandRun& run) {
    return run.command == IDC_CONVERT ? ChooseConvertMessage(run.result, run.message)
                                      : ChooseReportMessage(run.result);
}

void ShowOutcome(HWND window, const MessageChoice& choice) {
    if (choice.text) MessageBoxA(window, choice.text, choice.title, MB_OK | choice.icon);
}

void ResetCommandDisplay(HWND window, HWND progress_bar) {
    ResetProgress(progress_bar);
    SetDlgItemTextA(window, IDC_STATUS_LINE, "Progress:");
}

}  // namespace

void StartCommand(HWND window, int command) {
    if (RunOf(window)) return;
    HWND progress_bar = GetDlgItem(window, IDC_PROGRESS_BAR);
    ResetProgress(progress_bar);
    CommandRun* run = new (std::nothrow) CommandRun;
    if (!run) {
        ShowOutcome(window, command == IDC_CONVERT ? ChooseConvertMessage(0, nullptr) : ChooseReportMessage(0));
        return ResetCommandDisplay(window, progress_bar);
    }
    run->window = window;
    run->progress_bar = progress_bar;
    run->command = command;
    CopyText(run->message, kConvertFailedText);
    SetWindowLongPtrA(window, DWLP_USER, LONG_PTR(run));
    // A disabled button can't keep the keyboard focus; Quit takes it, so
    // that Escape still asks.
    HWND focus = GetFocus();
    for (int id : kLockedButtons)
        if (focus && focus == GetDlgItem(window, id))
            SendMessageA(window, WM_NEXTDLGCTL, WPARAM(GetDlgItem(window, IDCANCEL)), TRUE);
    EnableButtons(window, FALSE);
    DWORD thread_id = 0;
    run->thread = CreateThread(nullptr, 0, RunCommand, run, 0, &thread_id);
    // Without a thread of its own the command runs here, as it always could.
    if (!run->thread) RunCommand(run);
}

bool AskToStopCommand(HWND window) {
    CommandRun* run = RunOf(window);
    if (!run) return false;
    // Asked already, or the outcome's box is open: nothing more to ask.
    if (run->asking || run->quit || run->ended) return true;
    char question[160];
    std::snprintf(question, sizeof question, "%s is still running.\r\n\r\nStop it after its current step and quit?",
                  run->command == IDC_CONVERT ? "Convert" : "Report");
    run->asking = true;
    int answer = MessageBoxA(window, question, "Quit", MB_OKCANCEL | MB_ICONQUESTION);
    run->asking = false;
    if (answer == IDOK) {
        run->quit = true;
        run->stop = true;
    }
    // The command may have ended while the question was open.
    if (run->ended) EndCommand(window);
    return true;
}

void EndCommand(HWND window) {
    CommandRun* run = RunOf(window);
    if (!run) return;
    run->ended = true;
    if (run->asking) return;  // ended by AskToStopCommand once answered
    if (run->thread) {
        WaitForSingleObject(run->thread, INFINITE);
        CloseHandle(run->thread);
        run->thread = nullptr;
    }
    ShowOutcome(window, OutcomeOf(*run));
    ResetCommandDisplay(window, run->progress_bar);
    EnableButtons(window, TRUE);
    if (GetFocus() == GetDlgItem(window, IDCANCEL) || !GetFocus())
        SendMessageA(window, WM_NEXTDLGCTL, WPARAM(GetDlgItem(window, run->command)), TRUE);
    SetWindowLongPtrA(window, DWLP_USER, 0);
    bool quit = run->quit;
    delete run;
    if (quit) EndDialog(window, IDCANCEL);
}
