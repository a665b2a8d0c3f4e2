#pragma once
// What the command line says after a Convert, beyond the dialog's message:
// why a file didn't load or couldn't be written, the tolerance used, why a
// match failed and what would mend it, how a copy with another vertex count
// relates to the original, what the new file lacks and which library it
// wrote.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "morph/convert.h"

constexpr size_t kWarningCapacity = 2 * kPathCapacity;

// The warnings a successful run may give: about the matching file's
// library, and about `l` line corners that named no vertex.
constexpr int32_t kWarningKinds = 2;

// Warning `kind` of a successful run, into text without the "warning: "
// the prose puts before it (cut to capacity - 1); 0 and "" when there is none.
int32_t FormatWarning(const ConvertDiagnostics& diagnostics, int32_t kind, char* text, size_t capacity);

// Prints the lines that `diagnostics` and the run's code call for; `options`
// are the run's. `quiet` leaves out what only informs (the tolerance used,
// counts, the library written), keeping failures, warnings and notes.
void PrintConvertDiagnostics(std::FILE* stream, int32_t code, const ConvertOptions& options,
                             const ConvertDiagnostics& diagnostics, bool quiet = false);

// The line on matching vertices at positions several original vertices
// share: how many their faces paired, how many went by index. Nothing when
// there were none.
// The check of a pairing's warnings, a line each (the unused original
// vertices only `with_unused`).
void PrintPairingCheck(std::FILE* stream, const PairingCheck& check, bool with_unused);

// "vertex counts: ..." with the split and welded lines, for a run that
// allowed the count to change.
void PrintCountChange(std::FILE* stream, int32_t original_count, int32_t matching_count, const VertexSharing& sharing);

// "part: N of M original vertices ..." for a copy that is a part; nothing
// for a whole one.
void PrintPartLine(std::FILE* stream, const VertexSharing& sharing, int32_t original_count);

void PrintCoincidentVertices(std::FILE* stream, const TieCounts& ties);
