#pragma once
// What the command line says after a Convert, beyond the dialog's message:
// the tolerance used, why a match failed and what would mend it, how a copy
// with another vertex count relates to the original, and what the new file
// lacks.
#include <cstdint>
#include <cstdio>

#include "morph/convert.h"

// Prints the lines that `diagnostics` and the run's code call for; `options`
// are the run's.
void PrintConvertDiagnostics(std::FILE* stream, int32_t code, const ConvertOptions& options,
                             const ConvertDiagnostics& diagnostics);
