#include "cli/report_output.h"

#include <cstdio>
#include <cstring>

#include <sys/stat.h>

#include "platform/files/file_calls.h"
#include "platform/files/output_file.h"

namespace {

#if defined(_WIN32)
using Status = struct _stat64;
int StatusOf(const char* path, Status& status) { return _stat64(path, &status); }
bool StandardOutputStatus(Status& status) { return _fstat64(_fileno(stdout), &status) == 0; }
bool IsStream(const Status& status) { return (status.st_mode & _S_IFCHR) != 0; }
#else
using Status = struct stat;
int StatusOf(const char* path, Status& status) { return stat(path, &status); }
bool StandardOutputStatus(Status& status) { return fstat(fileno(stdout), &status) == 0; }
bool IsStream(const Status& status) { return S_ISCHR(status.st_mode) || S_ISFIFO(status.st_mode); }
#endif

bool SameStatus(const Status& a, const Status& b) {
    // Windows gives no file numbers: there no two are known to be the same.
    return a.st_ino != 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A device or pipe has no folder to put a temporary in, nor anything to
// keep: the report goes to it as it is made, through standard output when
// that is where path leads (its own offset would write over it otherwise).
// 1, or 0 with the reason.
int32_t WriteStraight(const char* path, bool to_standard_output, const ReportText& report, OutputFault* fault) {
    char text[2 * kReportTextCapacity];
    size_t length = 0;
    for (int32_t k = 0; k < report.length; ++k) {
        if (report.text[k] == '\n') text[length++] = '\r';
        text[length++] = report.text[k];
    }
    std::FILE* file = to_standard_output ? stdout : std::fopen(path, "wb");
    bool written = file && std::fwrite(text, 1, length, file) == length;
    if (file && (to_standard_output ? std::fflush(file) : std::fclose(file)) != 0) written = false;
    if (!written) fault->error = LastSystemError() > 0 ? LastSystemError() : kErrorInputOutput;
    return written ? 1 : 0;
}

}  // namespace

int32_t SameFile(const char* a, const char* b) {
    if (!a[0] || !b[0]) return 0;
    if (std::strcmp(a, b) == 0) return 1;
    Status first, second;
    return StatusOf(a, first) == 0 && StatusOf(b, second) == 0 && SameStatus(first, second) ? 1 : 0;
}

int32_t WriteReportOutput(const char* path, const ReportText& report, OutputFault* fault) {
    Status status, standard_output;
    if (StatusOf(path, status) == 0) {
        bool to_standard_output = StandardOutputStatus(standard_output) && SameStatus(status, standard_output);
        if (to_standard_output || IsStream(status)) return WriteStraight(path, to_standard_output, report, fault);
    }
    return WriteReportFile(path, report.text, size_t(report.length), fault);
}
