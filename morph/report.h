#pragma once
// The Report operation: loads the original and the matching file named in the
// window's edit fields, counts their isolated and duplicate vertices and
// writes a plain-text summary of both to report.txt in the program directory,
// then hands that file to the shell.
#include <cstddef>
#include <cstdint>

#include "morph/host.h"

struct OutputFault;  // wavefront/output_file.h

constexpr int32_t kReportTextCapacity = 4096;

// The report text with "\n" line ends (the file stores "\r\n").
struct ReportText {
    char text[kReportTextCapacity];
    int32_t length;
};

// Returns 1 when report.txt was written and handed to the shell; 0 when
// window or progress_bar is null; -1 when the report file can't be created
// or written completely, or its path doesn't fit, in which case any earlier
// report.txt stays as it was.
int32_t Report(WindowHost* window, ProgressBar* progress_bar);

// The work of Report without the shell: loads, counts and formats into text
// (when not null), and when report_path is not null writes the report there
// (an empty report_path counts as one that can't be created). Same codes.
int32_t MakeReport(WindowHost* window, ProgressBar* progress_bar, const char* report_path, ReportText* text);

// Writes text to path with every "\n" stored as "\r\n", replacing the file
// only when all of it was written. Returns 1, or 0 on any failure.
int32_t WriteReportFile(const char* path, const char* text, size_t length, OutputFault* fault = nullptr);
