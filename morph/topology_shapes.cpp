#include "morph/topology_shapes.h"

#include "platform/block.h"
#include "platform/text.h"
#include "morph/convert.h"
#include "morph/convert_messages.h"
#include "morph/diagnosis_text.h"
#include "morph/shapes.h"
#include "morph/shapes_gltf.h"

namespace {

// The check's warnings after the note of a shape's pairing; a part of the
// base leaves the rest of it unused by design, which its part line says.
void NoteCheck(const PairingCheck& check, bool part, char* note) {
    char line[kMessageCapacity];
    for (int32_t k = 0; k < (part ? 1 : 2); ++k) {
        (k == 0 ? WriteFacesCheckLine : WriteUnusedCheckLine)(check, line, sizeof line);
        if (!line[0]) continue;
        if (note[0]) AppendText(note, kMessageCapacity, "\r\n");
        AppendText(note, kMessageCapacity, line);
    }
}

}  // namespace

int32_t LoadTopologyOriginal(const char* original_path, Model& original, char* message) {
    if (!original.LoadObj(original_path, false)) {
        WriteOriginalNotLoaded(message, original_path);
        return -2;
    }
    original.RegroupByMaterial();
    return 1;
}

int32_t FormatShapeByTopology(const Model& original, const TopologyPairingOptions& options, const char* shape_path,
                              const char* new_path, WrittenObjFiles& files, char* message, int32_t* load_error,
                              PairingCheck* check, float* keep) {
    if (!shape_path || !new_path || !message) return 0;
    Model shape;
    if (!shape.LoadObj(shape_path, false)) {
        if (load_error) *load_error = shape.load_error;
        WriteShapeNotLoaded(message, shape_path);
        return -3;
    }
    ScopedBlock<int32_t> partner(AllocateUnclearedTable<int32_t>(size_t(shape.vertex_count) + 1));
    TopologyMatch match;
    int32_t paired =
        partner.Get() && PairByTopology(original, shape, options, partner.Get(), match, message, kMessageCapacity);
    if (paired && check && CheckPairing(original, shape, partner.Get(), *check)) {
        NoteCheck(*check, options.pieces && shape.vertex_count < original.vertex_count, message);
    }
    ScopedBlock<Vertex> moved(paired ? AllocateUnclearedTable<Vertex>(size_t(original.vertex_count) + 1) : nullptr);
    // A piece cut out of the base (a sculpted head) moves its own vertices;
    // the rest of the base stays where it is.
    for (int32_t k = 0; moved.Get() && k < original.vertex_count; ++k) {
        const Vertex& at = original.vertices[k];
        moved[k] = {0, 0, at.x, at.y, at.z};
    }
    for (int32_t b = 0; moved.Get() && b < shape.vertex_count; ++b) {
        const Vertex& to = shape.vertices[b];
        moved[partner[b]] = {0, 0, to.x, to.y, to.z};
    }
    // Released before the writing makes its own blocks, which may reuse them.
    partner.Reset();
    shape.Release();
    if (moved.Get()) KeepPositions(keep, moved.Get(), original.vertex_count);
    if (moved.Get() && FormatRegroupedObjFiles(original, moved.Get(), new_path, files)) return 1;
    if (!paired) {
        if (!message[0]) CopyText(message, kMessageCapacity, "There is not enough memory to pair the vertices by connectivity.\r\n");
        return -7;
    }
    WriteNewNotSaved(message, new_path);
    return -4;
}
