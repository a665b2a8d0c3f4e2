#pragma once
// What an operation needs of whoever runs it: a status line, a progress bar,
// a yes/no question and a way to stop between steps. The dialog program, the
// command line and the tests each give their own; nothing here knows which.
#include <cstdint>

struct OperationHost {
    // The status line's text while a step runs.
    virtual void ShowStatus(const char* text) = 0;
    // Moves the progress bar on by one tenth of its length.
    virtual void StepProgress() = 0;
    // Sets the progress bar to the fraction done / total of its length
    // (0 <= done <= total, total > 0).
    virtual void SetProgress(int32_t done, int32_t total) = 0;
    // Asks the user a question that continues or stops the run: 1 to go on,
    // 0 to stop (also when the question could not be asked).
    virtual int32_t AskToContinue(const char* text, const char* title) = 0;
    // Asked between an operation's steps: 1 when the user wants the run to
    // end there, with nothing written. A host that can't be interrupted
    // never asks.
    virtual int32_t ShouldStop() { return 0; }

protected:
    ~OperationHost() = default;
};
