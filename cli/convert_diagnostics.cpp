#include "cli/convert_diagnostics.h"

#include <cmath>
#include <cstring>

#include "cli/reasons.h"
#include "cli/run_options.h"
#include "morph/diagnosis_text.h"
#include "platform/text.h"
#include "cli/terminal_text.h"

#include "cli/console_host.h"

namespace {

using Exact = ExactNumber;

// A line of the shared diagnosis text.
struct Line {
    char text[160];
};

// `would`: the sharing a pairing would make, for a run that refused.
void PrintSharing(std::FILE* stream, const VertexSharing& sharing, bool would) {
    Line line;
    WriteSplitLine(sharing, would, line.text, sizeof line.text);
    std::fprintf(stream, "  %s\n", line.text);
    WriteWeldedLine(sharing, would, line.text, sizeof line.text);
    std::fprintf(stream, "  %s\n", line.text);
}

void PrintCountDiagnosis(std::FILE* stream, const ConvertDiagnostics& d) {
    Line line;
    WriteCountLine(d.missing_count, line.text, sizeof line.text);
    std::fprintf(stream, "%s\n", line.text);
    PrintSharing(stream, d.sharing, true);
    WriteCountAdvice("--allow-count-change", "--tolerance", d.missing_count != 0, d.smallest_distance, line.text,
                     sizeof line.text);
    std::fprintf(stream, "%s\n", line.text);
}

void PrintUnpaired(std::FILE* stream, const ConvertDiagnostics& d) {
    std::fprintf(stream, "matched: %d of %d vertices; %d have no original vertex %s\n", d.paired_count,
                 d.paired_count + d.unpaired_count, d.unpaired_count,
                 d.tolerance > 0 ? "within the tolerance" : "at their position");
    if (d.listed_count == 0) return;
    std::fprintf(stream, "%s without a partner (vertex: position; nearest original vertex, distance):\n",
                 d.unpaired_count > d.listed_count ? "the first vertices" : "the vertices");
    for (int32_t k = 0; k < d.listed_count; ++k) {
        const UnpairedVertex& v = d.listed[k];
        std::fprintf(stream, "  %d: %s %s %s; ", v.number, Exact(v.x).text, Exact(v.y).text, Exact(v.z).text);
        if (v.nearest > 0)
            std::fprintf(stream, "nearest %d, %.3g\n", v.nearest, v.distance);
        else
            std::fprintf(stream, "no original vertex at a finite distance\n");
    }
    if (std::isinf(d.suggested_tolerance)) {
        std::fprintf(stream, "%s\n", kNoToleranceForInfinity);
    } else if (d.suggested_tolerance > 0) {
        Line safety;
        WriteSafetyText(d.suggestion_safe, d.smallest_distance, safety.text, sizeof safety.text);
        std::fprintf(stream, "%s %s (%s)\n", d.suggestion_safe ? "suggested: --tolerance" : "--tolerance",
                     Exact(d.suggested_tolerance).text, safety.text);
        if (d.suggestion_safe) return;
    } else {
        return;
    }
    std::fprintf(stream, "suggested: --by topology, %s\n", kConnectivityReason);
}

void PrintAmbiguity(std::FILE* stream, int32_t code, const ConvertOptions& options, const ConvertDiagnostics& d) {
    std::fprintf(stream, "ambiguous: %d matching vertices have original vertices at two or more positions within "
                         "the tolerance; %s",
                 d.ambiguous_count, d.ambiguous_count > d.ambiguous_listed ? "the first: " : "");
    for (int32_t k = 0; k < d.ambiguous_listed; ++k) std::fprintf(stream, "%s%d", k ? ", " : "", d.ambiguous[k]);
    std::fputc('\n', stream);
    if (options.strict && code == -7) std::fprintf(stream, "--strict refuses ambiguous vertices\n");
}

// The warning of `kind`, with its "warning: ".
void WriteWarning(const ConvertDiagnostics& d, int32_t kind, char* text, size_t capacity) {
    if (kind == 0)
        WriteLibraryWarning(d, text, capacity);
    else
        WriteDroppedLinesWarning(d, text, capacity);
}

void PrintWarnings(std::FILE* stream, const ConvertDiagnostics& d) {
    for (int32_t kind = 0; kind < kWarningKinds; ++kind) {
        char warning[kPathCapacity + 160];
        WriteWarning(d, kind, warning, sizeof warning);
        if (!warning[0]) continue;
        WriteText(stream, warning, std::strlen(warning));
        std::fputc('\n', stream);
    }
}

}  // namespace

void PrintPairingCheck(std::FILE* stream, const PairingCheck& check, bool with_unused) {
    char line[kPathCapacity];
    WriteFacesCheckLine(check, line, sizeof line);
    if (line[0]) std::fprintf(stream, "%s\n", line);
    WriteUnusedCheckLine(check, line, sizeof line);
    if (line[0] && with_unused) std::fprintf(stream, "%s\n", line);
}

void PrintCountChange(std::FILE* stream, int32_t original_count, int32_t matching_count, const VertexSharing& sharing) {
    std::fprintf(stream, "vertex counts: original %d, matching %d\n", original_count, matching_count);
    PrintSharing(stream, sharing, false);
}

void PrintPartLine(std::FILE* stream, const VertexSharing& sharing, int32_t original_count) {
    char line[kPathCapacity];
    WritePartLine(sharing, original_count, line, sizeof line);
    if (line[0]) std::fprintf(stream, "%s\n", line);
}

void PrintCoincidentVertices(std::FILE* stream, const TieCounts& ties) {
    if (ties.broken + ties.unbroken == 0) return;
    std::fprintf(stream, "coincident original vertices: %d matching vertices there paired by their faces, %d by index\n",
                 ties.broken, ties.unbroken);
}

// The warning's words without the "warning: " the prose puts before them.
int32_t FormatWarning(const ConvertDiagnostics& d, int32_t kind, char* text, size_t capacity) {
    char warning[kPathCapacity + 160];
    WriteWarning(d, kind, warning, sizeof warning);
    const char* words = warning;
    if (std::strncmp(words, "warning: ", 9) == 0) words += 9;
    CopyText(text, capacity, words);
    return text[0] != '\0';
}

void PrintConvertDiagnostics(std::FILE* stream, int32_t code, const ConvertOptions& options,
                             const ConvertDiagnostics& d, bool quiet) {
    if (code == -2 || code == -3 || code == -4) PrintReason(stream, d.reason);
    if (d.repaired > 0) std::fprintf(stream, "finished an interrupted earlier write of the new file\n");
    if (code != -4 && d.write_notice[0]) {  // -4: the message names it
        WriteText(stream, d.write_notice, std::strlen(d.write_notice));
        std::fputc('\n', stream);
    }
    if (options.automatic_tolerance && d.tolerance > 0) {
        if (!quiet) std::fprintf(stream, "tolerance: %s (auto)\n", Exact(d.tolerance).text);
        PrintSizeOutliers(stream, d.tolerance_outliers);
    }
    if (quiet && code == 1) {
        if (d.ambiguous_count > 0) PrintAmbiguity(stream, code, options, d);
        if (d.checked)
            PrintPairingCheck(stream, d.check, !options.allow_count_change && d.sharing.outside_count <= 0);
        PrintWarnings(stream, d);
        if (d.topology_note[0]) PrintMessage(stream, d.topology_note);
        return;
    }
    if (code == -5 && d.missing_count >= 0) PrintCountDiagnosis(stream, d);
    if (d.ambiguous_count > 0) PrintAmbiguity(stream, code, options, d);
    if (code == -7 && d.paired_count >= 0) PrintUnpaired(stream, d);
    if (code == 1 && options.allow_count_change && d.sharing.shared_count >= 0)
        PrintCountChange(stream, d.original_vertices, d.matching_vertices, d.sharing);
    if (code == 1) PrintPartLine(stream, d.sharing, d.original_vertices);
    if (code == 1) PrintCoincidentVertices(stream, d.coincident);
    // A part leaves the rest of the original unused by design: its line says so.
    if (code == 1 && d.checked)
        PrintPairingCheck(stream, d.check, !options.allow_count_change && d.sharing.outside_count <= 0);
    if (code == 1) PrintWarnings(stream, d);
    if (code == 1 && d.topology_note[0]) PrintMessage(stream, d.topology_note);
    if (code == 1 && d.library_path[0]) {
        std::fputs("library: ", stream);
        WriteText(stream, d.library_path, std::strlen(d.library_path));
        std::fputc('\n', stream);
    }
}
