#pragma once
// The Convert and Report commands of the main window: the paths come from its
// edit fields, progress goes to its status line and progress bar.
#include <cstdint>

#include "app/dialog_host.h"
#include "morph/convert.h"
#include "morph/host.h"
#include "model/records.h"

// The operations' host on the dialog: the status line (IDC_STATUS_LINE), the
// progress bar's step and position messages, the OK/Cancel box, where OK
// goes on, and the user's wish to stop. Steps never take the bar to the
// save's start (kStepsEnd) or past it, so that the bar, once the save has
// set it there, never runs back.
class DialogOperationHost final : public OperationHost {
public:
    DialogOperationHost(WindowHost& window, ProgressBar& progress_bar) : window_(window), bar_(progress_bar) {}
    void ShowStatus(const char* text) override;
    void StepProgress() override;
    void SetProgress(int32_t done, int32_t total) override;
    int32_t AskToContinue(const char* text, const char* title) override;
    int32_t ShouldStop() override;

    static constexpr int32_t kStepsEnd = 80;

private:
    WindowHost& window_;
    ProgressBar& bar_;
    int32_t position_ = 0;  // the bar's, as this host left it
};

// ConvertFiles with `options` (null: exact matching) on the three edit
// fields (IDC_ORIGINAL_FIELD, IDC_MATCHING_FIELD, IDC_NEW_FIELD, each cut to
// kPathCapacity - 1, quotes and spaces around it removed). Its codes, and
// besides: 0 when window, progress_bar or message is null; -1 when a path
// part of the Workspace is empty, before any file is read.
int32_t Convert(WindowHost* window, ProgressBar* progress_bar, char* message,
                const ConvertOptions* options = nullptr);

// Where Report may put report.txt, tried in order until one takes it:
// folders ending with a backslash (empty ones are passed over). What became
// of them comes back: the report's path (or the last one tried) and the
// reason each failed place gave.
struct ReportPlaces {
    static constexpr int32_t kCapacity = 3;
    const char* folders[kCapacity] = {};
    int32_t count = 0;
    int32_t written = -1;  // the folder that took the report, -1 for none
    int32_t reasons[kCapacity] = {};  // set before the run: a folder known not to take it
    char path[kPathCapacity] = "";
};

// MakeReport on the first two edit fields into report.txt in the first of
// `places` that takes it (null: the program directory alone), which is then
// handed to the shell. 0 when window or progress_bar is null; -1 when no
// place took the report (also when a folder leaves no room for the file
// name); -8 when the user stopped it; otherwise 1.
int32_t Report(WindowHost* window, ProgressBar* progress_bar, ReportPlaces* places = nullptr);

// The box after Report (`result`) when a place failed: each place that
// failed with its reason, and where the report went when one took it.
void WriteReportPlaces(const ReportPlaces& places, int32_t result, char* text, size_t capacity);
