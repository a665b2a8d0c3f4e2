#include "app/dialog_commands.h"

#include "app/typed_path.h"
#include "app/workspace.h"
#include "model/records.h"
#include "platform/text.h"
#include "morph/convert.h"
#include "morph/diagnosis_text.h"
#include "morph/report.h"
#include "platform/files/output_file.h"

const char kReportFailedText[] = "There was an error creating the report file.\r\n";

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
    if (position_ + 10 >= kStepsEnd) return;
    position_ += 10;
    bar_.SendProgress(kProgressStepIt, 0, 0);
}

void DialogOperationHost::SetProgress(int32_t done, int32_t total) {
    int32_t position = total > 0 ? int32_t(int64_t(done) * 100 / total) : 0;
    position_ = position;
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

int32_t Report(WindowHost* window, ProgressBar* progress_bar, ReportPlaces* places) {
    if (!window || !progress_bar) return 0;
    ReportPlaces beside_program;
    if (!places) {
        beside_program.folders[0] = g_program_directory;
        beside_program.count = 1;
        places = &beside_program;
    }
    char original_path[kPathCapacity] = {};
    char matching_path[kPathCapacity] = {};
    ReadPathField(*window, IDC_ORIGINAL_FIELD, original_path);
    ReadPathField(*window, IDC_MATCHING_FIELD, matching_path);

    DialogOperationHost host(*window, *progress_bar);
    ReportText text;
    int32_t code = MakeReport(original_path, matching_path, nullptr, &host, &text);
    if (code != 1) return code;
    places->written = -1;
    for (int32_t k = 0; k < places->count && k < ReportPlaces::kCapacity; ++k) {
        const char* folder = places->folders[k];
        if (!folder || !folder[0] || places->reasons[k]) continue;  // known not to take it
        // A folder too long to take the file name gives no path at all.
        CopyText(places->path, folder);
        if (!AppendText(places->path, "report.txt")) {
            places->reasons[k] = kErrorNameTooLong;
            continue;
        }
        OutputFault fault;
        if (WriteReportFile(places->path, text.text, size_t(text.length), &fault)) {
            places->written = k;
            window->OpenWithShell(places->path);
            return 1;
        }
        places->reasons[k] = fault.error;
    }
    return -1;
}

void WriteReportPlaces(const ReportPlaces& places, int32_t result, char* text, size_t capacity) {
    if (capacity == 0) return;
    text[0] = '\0';
    auto add = [&](const char* piece) { AppendText(text, capacity, piece); };
    add(result == 1 ? "report.txt could not be written beside the program.\r\n" : kReportFailedText);
    for (int32_t k = 0; k < places.count && k < ReportPlaces::kCapacity; ++k) {
        if (!places.reasons[k] || !places.folders[k] || !places.folders[k][0]) continue;
        char reason[kPathCapacity];
        WriteReasonLine(places.reasons[k], reason, sizeof reason);
        add("\r\n");
        add(places.folders[k]);
        add("report.txt\r\n");
        add(reason);
        add("\r\n");
    }
    if (result != 1) return;
    add("\r\nIt was written to, and opened from:\r\n");
    add(places.path);
}
