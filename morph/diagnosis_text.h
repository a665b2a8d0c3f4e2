#pragma once
// The words of a conversion's diagnosis that every front end says alike:
// the command line prints them on lines of their own, the dialog in its
// failure box. Each writes one line without its line break into `text`,
// cut to capacity - 1.
#include <cstddef>
#include <cstdint>

#include "morph/convert.h"
#include "pairing/match_diagnostics.h"

// The shortest text that reads back as the value: what the user types to
// get the very same number.
struct ExactNumber {
    char text[48];
    explicit ExactNumber(double value);
    explicit ExactNumber(float value);
};

// "reason: <words>" for a platform/reasons.h code: the system's text for its
// own codes, the program's words for the rest; empty for 0.
void WriteReasonLine(int32_t reason, char* text, size_t capacity);

// A copy with another vertex count: whether its every vertex sits at a
// position of the original (missing_count 0: split or welded vertices) or
// how many don't.
void WriteCountLine(int32_t missing_count, char* text, size_t capacity);

// "split: ..." and "welded: ..." for the sharing; `would`: the sharing a
// pairing would make, for a run that refused.
void WriteSplitLine(const VertexSharing& sharing, bool would, char* text, size_t capacity);
void WriteWeldedLine(const VertexSharing& sharing, bool would, char* text, size_t capacity);

// "part: 200 of 400 original vertices (...)" for a copy that is a part of
// the original; empty for a whole one.
void WritePartLine(const VertexSharing& sharing, int32_t original_count, char* text, size_t capacity);

// Why a tolerance is safe or not: "safe: below 0.0123, half the smallest
// distance between two original positions" or "not safe: not below ...";
// for an original without two distinct positions (an infinite smallest
// distance), that it has fewer than two.
void WriteSafetyText(bool safe, double smallest_distance, char* text, size_t capacity);

// For a vertex without a finite position.
extern const char kNoToleranceForInfinity[];

// What pairs a copy no safe tolerance pairs, after the option or button
// that pairs by connectivity: "... , for a copy whose positions moved too far".
extern const char kConnectivityReason[];

// What converts a copy whose vertices were split or welded: `count_option`,
// and `tolerance_option` as well when `moved` (some of its positions are at
// no position of the original). For an original without two distinct
// positions (`smallest_distance` infinite), that pairing by position can't
// convert the copy: every vertex would pair onto the one position.
void WriteCountAdvice(const char* count_option, const char* tolerance_option, bool moved, double smallest_distance,
                      char* text, size_t capacity);

// A successful run whose matching file named a library that didn't load, or
// whose faces name materials the library doesn't define: "warning: ...";
// empty when neither.
void WriteLibraryWarning(const ConvertDiagnostics& diagnostics, char* text, size_t capacity);

// What the check of the pairing found, each "warning: ..." or empty: the
// copy's faces that are not the original's once renumbered, and (where the
// copy was not declared split or welded, whose text says it otherwise) the
// original vertices no matching vertex took; each with the first few in the
// original's vertex numbers.
void WriteFacesCheckLine(const PairingCheck& check, char* text, size_t capacity);
void WriteUnusedCheckLine(const PairingCheck& check, char* text, size_t capacity);

// A successful run that dropped corners of the matching file's `l` lines
// naming no vertex: "warning: ..."; empty when none were.
void WriteDroppedLinesWarning(const ConvertDiagnostics& diagnostics, char* text, size_t capacity);
