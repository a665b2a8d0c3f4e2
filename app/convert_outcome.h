#pragma once
// The failure box of a Convert: the operation's message, then what its
// diagnosis adds (the system's reason, the true counts, how far the
// vertices without a partner are, how a copy with another vertex count
// relates to the original), and the way of matching it suggests, which the
// box offers as a button.
#include <cstddef>
#include <cstdint>

#include "app/matching_choice.h"
#include "morph/convert.h"

constexpr size_t kOutcomeCapacity = 2048;
constexpr size_t kRemedyLabelCapacity = 80;

enum class RemedyKind : int32_t { kNone, kTolerance, kConnectivity, kCountChange };

struct Remedy {
    RemedyKind kind = RemedyKind::kNone;
    double tolerance = 0;    // kTolerance
    bool automatic = false;  // kCountChange: with the automatic tolerance as well
    char label[kRemedyLabelCapacity] = "";  // the button's text
};

// `message` as the operation left it for `code` and, after it, the lines of
// `diagnostics` that `code` calls for (a run made with `options`); `remedy`
// says what to offer. Cut to capacity - 1.
void WriteConvertFailure(int32_t code, const char* message, const ConvertOptions& options,
                         const ConvertDiagnostics& diagnostics, char* text, size_t capacity, Remedy& remedy);

// The success box's text: the one line, then what the command line adds on
// success as well (the tolerance Automatic stood for, how split or welded
// vertices were shared, a library that didn't load, `l` line corners
// dropped, a part that fitted two ways).
void WriteConvertSuccess(const ConvertOptions& options, const ConvertDiagnostics& diagnostics, char* text,
                         size_t capacity);

// The choice that runs the remedy: the rest of `choice` stays as it was.
void ApplyRemedy(const Remedy& remedy, MatchingChoice& choice);

// A count with a comma between each group of three digits: "7,958".
void WriteGroupedCount(int64_t count, char* text, size_t capacity);
