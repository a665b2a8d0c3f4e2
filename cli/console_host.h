#pragma once
// The console host: the edit fields hold the paths given on the command line,
// the status line and progress bar go to standard error (a bar redrawn in
// place on a terminal, one line per new status otherwise), and the face-count
// question is asked on the terminal, or answered by --yes.
#include <cstdint>
#include <cstdio>

#include "model/records.h"
#include "morph/host.h"

struct ConsoleHost : WindowHost, ProgressBar {
    char fields[3][kPathCapacity] = {};  // original, matching, new
    bool terminal = false;               // standard error is a terminal
    bool interactive = false;            // standard input is a terminal too
    bool assume_yes = false;             // --yes
    std::FILE* input = stdin;
    std::FILE* output = stderr;

    void GetItemText(int32_t id, char* buffer, int32_t capacity) override;
    void SetItemText(int32_t id, const char* text) override;
    int32_t AskOkCancel(const char* text, const char* title) override;
    void OpenWithShell(const char* path) override;  // the console hands nothing to a shell
    void SendProgress(uint32_t message, uintptr_t wparam, intptr_t lparam) override;

    // Ends the bar's line on a terminal; call before printing anything else.
    void FinishLine();

private:
    void Draw();
    char status_[kPathCapacity] = {};
    int32_t low_ = 0, high_ = 100, step_ = 10, position_ = 0;
    bool drawn_ = false;  // a bar line is on screen and not yet ended
};

// Writes text with every "\r\n" as "\n".
void PrintMessage(std::FILE* stream, const char* text);
