#include "morph/diagnosis_text.h"

#include <charconv>
#include <cstdarg>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/files/reason_text.h"

namespace {
const char kFewerThanTwoPositions[] = "the original has fewer than two distinct positions";
}  // namespace

const char kNoToleranceForInfinity[] = "no tolerance pairs a vertex whose position is not finite";
const char kConnectivityReason[] = "for a copy whose positions moved too far";

ExactNumber::ExactNumber(double value) {
    *std::to_chars(text, text + sizeof text - 1, value).ptr = '\0';
}

ExactNumber::ExactNumber(float value) {
    *std::to_chars(text, text + sizeof text - 1, value).ptr = '\0';
}

void WriteReasonLine(int32_t reason, char* text, size_t capacity) {
    const char prefix[] = "reason: ";
    const size_t length = sizeof prefix - 1;
    if (capacity == 0) return;
    text[0] = '\0';
    if (reason == 0 || capacity <= length + 1) return;
    std::memcpy(text, prefix, length);
    ReasonText(reason, text + length, capacity - length);
}

void WriteCountLine(int32_t missing_count, char* text, size_t capacity) {
    if (missing_count == 0)
        std::snprintf(text, capacity, "every matching vertex sits at a position of the original: a copy whose "
                                      "vertices were split or welded");
    else
        std::snprintf(text, capacity, "%d matching vertices sit at no position of the original", missing_count);
}

void WriteSplitLine(const VertexSharing& sharing, bool would, char* text, size_t capacity) {
    std::snprintf(text, capacity, "split: %d original vertices %s shared by several matching vertices",
                  sharing.shared_count, would ? "would be" : "are");
}

void WriteWeldedLine(const VertexSharing& sharing, bool would, char* text, size_t capacity) {
    std::snprintf(text, capacity, "welded: %d original vertices %s no matching vertex", WeldedCount(sharing),
                  would ? "would have" : "have");
}

void WritePartLine(const VertexSharing& sharing, int32_t original_count, char* text, size_t capacity) {
    if (capacity == 0) return;
    text[0] = '\0';
    if (sharing.outside_count <= 0) return;
    std::snprintf(text, capacity, "part: %d of %d original vertices (the rest stay where ORIGINAL has them)",
                  original_count - sharing.outside_count, original_count);
}

void WriteSafetyText(bool safe, double smallest_distance, char* text, size_t capacity) {
    if (!std::isfinite(smallest_distance)) {
        std::snprintf(text, capacity, "not safe: %s", kFewerThanTwoPositions);
        return;
    }
    std::snprintf(text, capacity, "%s %.3g, half the smallest distance between two original positions",
                  safe ? "safe: below" : "not safe: not below", smallest_distance / 2);
}

void WriteCountAdvice(const char* count_option, const char* tolerance_option, bool moved, double smallest_distance,
                      char* text, size_t capacity) {
    if (!std::isfinite(smallest_distance)) {
        std::snprintf(text, capacity, "no pairing by position converts it: %s", kFewerThanTwoPositions);
        return;
    }
    std::snprintf(text, capacity, "%s converts a copy whose vertices were split or welded%s%s%s", count_option,
                  moved ? " (with " : "", moved ? tolerance_option : "", moved ? " when its positions moved)" : "");
}

void WriteLibraryWarning(const ConvertDiagnostics& d, char* text, size_t capacity) {
    if (capacity == 0) return;
    text[0] = '\0';
    if (d.library_missing) {
        int length = std::snprintf(text, capacity,
                                   "warning: the matching file's library \"%s\" was not found; the new file "
                                   "keeps its usemtl and mtllib lines",
                                   d.library_name);
        if (d.faces_without_material > 0 && length > 0 && size_t(length) < capacity)
            std::snprintf(text + length, capacity - size_t(length), "; the new file leaves %d faces without a material",
                          d.faces_without_material);
    } else if (d.faces_without_material > 0) {
        std::snprintf(text, capacity,
                      "warning: the new file leaves %d faces without a material (the matching file's library "
                      "doesn't define theirs)",
                      d.faces_without_material);
    }
}

namespace {

// Appends to a line cut at capacity - 1.
__attribute__((format(printf, 3, 4))) void AddTo(char* text, size_t capacity, const char* format, ...) {
    size_t used = std::strlen(text);
    if (used + 1 >= capacity) return;
    va_list values;
    va_start(values, format);
    std::vsnprintf(text + used, capacity - used, format, values);
    va_end(values);
}

}  // namespace

void WriteFacesCheckLine(const PairingCheck& check, char* text, size_t capacity) {
    if (capacity == 0) return;
    text[0] = '\0';
    if (check.faces_not_in_original == 0) return;
    const bool one = check.faces_not_in_original == 1;
    std::snprintf(text, capacity, "warning: %d %s of the matching file %s of the original once renumbered; %s",
                  check.faces_not_in_original, one ? "face" : "faces", one ? "is not a face" : "are not faces",
                  one ? "it is" : "the first:");
    for (int32_t k = 0; k < check.listed_faces; ++k) {
        AddTo(text, capacity, "%s f", k ? "," : "");
        for (int32_t c = 0; c < check.face_corners[k] && c < PairingCheck::kCornersListed; ++c)
            AddTo(text, capacity, " %d", check.faces[k][c] + 1);
        if (check.face_corners[k] > PairingCheck::kCornersListed) AddTo(text, capacity, " ...");
    }
    AddTo(text, capacity, " (the original's vertex numbers)");
}

void WriteUnusedCheckLine(const PairingCheck& check, char* text, size_t capacity) {
    if (capacity == 0) return;
    text[0] = '\0';
    if (check.unused_original_vertices == 0) return;
    const bool one = check.unused_original_vertices == 1;
    std::snprintf(text, capacity, "warning: %d original %s no matching vertex and keep%s the original's position; %s",
                  check.unused_original_vertices, one ? "vertex has" : "vertices have", one ? "s" : "",
                  one ? "it is" : "the first:");
    for (int32_t k = 0; k < check.listed_unused; ++k) AddTo(text, capacity, "%s %d", k ? "," : "", check.unused[k] + 1);
}

void WriteDroppedLinesWarning(const ConvertDiagnostics& d, char* text, size_t capacity) {
    if (capacity == 0) return;
    text[0] = '\0';
    if (d.dropped_line_corners > 0)
        std::snprintf(text, capacity,
                      "warning: %d corners of the matching file's \"l\" lines name no vertex (0, past the end or "
                      "unreadable) and were dropped, with any line left with fewer than two",
                      d.dropped_line_corners);
}
