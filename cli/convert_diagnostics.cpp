#include "cli/convert_diagnostics.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "cli/reasons.h"
#include "cli/terminal_text.h"

#include "cli/console_host.h"

namespace {

// The shortest text that reads back as the value: what the user types to
// get the very same number.
struct Exact {
    char text[48];
    explicit Exact(double value) { *std::to_chars(text, text + sizeof text - 1, value).ptr = '\0'; }
    explicit Exact(float value) { *std::to_chars(text, text + sizeof text - 1, value).ptr = '\0'; }
};

// `would`: the sharing a pairing would make, for a run that refused.
void PrintSharing(std::FILE* stream, const VertexSharing& sharing, bool would) {
    std::fprintf(stream, "  split: %d original vertices %s shared by several matching vertices\n",
                 sharing.shared_count, would ? "would be" : "are");
    std::fprintf(stream, "  welded: %d original vertices %s no matching vertex\n", sharing.unpaired_count,
                 would ? "would have" : "have");
}

void PrintCountDiagnosis(std::FILE* stream, const ConvertDiagnostics& d) {
    if (d.missing_count == 0)
        std::fprintf(stream, "every matching vertex sits at a position of the original: a copy whose vertices "
                             "were split or welded\n");
    else
        std::fprintf(stream, "%d matching vertices sit at no position of the original\n", d.missing_count);
    PrintSharing(stream, d.sharing, true);
    std::fprintf(stream, "--allow-count-change converts a copy whose vertices were split or welded%s\n",
                 d.missing_count == 0 ? "" : " (with --tolerance when its positions moved)");
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
        std::fprintf(stream, "no tolerance pairs a vertex whose position is not finite\n");
    } else if (d.suggested_tolerance > 0) {
        std::fprintf(stream, "suggested: --tolerance %s (%s half the smallest distance between two original "
                             "positions, %.3g)\n",
                     Exact(d.suggested_tolerance).text, d.suggestion_safe ? "safe: below" : "not safe: not below",
                     d.smallest_distance);
    }
}

void PrintAmbiguity(std::FILE* stream, int32_t code, const ConvertOptions& options, const ConvertDiagnostics& d) {
    std::fprintf(stream, "ambiguous: %d matching vertices have original vertices at two or more positions within "
                         "the tolerance; %s",
                 d.ambiguous_count, d.ambiguous_count > d.ambiguous_listed ? "the first: " : "");
    for (int32_t k = 0; k < d.ambiguous_listed; ++k) std::fprintf(stream, "%s%d", k ? ", " : "", d.ambiguous[k]);
    std::fputc('\n', stream);
    if (options.strict && code == -7) std::fprintf(stream, "--strict refuses ambiguous vertices\n");
}

void PrintLibraryWarning(std::FILE* stream, const ConvertDiagnostics& d) {
    if (d.library_missing) {
        std::fprintf(stream, "warning: the matching file's library \"%s\" didn't load", d.library_name);
        if (d.faces_without_material > 0)
            std::fprintf(stream, "; the new file leaves %d faces without a material", d.faces_without_material);
        std::fputc('\n', stream);
    } else if (d.faces_without_material > 0) {
        std::fprintf(stream,
                     "warning: the new file leaves %d faces without a material (the matching file's library "
                     "doesn't define theirs)\n",
                     d.faces_without_material);
    }
}

}  // namespace

void PrintConvertDiagnostics(std::FILE* stream, int32_t code, const ConvertOptions& options,
                             const ConvertDiagnostics& d) {
    if (code == -2 || code == -3 || code == -4) PrintReason(stream, d.reason);
    if (d.repaired > 0) std::fprintf(stream, "finished an interrupted earlier write of the new file\n");
    if (code == 1 && d.write_notice[0]) {
        WriteText(stream, d.write_notice, std::strlen(d.write_notice));
        std::fputc('\n', stream);
    }
    if (options.automatic_tolerance && d.tolerance > 0)
        std::fprintf(stream, "tolerance: %s (auto)\n", Exact(d.tolerance).text);
    if (code == -5 && d.missing_count >= 0) PrintCountDiagnosis(stream, d);
    if (d.ambiguous_count > 0) PrintAmbiguity(stream, code, options, d);
    if (code == -7 && d.paired_count >= 0) PrintUnpaired(stream, d);
    if (code == 1 && options.allow_count_change && d.sharing.shared_count >= 0) {
        std::fprintf(stream, "vertex counts: original %d, matching %d\n", d.original_vertices, d.matching_vertices);
        PrintSharing(stream, d.sharing, false);
    }
    if (code == 1) PrintLibraryWarning(stream, d);
    if (code == 1 && d.topology_note[0]) PrintMessage(stream, d.topology_note);
    if (code == 1 && d.library_path[0]) {
        std::fputs("library: ", stream);
        WriteText(stream, d.library_path, std::strlen(d.library_path));
        std::fputc('\n', stream);
    }
}
