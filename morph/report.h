#pragma once
// The Report operation: a plain-text summary of the original and the matching
// file with their isolated and duplicate vertices.
#include <cstddef>
#include <cstdint>

#include "morph/host.h"

struct OutputFault;  // platform/files/output_file.h

constexpr int32_t kReportTextCapacity = 4096;

// The report text with "\n" line ends (the file stores "\r\n").
// Also whether each file (original, matching) loaded, and why not
// (platform/reasons.h codes; 0 when it loaded or nothing says).
struct ReportText {
    char text[kReportTextCapacity];
    int32_t length;
    int32_t loaded[2];
    int32_t reason[2];
    // Where each quoted path (the original, its library, the matching file,
    // its library) stands in the text and its length: a path may hold any
    // byte, a line break or a quote too.
    int32_t path_at[4];
    int32_t path_length[4];
    int32_t path_count;
};

// Loads both files, counts their isolated and duplicate vertices and formats
// the report into text (when not null), followed, with `details`, by a
// section on how each file's vertices lie (distinct positions, coincident
// vertex sets, bounding box, smallest distance); when report_path is not null writes
// the report there (an empty report_path counts as one that can't be
// created). A file that doesn't load is reported, not an error. Returns 1;
// 0 when a path or the host is null; -1 when the report file can't be
// created or written completely; -8 when the host asked to stop between two
// steps, with nothing formatted or written. An earlier file at report_path
// stays as it was unless the new report was written whole.
int32_t MakeReport(const char* original_path, const char* matching_path, const char* report_path,
                   OperationHost* host, ReportText* text, bool details = false);

// Writes text to path with every "\n" stored as "\r\n", replacing the file
// only when all of it was written. Returns 1, or 0 on any failure.
int32_t WriteReportFile(const char* path, const char* text, size_t length, OutputFault* fault = nullptr);
