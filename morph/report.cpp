#include "morph/report.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "app/workspace.h"
#include "model/block.h"
#include "model/model.h"
#include "model/records.h"
#include "model/text.h"
#include "wavefront/output_file.h"

namespace {

const char kNotLoaded[] = "Failed to load or file does not exist";

// Formats one piece at the end of the text; a piece that does not fit is cut.
void Append(ReportText& report, const char* format, ...) __attribute__((format(printf, 2, 3)));
void Append(ReportText& report, const char* format, ...) {
    int32_t room = kReportTextCapacity - report.length;
    if (room <= 1) return;
    va_list args;
    va_start(args, format);
    int written = std::vsnprintf(report.text + report.length, size_t(room), format, args);
    va_end(args);
    if (written < 0) return;
    report.length += written < room ? written : room - 1;
}

void AppendSection(ReportText& report, const char* title, const char* path, int32_t loaded, const Model& model) {
    Append(report, "%s\n-------------\n     object filepath: \"%s\"\n              loaded: %s\n\n", title, path,
           loaded ? "yes" : kNotLoaded);
    Append(report, "   material filepath: \"%s\"\n              loaded: %s\n\n", model.mtl_path,
           model.mtl_loaded ? "yes" : kNotLoaded);
    Append(report,
           "     total vertices: %d\n  isolated vertices: %d\n duplicate vertices: %d\n              faces: %d\n"
           "             groups: %d\n          materials: %d\n            normals: %d\ntexture coordinates: %d\n",
           model.vertex_count, model.isolated_count, model.duplicate_count, model.TotalFaceCount(),
           model.group_name_count, model.material_count, model.normal_count, model.texcoord_count);
}

}  // namespace

int32_t WriteReportFile(const char* path, const char* text, size_t length, OutputFault* fault) {
    OutputFile file;
    if (!OpenOutputFile(file, path, fault)) return 0;
    const char* end = text + length;
    while (text < end) {
        const char* line_end = static_cast<const char*>(std::memchr(text, '\n', size_t(end - text)));
        size_t piece = line_end ? size_t(line_end - text) : size_t(end - text);
        WriteOutput(&file, text, piece);
        if (!line_end) break;
        WriteOutput(&file, "\r\n", 2);
        text = line_end + 1;
    }
    return CommitOutputFile(file);
}

int32_t MakeReport(WindowHost* window, ProgressBar* progress_bar, const char* report_path, ReportText* text) {
    if (!window || !progress_bar) return 0;

    char original_path[kPathCapacity] = {};
    char matching_path[kPathCapacity] = {};
    window->GetItemText(kOriginalFieldId, original_path, kPathCapacity);
    window->GetItemText(kMatchingFieldId, matching_path, kPathCapacity);

    Model original;
    Model matching;

    window->SetItemText(kStatusLineId, "Loading original file...(please wait)");
    progress_bar->SendProgress(kProgressSetPos, 0, 0);
    int32_t original_loaded = original.LoadObj(original_path);

    window->SetItemText(kStatusLineId, "Loading matching file...(please wait)");
    progress_bar->SendProgress(kProgressSetPos, 20, 0);
    int32_t matching_loaded = matching.LoadObj(matching_path);

    window->SetItemText(kStatusLineId, "Getting isolated vertices...(please wait)");
    progress_bar->SendProgress(kProgressSetPos, 40, 0);
    original.CountIsolatedVertices();
    window->SetItemText(kStatusLineId, "Getting isolated vertices...(please wait)");
    progress_bar->SendProgress(kProgressSetPos, 60, 0);
    matching.CountIsolatedVertices();

    window->SetItemText(kStatusLineId, "Getting duplicate vertices...(please wait)");
    progress_bar->SendProgress(kProgressSetPos, 80, 0);
    original.CountDuplicateVertices();
    window->SetItemText(kStatusLineId, "Getting duplicate vertices...(please wait)");
    progress_bar->SendProgress(kProgressSetPos, 90, 0);
    matching.CountDuplicateVertices();

    progress_bar->SendProgress(kProgressSetPos, 100, 0);

    ReportText local;
    ReportText& report = text ? *text : local;
    report.length = 0;
    report.text[0] = '\0';
    Append(report, "\nQuandrelistaphor Report\n=======================\n\n");
    AppendSection(report, "Original File", original_path, original_loaded, original);
    Append(report, "\n\n");
    AppendSection(report, "Matching File", matching_path, matching_loaded, matching);

    int32_t code = 1;
    if (report_path) {
        if (report_path[0] == '\0' || !WriteReportFile(report_path, report.text, size_t(report.length))) code = -1;
    }

    if (code == 1) {
        original.Clear();
        matching.Clear();
    }
    matching.Release();
    original.Release();
    ReleaseSpareBlocks();
    return code;
}

int32_t Report(WindowHost* window, ProgressBar* progress_bar) {
    if (!window || !progress_bar) return 0;
    // A program directory too long to take the file name gives no path at
    // all, and so a report that can't be created.
    char report_path[kPathCapacity];
    CopyText(report_path, g_program_directory);
    if (!AppendText(report_path, "report.txt")) report_path[0] = '\0';

    int32_t code = MakeReport(window, progress_bar, report_path, nullptr);
    if (code == 1) window->OpenWithShell(report_path);
    return code;
}
