#include "morph/shapes.h"

#include <cstdio>

#include "platform/block.h"
#include "morph/convert.h"
#include "morph/coincident_vertices.h"
#include "morph/convert_messages.h"
#include "morph/shapes_gltf.h"
#include "pairing/equal_positions.h"
#include "pairing/pairing.h"

namespace {

// "5, 9, 12" from 0-based indices, written 1-based as in the files, with
// "..." when there are more than are listed.
void ListVertices(char* text, size_t capacity, const int32_t* indices, int32_t count) {
    size_t used = 0;
    text[0] = '\0';
    int32_t listed = count < PairingFaults::kListed ? count : PairingFaults::kListed;
    for (int32_t k = 0; k < listed && used < capacity; ++k)
        used += size_t(std::snprintf(text + used, capacity - used, "%s%d", k ? ", " : "", indices[k] + 1));
    if (count > listed && used < capacity) std::snprintf(text + used, capacity - used, ", ...");
}

void WriteNotOneToOne(char* message, int32_t m, int32_t n, const PairingFaults& faults) {
    char unpaired[96];
    char shared[96];
    ListVertices(unpaired, sizeof unpaired, faults.unpaired, faults.unpaired_count);
    ListVertices(shared, sizeof shared, faults.shared, faults.shared_count);
    std::snprintf(message, kMessageCapacity,
                  "There was an error creating the morph targets.\r\nThe vertices do not pair one to one:\r\n\r\n"
                  "original: %d vertices, %d paired with no matching vertex (%s)\r\n"
                  "matching: %d vertices, %d paired with an original vertex another one has (%s)\r\n",
                  m, faults.unpaired_count, unpaired, n, faults.shared_count, shared);
}

void WriteShapeCountDiffers(char* message, int32_t matching_count, int32_t shape_count) {
    std::snprintf(message, kMessageCapacity,
                  "There was an error creating the new morph file.\r\nVertex count does not match:\r\n\r\n"
                  "matching: %d vertices\r\nshape: %d vertices\r\n",
                  matching_count, shape_count);
}

// The source of each original vertex for a matching file that is a part
// of the original or whose vertices were split or welded: the first
// matching vertex paired with it, else one paired with an original vertex
// at its position (welded to it), else -1 (outside the part: it keeps the
// original's position). 1, or 0 when memory can't be had.
int32_t SourcesOfCopy(const Model& original, const int32_t* partner, int32_t n, int32_t* source) {
    const int32_t m = original.vertex_count;
    ScopedBlock<int32_t> first(AllocateUnclearedTable<int32_t>(size_t(m)));
    ScopedBlock<int32_t> at(AllocateUnclearedTable<int32_t>(size_t(m)));  // a source per position
    if (!first.Get() || !at.Get() || !FindFirstEqualPositions(original.vertices, m, original.vertices, m, first.Get()))
        return 0;
    for (int32_t k = 0; k < m; ++k) source[k] = at[k] = -1;
    for (int32_t i = 0; i < n; ++i)
        if (source[partner[i]] < 0) source[partner[i]] = i;
    auto position = [&](int32_t k) { return first[k] >= 0 ? first[k] : k; };  // a NaN position is its own
    for (int32_t k = 0; k < m; ++k)
        if (source[k] >= 0 && at[position(k)] < 0) at[position(k)] = source[k];
    for (int32_t k = 0; k < m; ++k)
        if (source[k] < 0) source[k] = at[position(k)];
    return 1;
}

}  // namespace

void WriteShapeNotLoaded(char* message, const char* path) {
    std::snprintf(message, kMessageCapacity, "There was an error loading the shape file:\r\n\r\nfilepath: \"%s\"\r\n",
                  path);
}

ShapeFamily::~ShapeFamily() { ReleaseBlock(source); }

int32_t InvertPairing(const int32_t* partner, int32_t n, int32_t m, int32_t* source, PairingFaults& faults) {
    faults = PairingFaults{};
    for (int32_t k = 0; k < m; ++k) source[k] = -1;
    for (int32_t i = 0; i < n; ++i) {
        int32_t k = partner[i];
        if (k < 0 || k >= m) continue;
        if (source[k] < 0) {
            source[k] = i;
        } else if (faults.shared_count++ < PairingFaults::kListed) {
            faults.shared[faults.shared_count - 1] = i;
        }
    }
    for (int32_t k = 0; k < m; ++k) {
        if (source[k] >= 0) continue;
        if (faults.unpaired_count++ < PairingFaults::kListed) faults.unpaired[faults.unpaired_count - 1] = k;
    }
    return faults.unpaired_count == 0 && faults.shared_count == 0 ? 1 : 0;
}

int32_t LoadShapeFamily(const char* original_path, const char* matching_path, ShapeFamily& family,
                        OperationHost* host, char* message) {
    host->ShowStatus("Loading original file...(please wait)");
    host->StepProgress();
    if (!family.original.LoadObj(original_path, false)) {
        WriteOriginalNotLoaded(message, original_path);
        return -2;
    }
    host->ShowStatus("Loading matching file...(please wait)");
    host->StepProgress();
    if (!family.matching.LoadObjPositions(matching_path, false)) {
        WriteMatchingNotLoaded(message, matching_path);
        return -3;
    }
    return 1;
}

int32_t PairShapeFamily(ShapeFamily& family, double tolerance, char* message, int32_t* ambiguous,
                        TieCounts* ties) {
    const Model& original = family.original;
    const Model& matching = family.matching;
    const int32_t m = original.vertex_count;
    const int32_t n = matching.vertex_count;
    if (ambiguous) *ambiguous = 0;
    const bool lenient = family.allow_count_change || n < m;  // a part, or split and welded vertices
    if (m != n && !lenient) {
        WriteVertexCountsDiffer(message, m, n);
        return -5;
    }
    if (m == 0) {
        WriteNoVertices(message, m, n);
        return -6;
    }
    ScopedBlock<int32_t> partner(AllocateUnclearedTable<int32_t>(size_t(n)));
    ScopedBlock<uint8_t> flags(AllocateUnclearedTable<uint8_t>(size_t(n)));
    ReleaseBlock(family.source);
    family.source = AllocateUnclearedTable<int32_t>(size_t(m));
    int32_t found = partner.Get() && flags.Get() && family.source
                        ? FindPartners(original, matching, tolerance, partner.Get(), flags.Get())
                        : -1;
    int32_t code = 1;
    if (found != n && m != n && !family.allow_count_change) {  // no part: the count is what differs
        WriteVertexCountsDiffer(message, m, n);
        code = -5;
    } else if (found != n) {
        WriteNotAllMatched(message, found > 0 ? found : 0, n);
        code = -7;
    } else {
        // Convert's tie rule: coincident original vertices (seams) go by
        // the faces, and where nothing tells them apart a vertex already
        // where the original vertex of its own index is keeps that one.
        // MATCHING was loaded for its positions: its faces, which the ties
        // and the check both read, are read once for the two.
        Model whole;
        const Model* matching_faces = WithFaces(matching, whole);
        const Model& faced = matching_faces ? *matching_faces : matching;
        TieCounts counts;
        if (!SettleCoincidentVertices(original, faced, partner.Get(), counts, flags.Get(), tolerance)) found = -1;
        if (ties) *ties = counts;
        for (int32_t i = 0; !counts.Settled() && i < n && i < m; ++i)
            if (PositionsEqual(matching.vertices[i], original.vertices[i])) partner[i] = i;
        PairingFaults faults;
        family.sharing = VertexSharing{-1, -1};
        if (found >= 0 && !CountVertexSharing(original.vertices, m, partner.Get(), n, family.sharing)) found = -1;
        if (found < 0) {
            code = -7;  // out of memory: reported as a failed match, as the search's own failure is
            WriteNotAllMatched(message, 0, n);
        } else if (m != n && !family.allow_count_change && !IsPlainPart(family.sharing)) {
            WriteVertexCountsDiffer(message, m, n);
            code = -5;
        } else if (lenient && !SourcesOfCopy(original, partner.Get(), n, family.source)) {
            code = -7;
            WriteNotAllMatched(message, 0, n);
        } else if (lenient) {
            // Each original vertex has its source, or keeps its position.
        } else if (!InvertPairing(partner.Get(), n, m, family.source, faults)) {
            WriteNotOneToOne(message, m, n, faults);
            code = -9;
        }
        if (code == 1)
            family.checked = matching_faces && CheckPairing(original, *matching_faces, partner.Get(), family.check);
        if (ambiguous) *ambiguous = CountFlags(flags.Get(), n);
    }
    // Released before the regrouping makes its tables, which may reuse them.
    partner.Reset();
    flags.Reset();
    // Every shape's file is written from the original as regrouped here.
    if (code == 1) family.original.RegroupByMaterial();
    return code;
}

float ShapeCoordinate(float original, float matching, float shape) {
    if (shape == matching) return original;
    if (matching == original) return shape;
    return static_cast<float>(double(original) + (double(shape) - double(matching)));
}

int32_t FormatShape(const ShapeFamily& family, const char* shape_path, const char* new_path, WrittenObjFiles& files,
                    char* message, int32_t* load_error, float* keep) {
    const Model& original = family.original;
    const Model& matching = family.matching;
    if (!family.source || !shape_path || !new_path || !message) return 0;
    Model shape;
    if (!shape.LoadObjPositions(shape_path, false)) {
        if (load_error) *load_error = shape.load_error;
        WriteShapeNotLoaded(message, shape_path);
        return -3;
    }
    if (shape.vertex_count != matching.vertex_count) {
        WriteShapeCountDiffers(message, matching.vertex_count, shape.vertex_count);
        return -5;
    }
    const int32_t m = original.vertex_count;
    ScopedBlock<Vertex> moved(AllocateUnclearedTable<Vertex>(size_t(m)));
    if (moved.Get()) {
        for (int32_t k = 0; k < m; ++k) {
            const Vertex& at = original.vertices[k];
            if (family.source[k] < 0) {  // outside the part: where the original has it
                moved[k] = {0, 0, at.x, at.y, at.z};
                continue;
            }
            const Vertex& from = matching.vertices[family.source[k]];
            const Vertex& to = shape.vertices[family.source[k]];
            moved[k] = {0, 0, ShapeCoordinate(at.x, from.x, to.x), ShapeCoordinate(at.y, from.y, to.y),
                        ShapeCoordinate(at.z, from.z, to.z)};
        }
    }
    shape.Release();
    if (moved.Get()) KeepPositions(keep, moved.Get(), m);
    if (moved.Get() && FormatRegroupedObjFiles(original, moved.Get(), new_path, files)) return 1;
    WriteNewNotSaved(message, new_path);
    return -4;
}

int32_t CommitShape(WrittenObjFiles& files, const char* new_path, char* message) {
    if (CommitObjFiles(files)) return 1;
    WriteNewNotSaved(message, new_path);
    return -4;
}
