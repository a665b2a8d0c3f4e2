#include "app/convert_outcome.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "model/records.h"
#include "morph/diagnosis_text.h"
#include "platform/text.h"

namespace {

constexpr size_t kLineCapacity = 256;

// Appends a line and its line break.
void AppendLine(char* text, size_t capacity, const char* line) {
    AppendText(text, capacity, line);
    AppendText(text, capacity, "\r\n");
}

void DescribeCounts(const ConvertDiagnostics& d, char* text, size_t capacity, Remedy& remedy) {
    char line[kLineCapacity];
    WriteCountLine(d.missing_count, line, sizeof line);
    AppendLine(text, capacity, line);
    WriteSplitLine(d.sharing, true, line, sizeof line);
    AppendLine(text, capacity, line);
    WriteWeldedLine(d.sharing, true, line, sizeof line);
    AppendLine(text, capacity, line);
    const bool moved = d.missing_count != 0;
    WriteCountAdvice("\"The copy may split or weld vertices\"", "\"Allow small differences\"", moved,
                     d.smallest_distance, line, sizeof line);
    AppendLine(text, capacity, line);
    // Every vertex would pair onto the original's one position: no button leads there.
    if (!std::isfinite(d.smallest_distance)) return;
    remedy.kind = RemedyKind::kCountChange;
    remedy.automatic = moved;
    CopyText(remedy.label, kRemedyLabelCapacity, "Convert with split or welded vertices");
}

// The tolerance that pairs every vertex when it is safe, else connectivity.
void Suggest(const ConvertDiagnostics& d, char* text, size_t capacity, Remedy& remedy) {
    char line[kLineCapacity];
    char safety[kLineCapacity / 2];
    if (std::isinf(d.suggested_tolerance)) {
        AppendLine(text, capacity, kNoToleranceForInfinity);
    } else if (d.suggested_tolerance > 0) {
        WriteSafetyText(d.suggestion_safe, d.smallest_distance, safety, sizeof safety);
        std::snprintf(line, sizeof line, "%s %s (%s)", d.suggestion_safe ? "suggested: tolerance" : "tolerance",
                      ExactNumber(d.suggested_tolerance).text, safety);
        AppendLine(text, capacity, line);
        if (d.suggestion_safe) {
            remedy.kind = RemedyKind::kTolerance;
            remedy.tolerance = d.suggested_tolerance;
            std::snprintf(remedy.label, kRemedyLabelCapacity, "Convert with tolerance %s",
                          ExactNumber(d.suggested_tolerance).text);
            return;
        }
    } else {
        return;
    }
    // Pairing by connectivity needs as many vertices on both sides, and
    // positions that tell a mirror image or a turn from the right fit.
    if (d.original_vertices != d.matching_vertices || !std::isfinite(d.smallest_distance)) return;
    std::snprintf(line, sizeof line, "suggested: by connectivity, %s", kConnectivityReason);
    AppendLine(text, capacity, line);
    remedy.kind = RemedyKind::kConnectivity;
    CopyText(remedy.label, kRemedyLabelCapacity, "Convert by connectivity");
}

void DescribeUnpaired(const ConvertDiagnostics& d, char* text, size_t capacity, Remedy& remedy) {
    char paired[32], total[32], unpaired[32], line[kLineCapacity];
    WriteGroupedCount(d.paired_count, paired, sizeof paired);
    WriteGroupedCount(int64_t(d.paired_count) + d.unpaired_count, total, sizeof total);
    WriteGroupedCount(d.unpaired_count, unpaired, sizeof unpaired);
    std::snprintf(line, sizeof line, "%s of %s vertices found a partner; %s have no original vertex %s", paired,
                  total, unpaired, d.tolerance > 0 ? "within the tolerance" : "at their position");
    AppendLine(text, capacity, line);
    if (d.listed_count > 0 && std::isfinite(d.largest_distance)) {
        std::snprintf(line, sizeof line, "largest distance to the nearest original vertex: %.3g",
                      d.largest_distance);
        AppendLine(text, capacity, line);
    }
    if (d.listed_count > 0) Suggest(d, text, capacity, remedy);
}

}  // namespace

void WriteGroupedCount(int64_t count, char* text, size_t capacity) {
    char digits[24];
    int length = std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(count < 0 ? -count : count));
    char grouped[32];
    size_t at = 0;
    if (count < 0) grouped[at++] = '-';
    for (int k = 0; k < length; ++k) {
        if (k > 0 && (length - k) % 3 == 0) grouped[at++] = ',';
        grouped[at++] = digits[k];
    }
    CopyText(text, capacity, grouped, at);
}

void WriteConvertFailure(int32_t code, const char* message, const ConvertOptions& options,
                         const ConvertDiagnostics& d, char* text, size_t capacity, Remedy& remedy) {
    remedy = Remedy{};
    CopyText(text, capacity, message);
    if (code == -2 || code == -3 || code == -4) {
        char reason[kLineCapacity];
        WriteReasonLine(d.reason, reason, sizeof reason);
        if (reason[0]) AppendLine(text, capacity, reason);
        return;
    }
    if (code == -5 && d.missing_count >= 0) {
        AppendText(text, capacity, "\r\n");
        DescribeCounts(d, text, capacity, remedy);
    } else if (code == -7 && d.paired_count >= 0 && !options.by_topology) {
        AppendText(text, capacity, "\r\n");
        DescribeUnpaired(d, text, capacity, remedy);
    }
}

void WriteConvertSuccess(const ConvertOptions& options, const ConvertDiagnostics& d, char* text, size_t capacity) {
    CopyText(text, capacity, "The morph was created successfully.");
    char notes[kOutcomeCapacity] = "";
    char line[kLineCapacity + kPathCapacity];
    if (options.automatic_tolerance && d.tolerance > 0) {
        std::snprintf(line, sizeof line, "tolerance: %s (auto)", ExactNumber(d.tolerance).text);
        AppendLine(notes, sizeof notes, line);
    }
    if (options.allow_count_change && d.sharing.shared_count >= 0) {
        std::snprintf(line, sizeof line, "vertex counts: original %d, matching %d", d.original_vertices,
                      d.matching_vertices);
        AppendLine(notes, sizeof notes, line);
        WriteSplitLine(d.sharing, false, line, sizeof line);
        AppendLine(notes, sizeof notes, line);
        WriteWeldedLine(d.sharing, false, line, sizeof line);
        AppendLine(notes, sizeof notes, line);
    }
    WritePartLine(d.sharing, d.original_vertices, line, sizeof line);
    if (line[0]) AppendLine(notes, sizeof notes, line);
    WriteLibraryWarning(d, line, sizeof line);
    if (line[0]) AppendLine(notes, sizeof notes, line);
    WriteDroppedLinesWarning(d, line, sizeof line);
    if (line[0]) AppendLine(notes, sizeof notes, line);
    if (d.topology_note[0]) AppendLine(notes, sizeof notes, d.topology_note);
    if (d.checked) {
        WriteFacesCheckLine(d.check, line, sizeof line);
        if (line[0]) AppendLine(notes, sizeof notes, line);
        WriteUnusedCheckLine(d.check, line, sizeof line);
        if (line[0] && !options.allow_count_change && d.sharing.outside_count <= 0) AppendLine(notes, sizeof notes, line);
    }
    if (!notes[0]) return;
    AppendText(text, capacity, "\r\n\r\n");
    AppendText(text, capacity, notes);
}

void ApplyRemedy(const Remedy& remedy, MatchingChoice& choice) {
    switch (remedy.kind) {
    case RemedyKind::kNone: return;
    case RemedyKind::kTolerance:
        choice.way = MatchingWay::kSmallDifferences;
        CopyText(choice.distance, kDistanceCapacity, ExactNumber(remedy.tolerance).text);
        return;
    case RemedyKind::kConnectivity: choice.way = MatchingWay::kConnectivity; return;
    case RemedyKind::kCountChange:
        choice.count_change = true;
        if (remedy.automatic && choice.way == MatchingWay::kExact) {
            choice.way = MatchingWay::kSmallDifferences;
            CopyText(choice.distance, kDistanceCapacity, kAutomaticDistance);
        }
        return;
    }
}
