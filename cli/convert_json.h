#pragma once
// What a conversion or a pairing ended with, as JSON members: the same facts
// the prose after its run gives (cli/convert_diagnostics.h), as numbers and
// texts a script reads without parsing sentences.
#include <cstdint>

#include "cli/json_writer.h"
#include "morph/convert.h"

// The document's first members: its layout's version and the command.
constexpr int32_t kJsonVersion = 1;
void WriteJsonHeading(JsonWriter& json, const char* command);

// "status", "success", "message" and everything `diagnostics` holds for
// the run's code (members of the object open in `json`). `success_text` is
// the message of a run that succeeded; a declined run (-8) has none.
void WriteConvertOutcome(JsonWriter& json, int32_t code, const char* message, const char* success_text,
                         const ConvertOptions& options, const ConvertDiagnostics& diagnostics);

// "diagnosis": null for a run that succeeded (code 1), else what the text
// says after the message, for Convert's code (with --strict: `strict`).
void WriteDiagnosis(JsonWriter& json, int32_t code, bool strict, const ConvertDiagnostics& diagnostics);

// "reason": the system's words for a platform/reasons.h code, or null.
void WriteReason(JsonWriter& json, int32_t reason);

// "faces_not_in_original" and "unused_original_vertices" (null both when
// `checked` is false): the counts of the check of a pairing and the first
// few, in the original's vertex numbers from 1.
void WritePairingCheck(JsonWriter& json, bool checked, const PairingCheck& check);
// The check's warnings, as entries of the "warnings" array open in `json`.
// `part`: the copy is a part of the original, whose unused vertices its
// "part" entry explains.
void WriteCheckWarnings(JsonWriter& json, const ConvertOptions& options, const PairingCheck& check, bool part);

// "part": {"vertices", "of", "text"} for a successful pairing of a part,
// else null.
void WritePart(JsonWriter& json, bool succeeded, const VertexSharing& sharing, int32_t original_count);
