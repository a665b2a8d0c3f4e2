#pragma once
// The console host: the status line and progress bar go to standard error (a
// bar redrawn in place on a terminal, one line per new status otherwise), and
// the face-count question is asked on the terminal, or answered by --yes.
#include <cstdint>
#include <cstdio>

#include "model/records.h"
#include "morph/host.h"

struct ConsoleHost : OperationHost {
    bool terminal = false;     // standard error is a terminal
    bool interactive = false;  // standard input is a terminal too
    bool assume_yes = false;   // --yes
    bool quiet = false;        // --quiet: no status lines or bar; questions are still asked
    std::FILE* input = stdin;
    std::FILE* output = stderr;

    void ShowStatus(const char* text) override;
    void StepProgress() override;
    void SetProgress(int32_t done, int32_t total) override;
    int32_t AskToContinue(const char* text, const char* title) override;

    // Looks at whether standard error and input are terminals; `yes` answers
    // every question.
    void Attach(bool yes);

    // An empty bar before an operation runs.
    void ResetProgress();

    // Ends the bar's line on a terminal; call before printing anything else.
    void FinishLine();

    // Takes the bar off the screen on a terminal, so that a line printed
    // next stands where it stood; the next status or progress draws it again.
    void ClearLine();

private:
    void Draw();
    char status_[kPathCapacity] = {};
    int32_t position_ = 0;  // percent
    bool drawn_ = false;    // a bar line is on screen and not yet ended
};

// Writes text with every "\r\n" as "\n".
void PrintMessage(std::FILE* stream, const char* text);
