#include "cli/convert_json.h"

#include "cli/convert_diagnostics.h"
#include "cli/file_run.h"
#include "cli/reasons.h"
#include "morph/diagnosis_text.h"
#include "platform/files/reason_text.h"

namespace {

void WriteSharing(JsonWriter& json, const char* key, const VertexSharing& sharing) {
    json.BeginObject(key);
    json.Integer("split", sharing.shared_count);
    json.Integer("welded", WeldedCount(sharing));
    json.End();
}

void WriteUnpaired(JsonWriter& json, const ConvertDiagnostics& d) {
    json.BeginObject("unmatched");
    json.Integer("matched", d.paired_count);
    json.Integer("total", d.paired_count + d.unpaired_count);
    json.Integer("without_partner", d.unpaired_count);
    json.BeginArray("first");
    for (int32_t k = 0; k < d.listed_count; ++k) {
        const UnpairedVertex& v = d.listed[k];
        json.BeginObject();
        json.Integer("vertex", v.number);
        json.BeginArray("position");
        for (float c : {v.x, v.y, v.z}) json.Number(nullptr, c);
        json.End();
        if (v.nearest > 0) {
            json.Integer("nearest", v.nearest);
            json.Number("distance", v.distance);
        } else {
            json.Null("nearest");
            json.Null("distance");
        }
        json.End();
    }
    json.End();
    // Infinity: no tolerance pairs a vertex whose position is not finite.
    if (d.suggested_tolerance > 0) {
        json.Number("suggested_tolerance", d.suggested_tolerance);
        json.Boolean("suggestion_safe", d.suggestion_safe != 0);
        json.Number("smallest_distance", d.smallest_distance);
    }
    json.End();
}

}  // namespace

void WriteDiagnosis(JsonWriter& json, int32_t code, bool strict, const ConvertDiagnostics& d) {
    if (code == 1) return json.Null("diagnosis");
    json.BeginObject("diagnosis");
    if (code == -2 || code == -3 || code == -4) WriteReason(json, d.reason);
    if (code == -5 && d.missing_count >= 0) {
        json.BeginObject("count_change");
        json.Integer("missing", d.missing_count);
        WriteSharing(json, "would_share", d.sharing);
        json.End();
    }
    if (code == -7 && d.paired_count >= 0) WriteUnpaired(json, d);
    if (code == -7 && strict && d.ambiguous_count > 0) json.Boolean("strict_refused_ambiguous", true);
    json.End();
}

void WriteJsonHeading(JsonWriter& json, const char* command) {
    json.Integer("version", kJsonVersion);
    json.Text("command", command);
}

void WriteReason(JsonWriter& json, int32_t reason) {
    char text[kReasonNoteCapacity];
    ReasonText(reason, text, sizeof text);
    json.Text("reason", reason ? text : nullptr);
}

void WritePairingCheck(JsonWriter& json, bool checked, const PairingCheck& check) {
    if (!checked) {
        json.Null("faces_not_in_original");
        json.Null("unused_original_vertices");
        return;
    }
    json.BeginObject("faces_not_in_original");
    json.Integer("count", check.faces_not_in_original);
    json.BeginArray("first");
    for (int32_t k = 0; k < check.listed_faces; ++k) {
        json.BeginArray(nullptr);
        for (int32_t c = 0; c < check.face_corners[k] && c < PairingCheck::kCornersListed; ++c)
            json.Integer(nullptr, check.faces[k][c] + 1);
        json.End();
    }
    json.End();
    json.End();
    json.BeginObject("unused_original_vertices");
    json.Integer("count", check.unused_original_vertices);
    json.BeginArray("first");
    for (int32_t k = 0; k < check.listed_unused; ++k) json.Integer(nullptr, check.unused[k] + 1);
    json.End();
    json.End();
}

void WriteCheckWarnings(JsonWriter& json, const ConvertOptions& options, const PairingCheck& check, bool part) {
    char line[kWarningCapacity];
    WriteFacesCheckLine(check, line, sizeof line);
    if (line[0]) json.Text(nullptr, line + 9);  // without "warning: "
    WriteUnusedCheckLine(check, line, sizeof line);
    if (line[0] && !options.allow_count_change && !part) json.Text(nullptr, line + 9);
}

void WritePart(JsonWriter& json, bool succeeded, const VertexSharing& sharing, int32_t original_count) {
    if (!succeeded || sharing.outside_count <= 0) return json.Null("part");
    char line[kWarningCapacity];
    WritePartLine(sharing, original_count, line, sizeof line);
    json.BeginObject("part");
    json.Integer("vertices", original_count - sharing.outside_count);
    json.Integer("of", original_count);
    json.Text("text", line);
    json.End();
}

void WriteConvertOutcome(JsonWriter& json, int32_t code, const char* message, const char* success_text,
                         const ConvertOptions& options, const ConvertDiagnostics& d) {
    json.Integer("status", ConvertExitStatus(code, d.reason));
    json.Boolean("success", code == 1);
    json.Boolean("declined", code == -8);
    json.Message("message", code == 1 ? success_text : code == -8 ? nullptr : message);
    if (code == -1) return;
    json.BeginObject("vertices");
    json.Integer("original", d.original_vertices);
    json.Integer("matching", d.matching_vertices);
    json.End();
    json.BeginObject("tolerance");
    json.Number("value", d.tolerance);
    json.Boolean("automatic", options.automatic_tolerance);
    json.End();
    json.BeginObject("ambiguous");
    json.Integer("count", d.ambiguous_count);
    json.BeginArray("first");
    for (int32_t k = 0; k < d.ambiguous_listed; ++k) json.Integer(nullptr, d.ambiguous[k]);
    json.End();
    json.End();
    json.BeginObject("coincident");
    json.Integer("by_faces", d.coincident.broken);
    json.Integer("by_index", d.coincident.unbroken);
    json.End();
    if (code == 1 && options.allow_count_change && d.sharing.shared_count >= 0)
        WriteSharing(json, "sharing", d.sharing);
    else
        json.Null("sharing");
    WritePart(json, code == 1, d.sharing, d.original_vertices);
    json.BeginArray("warnings");
    char warning[kWarningCapacity];
    for (int32_t kind = 0; kind < kWarningKinds; ++kind)
        if (code == 1 && FormatWarning(d, kind, warning, sizeof warning)) json.Text(nullptr, warning);
    if (code == 1 && d.checked) WriteCheckWarnings(json, options, d.check, d.sharing.outside_count > 0);
    json.End();
    WritePairingCheck(json, code == 1 && d.checked, d.check);
    json.Message("note", code == 1 && d.topology_note[0] ? d.topology_note : nullptr);
    json.Boolean("refused_unsure", code != 1 && d.refused_unsure);
    json.Text("library", code == 1 && d.library_path[0] ? d.library_path : nullptr);
    json.Boolean("finished_interrupted_write", d.repaired > 0);
    json.Text("files_beside", code != -4 && d.write_notice[0] ? d.write_notice : nullptr);
    WriteDiagnosis(json, code, options.strict, d);
}
