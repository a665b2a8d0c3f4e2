#pragma once
// Where report --output writes: a file, replaced only when the whole report
// was written, or a device or pipe (such as /dev/stdout), written straight;
// a path that leads to standard output is written through it.
#include <cstdint>

#include "morph/report.h"

struct OutputFault;  // wavefront/output_file.h

// 1 when the two paths name the same file: the same text, or (both there)
// the same file of the same device; 0 when either is empty.
int32_t SameFile(const char* a, const char* b);

// Writes the report's text with "\r\n" line ends to path. Returns 1, or 0
// with the reason in fault->error.
int32_t WriteReportOutput(const char* path, const ReportText& report, OutputFault* fault);
