#include "app/dialog_commands.h"

#include "app/typed_path.h"
#include "app/workspace.h"
#include "model/records.h"
#include "platform/text.h"
#include "morph/convert.h"
#include "morph/report.h"

namespace {

bool AnyWorkspacePartEmpty() {
    const Workspace* w = g_workspace;
    if (!w) return true;
    return w->original_directory[0] == '\0' || w->original_file_name[0] == '\0' ||
           w->matching_directory[0] == '\0' || w->matching_file_name[0] == '\0' ||
           w->new_directory[0] == '\0' || w->new_file_name[0] == '\0';
}

// A path field's text as the operations take it.
void ReadPathField(WindowHost& window, int32_t id, char* path) {
    window.GetItemText(id, path, kPathCapacity);
    TidyTypedPath(path);
}

}  // namespace

void DialogOperationHost::ShowStatus(const char* text) {
    window_.SetItemText(IDC_STATUS_LINE, text);
}

void DialogOperationHost::StepProgress() {
    bar_.SendProgress(kProgressStepIt, 0, 0);
}

void DialogOperationHost::SetProgress(int32_t done, int32_t total) {
    int32_t position = total > 0 ? done * 100 / total : 0;
    bar_.SendProgress(kProgressSetPos, uintptr_t(position), 0);
}

int32_t DialogOperationHost::AskToContinue(const char* text, const char* title) {
    return window_.AskOkCancel(text, title) == kAnswerOk;
}

int32_t DialogOperationHost::ShouldStop() {
    return window_.StopRequested();
}

int32_t Convert(WindowHost* window, ProgressBar* progress_bar, char* message, const ConvertOptions* options) {
    if (!window || !progress_bar || !message) return 0;

    char original_path[kPathCapacity] = {};
    char matching_path[kPathCapacity] = {};
    char new_path[kPathCapacity] = {};
    ReadPathField(*window, IDC_ORIGINAL_FIELD, original_path);
    ReadPathField(*window, IDC_MATCHING_FIELD, matching_path);
    ReadPathField(*window, IDC_NEW_FIELD, new_path);

    if (AnyWorkspacePartEmpty()) return -1;

    DialogOperationHost host(*window, *progress_bar);
    return ConvertFiles(original_path, matching_path, new_path, &host, message, options);
}

int32_t Report(WindowHost* window, ProgressBar* progress_bar) {
    if (!window || !progress_bar) return 0;
    // A program directory too long to take the file name gives no path at
    // all, and so a report that can't be created.
    char report_path[kPathCapacity];
    CopyText(report_path, g_program_directory);
    if (!AppendText(report_path, "report.txt")) report_path[0] = '\0';

    char original_path[kPathCapacity] = {};
    char matching_path[kPathCapacity] = {};
    ReadPathField(*window, IDC_ORIGINAL_FIELD, original_path);
    ReadPathField(*window, IDC_MATCHING_FIELD, matching_path);

    DialogOperationHost host(*window, *progress_bar);
    int32_t code = MakeReport(original_path, matching_path, report_path, &host, nullptr);
    if (code == 1) window->OpenWithShell(report_path);
    return code;
}
