#include "app/command_run.h"

#include <atomic>
#include <cstdio>
#include <new>

#include "app/convert_outcome.h"
#include "app/dialog_commands.h"
#include "app/main_window.h"
#include "app/matching_group.h"
#include "app/message_choice.h"
#include "app/outcome_box.h"
#include "app/path_fields.h"
#include "app/resource_ids.h"
#include "app/win32_host.h"
#include "app/typed_path.h"
#include "app/user_folders.h"
#include "app/workspace.h"
#include "platform/text.h"
#include "morph/convert.h"
#include "morph/convert_messages.h"

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
    ConvertOptions options;  // Convert's, from the Matching group
    ConvertDiagnostics diagnostics;
    char accepted[kPathCapacity] = "";  // the question OK'd in this conversion, retries included
    int32_t new_reason = 0;             // why the New file's folder can't be written; 0: it can
    ReportPlaces places;                // Report's
    char user_folder[kPathCapacity] = "";
    char original_folder[kPathCapacity] = "";
};

const char kTooLateText[] = "It was too late to stop: the new file had already been written.";

const int kLockedButtons[] = {IDC_CONVERT, IDC_REPORT, IDC_BROWSE_ORIGINAL, IDC_BROWSE_MATCHING, IDC_BROWSE_NEW};

CommandRun* RunOf(HWND window) {
    return reinterpret_cast<CommandRun*>(GetWindowLongPtrA(window, DWLP_USER));
}

void EnableButtons(HWND window, BOOL enable) {
    for (int id : kLockedButtons) EnableWindow(GetDlgItem(window, id), enable);
    LockInputs(window, !enable);
}

// The stop question's search: the box titled "Quit" that `owner` owns.
struct QuestionSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindQuestion(HWND candidate, LPARAM parameter) {
    QuestionSearch& search = *reinterpret_cast<QuestionSearch*>(parameter);
    char title[16] = "";
    GetWindowTextA(candidate, title, sizeof title);
    if (GetWindow(candidate, GW_OWNER) != search.owner || lstrcmpA(title, "Quit") != 0) return TRUE;
    search.found = candidate;
    return FALSE;
}

// Answers the open stop question over window with Cancel.
void CloseStopQuestion(HWND window) {
    QuestionSearch search = {window, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindQuestion, LPARAM(&search));
    if (search.found) PostMessageA(search.found, WM_COMMAND, IDCANCEL, 0);
}

DWORD WINAPI RunCommand(void* parameter) {
    CommandRun& run = *static_cast<CommandRun*>(parameter);
    Win32WindowHost host(run.window, &run.stop, run.accepted);
    Win32ProgressBar bar(run.progress_bar);
    ProgressBar* progress = run.progress_bar ? &bar : nullptr;
    if (run.command == IDC_CONVERT && run.new_reason) {
        // Nothing is read for a file that can't be written.
        char new_path[kPathCapacity];
        host.GetItemText(IDC_NEW_FIELD, new_path, kPathCapacity);
        TidyTypedPath(new_path);
        WriteNewNotSaved(run.message, new_path);
        run.diagnostics.reason = run.new_reason;
        run.result = -4;
    } else {
        run.result = run.command == IDC_CONVERT ? Convert(&host, progress, run.message, &run.options)
                                                : Report(&host, progress, &run.places);
    }
    PostMessageA(run.window, kCommandEndedMessage, 0, 0);
    return 0;
}

void ShowOutcome(HWND window, const MessageChoice& choice) {
    if (choice.text) MessageBoxA(window, choice.text, choice.title, MB_OK | choice.icon);
}

// The outcome's box; a failure that the diagnosis can mend offers the
// remedy, and the return says whether the user took it.
bool ShowOutcomeOf(HWND window, const CommandRun& run, Remedy& remedy) {
    if (run.command != IDC_CONVERT) {
        char text[kOutcomeCapacity];
        if (run.result == -1 || (run.result == 1 && run.places.written > 0)) {
            WriteReportPlaces(run.places, run.result, text, sizeof text);
            ShowOutcome(window, MessageChoice{text, run.result == 1 ? "Report" : "Error",
                                              run.result == 1 ? kIconInformation : kIconWarning});
        } else {
            ShowOutcome(window, ChooseReportMessage(run.result));
        }
        return false;
    }
    // A stop the user asked for came after the last point a run can stop at.
    if (run.stop && run.result == 1) {
        MessageBoxA(window, kTooLateText, "Quit", MB_OK | MB_ICONINFORMATION);
        return false;
    }
    MessageChoice choice = ChooseConvertMessage(run.result, run.message);
    char text[kOutcomeCapacity];
    if (run.result == 1) {
        WriteConvertSuccess(run.options, run.diagnostics, text, sizeof text);
        choice.text = text;
    }
    if (choice.text != run.message) {
        ShowOutcome(window, choice);
        return false;
    }
    WriteConvertFailure(run.result, run.message, run.options, run.diagnostics, text, sizeof text, remedy);
    if (remedy.kind == RemedyKind::kNone || run.quit) {
        ShowOutcome(window, MessageChoice{text, choice.title, choice.icon});
        return false;
    }
    return ShowFailureBox(window, text, remedy.label) == IDC_REMEDY;
}

// The fields a command reads, each as long as a path may be once in the
// system's code page; otherwise the refusal's box and false.
bool PathsFit(HWND window, int command) {
    for (int k = 0; k < (command == IDC_CONVERT ? 3 : 2); ++k) {
        char shown[kMessageCapacity / 2];
        int32_t bytes = PathFieldBytes(window, kPathFields[k].id, shown, sizeof shown);
        if (bytes <= kPathCapacity - 1) continue;
        ReportPathTooLong(window, k, bytes, shown);
        return false;
    }
    return true;
}

// Convert's options from the Matching group; otherwise the problem's box and false.
bool ReadOptions(HWND window, ConvertOptions& options) {
    char problem[kMessageCapacity];
    if (ChoiceOptions(ReadMatchingChoice(window), options, problem)) return true;
    MessageBoxA(window, problem, "Error", MB_OK | MB_ICONEXCLAMATION);
    return false;
}

// The Report run's places: beside the program when its folder can be
// written; otherwise in the user's Documents\Quandrelistaphor, or beside
// ORIGINAL, with the reason the program's folder gave.
void PrepareReportPlaces(HWND window, CommandRun& run) {
    ReportPlaces& places = run.places;
    places.count = 3;
    places.folders[0] = g_program_directory;
    if (FolderWritable(g_program_directory, &places.reasons[0])) return;
    ProgramDocumentsFolder(run.user_folder);
    places.folders[1] = run.user_folder;
    char path[kPathCapacity], name[kPathCapacity];
    GetDlgItemTextA(window, IDC_ORIGINAL_FIELD, path, kPathCapacity);
    TidyTypedPath(path);
    SplitTypedPath(path, run.original_folder, name);
    places.folders[2] = run.original_folder;
}

// Whether the New file's folder can be written, before anything is read.
void CheckNewFolder(HWND window, CommandRun& run) {
    char path[kPathCapacity], folder[kPathCapacity], name[kPathCapacity];
    GetDlgItemTextA(window, IDC_NEW_FIELD, path, kPathCapacity);
    TidyTypedPath(path);
    SplitTypedPath(path, folder, name);
    // A folder that isn't there is the save's to name.
    DWORD attributes = GetFileAttributesA(folder);
    if (!folder[0] || attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    FolderWritable(folder, &run.new_reason);
}

void ResetCommandDisplay(HWND window, HWND progress_bar) {
    ResetProgress(progress_bar);
    SetDlgItemTextA(window, IDC_STATUS_LINE, "Progress:");
}

// StartCommand, with the question the user already said OK to in this
// conversion (a retry's), or "".
void StartRun(HWND window, int command, const char* accepted) {
    if (RunOf(window)) return;
    ConvertOptions options;
    if (!PathsFit(window, command) || (command == IDC_CONVERT && !ReadOptions(window, options))) return;
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
    run->options = options;
    run->options.diagnostics = &run->diagnostics;
    CopyText(run->accepted, accepted);
    if (command == IDC_CONVERT)
        CheckNewFolder(window, *run);
    else
        PrepareReportPlaces(window, *run);
    CopyText(run->message, kConvertFailedText);
    SetWindowLongPtrA(window, DWLP_USER, LONG_PTR(run));
    // A disabled control can't keep the keyboard focus; Quit takes it from
    // any but the path fields, which only turn read-only, so that Escape
    // still asks.
    HWND focus = GetFocus();
    bool kept = focus == GetDlgItem(window, IDCANCEL);
    for (const PathField& field : kPathFields) kept = kept || focus == GetDlgItem(window, field.id);
    if (!kept) SendMessageA(window, WM_NEXTDLGCTL, WPARAM(GetDlgItem(window, IDCANCEL)), TRUE);
    EnableButtons(window, FALSE);
    DWORD thread_id = 0;
    run->thread = CreateThread(nullptr, 0, RunCommand, run, 0, &thread_id);
    // Without a thread of its own the command runs here, as it always could.
    if (!run->thread) RunCommand(run);
}

}  // namespace

void StartCommand(HWND window, int command) {
    StartRun(window, command, "");
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
        // The window stays until the run has put away what it was writing.
        if (!run->ended) SetDlgItemTextA(window, IDC_STATUS_LINE, "Stopping...");
    }
    // The command may have ended while the question was open.
    if (run->ended) EndCommand(window);
    return true;
}

void EndCommand(HWND window) {
    CommandRun* run = RunOf(window);
    if (!run) return;
    run->ended = true;
    // The question is moot once the command has ended: it closes as if
    // answered Cancel, and AskToStopCommand ends the command then.
    if (run->asking) return CloseStopQuestion(window);
    if (run->thread) {
        WaitForSingleObject(run->thread, INFINITE);
        CloseHandle(run->thread);
        run->thread = nullptr;
    }
    Remedy remedy;
    bool mend = ShowOutcomeOf(window, *run, remedy);
    ResetCommandDisplay(window, run->progress_bar);
    EnableButtons(window, TRUE);
    if (GetFocus() == GetDlgItem(window, IDCANCEL) || !GetFocus())
        SendMessageA(window, WM_NEXTDLGCTL, WPARAM(GetDlgItem(window, run->command)), TRUE);
    SetWindowLongPtrA(window, DWLP_USER, 0);
    bool quit = run->quit;
    char accepted[kPathCapacity];
    CopyText(accepted, run->accepted);
    delete run;
    if (quit) return (void)EndDialog(window, IDCANCEL);
    if (!mend) return;
    MatchingChoice choice = ReadMatchingChoice(window);
    ApplyRemedy(remedy, choice);
    ShowMatchingChoice(window, choice);
    StartRun(window, IDC_CONVERT, accepted);
}
