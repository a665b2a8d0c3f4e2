#include "morph/batch.h"

#include "platform/block.h"
#include "morph/convert.h"
#include "morph/convert_messages.h"
#include "morph/renumber_vertices.h"

namespace {

// Pairs and renumbers `matching` within the tolerance, or exactly with a
// vertex count of its own; 1, or -7 with its message.
int32_t RenumberByPartners(Model& matching, const Model& original, double tolerance, char* message,
                           ConvertNotes& notes) {
    const int32_t n = matching.vertex_count;
    int32_t* partner = AllocateUnclearedTable<int32_t>(size_t(n));
    uint8_t* ambiguous = AllocateUnclearedTable<uint8_t>(size_t(n));
    int32_t found = partner && ambiguous ? FindPartners(original, matching, tolerance, partner, ambiguous) : -1;
    int32_t renumbered = found == n && RenumberToOriginal(matching, original, partner);
    notes.ambiguous_count = found == n ? CountFlags(ambiguous, n) : 0;
    ReleaseBlock(partner);
    ReleaseBlock(ambiguous);
    if (renumbered) return 1;
    WriteNotAllMatched(message, found > 0 ? found : 0, n);
    return -7;
}

}  // namespace

int32_t LoadOriginal(Model& original, const char* path, OperationHost* host, char* message) {
    host->ShowStatus("Loading original file...(please wait)");
    host->StepProgress();
    if (original.LoadObjPositions(path, false)) return 1;
    WriteOriginalNotLoaded(message, path);
    return -2;
}

int32_t ConvertAgainstOriginal(const Model& original, const char* matching_path, const char* new_path,
                               const PairingChoice& choice, OperationHost* host, char* message,
                               ConvertNotes* notes) {
    if (!matching_path || !new_path || !host || !message) return 0;
    ConvertNotes ignored;
    ConvertNotes& noted = notes ? *notes : ignored;
    noted = ConvertNotes{};
    Model matching;
    host->ShowStatus("Loading matching file...(please wait)");
    host->StepProgress();
    if (!matching.LoadObj(matching_path, false)) {
        WriteMatchingNotLoaded(message, matching_path);
        return -3;
    }
    const bool same_count = original.vertex_count == matching.vertex_count;
    if (!same_count && !choice.allow_count_change) {
        WriteVertexCountsDiffer(message, original.vertex_count, matching.vertex_count);
        return -5;
    }
    if (original.vertex_count == 0 || matching.vertex_count == 0) {
        WriteNoVertices(message, original.vertex_count, matching.vertex_count);
        return -6;
    }
    int32_t original_faces = original.TotalFaceCount();
    int32_t matching_faces = matching.TotalFaceCount();
    if (original_faces != matching_faces) {
        char question[kPathCapacity];
        WriteFaceCountQuestion(question, kPathCapacity, original_faces, matching_faces);
        if (!host->AskToContinue(question, "Warning")) return -8;
    }

    host->ShowStatus("Matching vertices...(please wait)");
    if (same_count && choice.tolerance == 0) {
        int32_t match_count = 0;
        if (!matching.MatchVertices(original, match_count, host)) {
            WriteNotAllMatched(message, match_count, matching.vertex_count);
            return -7;
        }
    } else if (int32_t code = RenumberByPartners(matching, original, choice.tolerance, message, noted); code != 1) {
        return code;
    }

    host->SetProgress(1, 1);
    host->ShowStatus("Saving file...(please wait)");
    if (!matching.WriteObjFile(new_path)) {
        WriteNewNotSaved(message, new_path);
        return -4;
    }
    return 1;
}
