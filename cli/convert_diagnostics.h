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

// The warning of a successful run whose new file lacks materials, into text
// (cut to capacity - 1); 0 and "" when there is none.
int32_t FormatLibraryWarning(const ConvertDiagnostics& diagnostics, char* text, size_t capacity);

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

void PrintCoincidentVertices(std::FILE* stream, const TieCounts& ties);
