#pragma once
// The Convert and Report commands of the main window: the paths come from its
// edit fields, progress goes to its status line and progress bar.
#include <cstdint>

#include "app/dialog_host.h"
#include "morph/convert.h"
#include "morph/host.h"

// The operations' host on the dialog: the status line (IDC_STATUS_LINE), the
// progress bar's step and position messages, the OK/Cancel box, where OK
// goes on, and the user's wish to stop.
class DialogOperationHost final : public OperationHost {
public:
    DialogOperationHost(WindowHost& window, ProgressBar& progress_bar) : window_(window), bar_(progress_bar) {}
    void ShowStatus(const char* text) override;
    void StepProgress() override;
    void SetProgress(int32_t done, int32_t total) override;
    int32_t AskToContinue(const char* text, const char* title) override;
    int32_t ShouldStop() override;

private:
    WindowHost& window_;
    ProgressBar& bar_;
};

// ConvertFiles with `options` (null: exact matching) on the three edit
// fields (IDC_ORIGINAL_FIELD, IDC_MATCHING_FIELD, IDC_NEW_FIELD, each cut to
// kPathCapacity - 1, quotes and spaces around it removed). Its codes, and
// besides: 0 when window, progress_bar or message is null; -1 when a path
// part of the Workspace is empty, before any file is read.
int32_t Convert(WindowHost* window, ProgressBar* progress_bar, char* message,
                const ConvertOptions* options = nullptr);

// MakeReport on the first two edit fields into report.txt in the program
// directory, which is then handed to the shell. 0 when window or progress_bar
// is null; -1 when the report can't be written (also when the program
// directory leaves no room for the file name); -8 when the user stopped it;
// otherwise 1.
int32_t Report(WindowHost* window, ProgressBar* progress_bar);
