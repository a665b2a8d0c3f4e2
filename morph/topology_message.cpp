// Faces are named the way the files write them, "f 12 13 40" with 1-based
// vertex numbers, so that the user can search for them in either file or
// find them in a 3D program's vertex numbering.
#include "morph/topology_message.h"

#include <cstdarg>
#include <cstdio>

#include "pairing/topology/alike_parts.h"

namespace {

constexpr int32_t kPartsNamed = 3;  // of each list: the message must stay short enough for a message box

struct Text {
    char* out;
    int32_t capacity;
    int32_t used = 0;

    void Add(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        if (used >= capacity - 1) return;
        va_list values;
        va_start(values, format);
        int written = std::vsnprintf(out + used, size_t(capacity - used), format, values);
        va_end(values);
        if (written > 0) used = written < capacity - used ? used + written : capacity - 1;
    }

    void Face(const int32_t* vertices, int32_t count, int32_t listed) {
        Add("f");
        for (int32_t i = 0; i < count && i < listed; ++i) Add(" %d", vertices[i] + 1);
        if (count > listed) Add(" ...");
    }
    void Face(const TopologyFace& face) { Face(face.vertices, face.corner_count, kTopologyCornerCapacity); }
    void Face(const TopologyMesh& mesh, int32_t face) {
        int32_t start = mesh.face_starts[face];
        Face(mesh.corner_vertices + start, mesh.face_starts[face + 1] - start, kTopologyCornerCapacity);
    }
};

// The first seed that names a vertex its file lacks, or one vertex twice.
bool DescribeSeedRange(Text& text, const TopologyMesh& original, const TopologyMesh& shape,
                       const TopologyPairingOptions& options, const TopologyNames& names) {
    for (int32_t s = 0; s < options.seed_count && options.seeds; ++s) {
        const TopologySeed& seed = options.seeds[s];
        for (int32_t k = 0; k < 2; ++k) {
            const int32_t* v = k == 0 ? seed.original : seed.shape;
            const TopologyMesh& mesh = k == 0 ? original : shape;
            const char* name = k == 0 ? names.original : names.shape;
            for (int32_t i = 0; i < 3; ++i) {
                if (v[i] < 0 || v[i] >= mesh.vertex_count) {
                    text.Add("Seed %d names vertex %d of %s, which has %d vertices.\r\n", s + 1, v[i] + 1, name,
                             mesh.vertex_count);
                    return true;
                }
                if (v[i] == v[(i + 1) % 3]) {
                    text.Add("Seed %d names vertex %d of %s twice.\r\n", s + 1, v[i] + 1, name);
                    return true;
                }
            }
        }
    }
    return false;
}

// Whether some face of mesh holds all three vertices.
bool FaceHolds(const TopologyMesh& mesh, const int32_t vertices[3]) {
    for (int32_t f = 0; f < mesh.face_count; ++f) {
        int32_t found = 0;
        for (int32_t c = mesh.face_starts[f]; c < mesh.face_starts[f + 1]; ++c) {
            int32_t v = mesh.corner_vertices[c];
            found |= (v == vertices[0]) | (v == vertices[1]) << 1 | (v == vertices[2]) << 2;
        }
        if (found == 7) return true;
    }
    return false;
}

void DescribeSeedFaces(Text& text, const TopologyMesh& original, const TopologyMesh& shape,
                       const TopologyPairingOptions& options, const TopologyNames& names) {
    for (int32_t s = 0; s < options.seed_count; ++s) {
        const TopologySeed& seed = options.seeds[s];
        for (int32_t k = 0; k < 2; ++k) {
            const int32_t* v = k == 0 ? seed.original : seed.shape;
            if (FaceHolds(k == 0 ? original : shape, v)) continue;
            text.Add("Seed %d: no face of %s holds its vertices %d, %d and %d.\r\n", s + 1,
                     k == 0 ? names.original : names.shape, v[0] + 1, v[1] + 1, v[2] + 1);
            return;
        }
    }
    text.Add("The seed's vertices lie on one face in each file, but not in the same order round it (either way"
             " round), or on faces with different corner counts.\r\n");
}

void DescribeFaces(Text& text, const TopologyMatch& result, const TopologyNames& names) {
    if (result.shape_face.face >= 0) {
        text.Add("The connectivity first differs at face ");
        text.Face(result.shape_face);
        text.Add(" of %s", names.shape);
        if (result.original_face.face < 0) {
            return text.Add(", which has no corresponding face in %s.\r\n", names.original);
        }
        text.Add("; the corresponding face of %s is ", names.original);
        text.Face(result.original_face);
        text.Add(".\r\n");
        if (!result.symmetric_difference) return;
        return text.Add("The mesh fits itself more than one way (it is symmetric), so the face named may be a mirror "
                        "image or a turn of the one that differs.\r\n");
    }
    if (result.original_face.face < 0) return;
    text.Add("Face ");
    text.Face(result.original_face);
    text.Add(" of %s has no corresponding face in %s.\r\n", names.original, names.shape);
}

// The parts listed, each by the size and first face of it.
void DescribeParts(Text& text, const TopologyPart* parts, int32_t count, const TopologyMesh& shape) {
    for (int32_t k = 0; k < count && k < kPartsNamed && k < kTopologyListCapacity; ++k) {
        text.Add("  the part of %d faces with face ", parts[k].face_count);
        text.Face(shape, parts[k].first_face);
        text.Add("\r\n");
    }
    if (count > kPartsNamed) text.Add("  and %d more\r\n", count - kPartsNamed);
}

void DescribeUnseeded(Text& text, const TopologyMatch& result, const TopologyMesh& shape, const TopologyNames& names,
                      double seeding_tolerance) {
    if (result.unseeded_count == 0) return;
    text.Add("%d connected part%s of %s could not be seeded: no vertex there sits at a position of %s, and none "
             "is connected distinctly enough to find its counterpart:\r\n",
             result.unseeded_count, result.unseeded_count > 1 ? "s" : "", names.shape, names.original);
    DescribeParts(text, result.unseeded, result.unseeded_count, shape);
    if (seeding_tolerance > 0) {
        text.Add("--tolerance %g seeds %s from positions: a vertex of each lies that near a position of %s, and no "
                 "other position of it is as near. Failing that, a seed",
                 seeding_tolerance, result.unseeded_count > 1 ? "them" : "it", names.original);
        return text.Add(" for each (three vertices of one of its faces and their counterparts in %s) pairs it.\r\n",
                        names.original);
    }
    text.Add("A seed for each (three vertices of one of its faces and their counterparts in %s) pairs it.\r\n",
             names.original);
}

void DescribeTurned(Text& text, const TopologyMatch& result, const TopologyNames& names) {
    int32_t count = result.turned_face_count;
    if (count == 0 || result.turned_face.face < 0) return;
    bool refused = result.failure == kTopologyTurnedFaces;
    text.Add("%s%d face%s of %s run%s the other way round from the faces around %s (turned over); the first is face ",
             refused ? "" : "Note: ", count, count > 1 ? "s" : "", names.shape, count > 1 ? "" : "s",
             count > 1 ? "them" : "it");
    text.Face(result.turned_face);
    if (refused) return text.Add(".\r\n--strict refuses faces turned over: turn them back, or pair without --strict.\r\n");
    text.Add(". Every edge is there, so %s paired all the same.\r\n", count > 1 ? "they were" : "it was");
}

void DescribeFailure(Text& text, const TopologyMatch& result, const TopologyMesh& original, const TopologyMesh& shape,
                     const TopologyPairingOptions& options, const TopologyNames& names, double seeding_tolerance) {
    switch (result.failure) {
        case kTopologyNoMemory:
            return text.Add("There is not enough memory to pair the vertices by connectivity.\r\n");
        case kTopologyCountsDiffer:
            return text.Add("Vertex count does not match:\r\n\r\n%s: %d vertices\r\n%s: %d vertices\r\n",
                            names.original, original.vertex_count, names.shape, shape.vertex_count);
        case kTopologyBadInput:
            if (DescribeSeedRange(text, original, shape, options, names)) return;
            return text.Add("The faces of %s were not loaded; pairing by connectivity needs them.\r\n",
                            original.face_starts ? names.shape : names.original);
        case kTopologyBadSeed:
            return DescribeSeedFaces(text, original, shape, options, names);
        default:
            break;
    }
    if (result.failure == kTopologyTurnedFaces) return DescribeTurned(text, result, names);
    if (result.unjoined_face_count > 0) {
        text.Add("%s has %d faces more than %s, as if its quads were split into triangles, but they could not be "
                 "joined again into the faces of %s: export it with quads.\r\n",
                 names.shape, result.unjoined_face_count, names.original, names.original);
        if (result.unjoined_face.face >= 0) {
            text.Add("The first face that could not be joined is face ");
            text.Face(result.unjoined_face);
            text.Add(" of %s.\r\n", names.shape);
        }
    }
    DescribeFaces(text, result, names);
    DescribeUnseeded(text, result, shape, names, seeding_tolerance);
    if (result.unpaired_count > 0 && result.failure == kTopologyUnpairedVertices) {
        text.Add("%d vertices of %s are in no face and sit at no position of %s; the first is vertex %d.\r\n",
                 result.unpaired_count, names.shape, names.original, result.first_unpaired + 1);
    }
    text.Add("\r\nPaired %d of %d vertices.\r\n", result.paired_count, shape.vertex_count);
}

void DescribeSymmetry(Text& text, const TopologyMatch& result, const TopologyMesh& shape, const TopologyNames& names) {
    text.Add("Note: the faces of %s fit those of %s two ways, as a mirror image or a turned copy would. The way "
             "whose positions lie nearer was taken, but the other is less than 1 %% farther, so left and right "
             "(or the ends) may be swapped: check the result, or give a seed to decide.\r\n",
             names.shape, names.original);
    if (result.part_count > 1) DescribeParts(text, result.symmetric, result.symmetric_count, shape);
}

// A match whose choices it can't be sure of, refused: which, and what
// makes them sure.
void DescribeUnsure(Text& text, const TopologyMatch& result, const TopologyMesh& shape, const TopologyNames& names) {
    text.Add("The vertices could not be paired by connectivity for certain.\r\n");
    if (result.symmetric_count > 0) {
        text.Add("The faces of %s fit those of %s two ways, as a mirror image or a turned copy would, and the other "
                 "way is less than 1 %% farther:\r\n", names.shape, names.original);
        DescribeParts(text, result.symmetric, result.symmetric_count, shape);
    }
    if (result.ambiguous_part_count > 0) {
        text.Add("%d parts of %s are alike (the same connectivity) and %d of them had another part of %s nearly as "
                 "near (within %.1f times the distance), so they may be swapped.\r\n",
                 result.alike_part_count, names.shape, result.ambiguous_part_count, names.original, kAlikeMargin);
    }
    text.Add("To pair them for certain, pair by position with the copy as it was before sculpting (shapes ORIGINAL "
             "MATCHING SHAPE...), or give a seed for each such part; --accept-unsure takes the nearer choice.\r\n");
}

}  // namespace

void DescribeTopologyMatch(const TopologyMatch& result, const TopologyMesh& original, const TopologyMesh& shape,
                           const TopologyPairingOptions& options, const TopologyNames& names, char* message,
                           int32_t capacity, double seeding_tolerance, bool refused_unsure) {
    if (!message || capacity <= 0) return;
    message[0] = '\0';
    Text text{message, capacity};
    if (refused_unsure) return DescribeUnsure(text, result, shape, names);
    if (result.failure != kTopologyPaired) {
        text.Add("The vertices could not be paired by connectivity.\r\n");
        DescribeFailure(text, result, original, shape, options, names, seeding_tolerance);
        return;
    }
    if (result.symmetric_count > 0) DescribeSymmetry(text, result, shape, names);
    DescribeTurned(text, result, names);
    if (result.alike_part_count > 1 && result.ambiguous_part_count == 0) {
        text.Add("Note: %d parts of %s are alike (the same connectivity) and were paired by where they lie, each with "
                 "the part of %s nearest by far.\r\n", result.alike_part_count, names.shape, names.original);
    } else if (result.alike_part_count > 1) {
        text.Add("Note: %d parts of %s are alike (the same connectivity) and were paired by where they lie; %d of "
                 "them had another part of %s nearly as near (within %.1f times the distance), so those may be "
                 "swapped.\r\n",
                 result.alike_part_count, names.shape, result.ambiguous_part_count, names.original, kAlikeMargin);
    } else if (result.alike_part_count > 1) {
        // None was in doubt: a note that counts zero of them only confuses.
        text.Add("Note: %d parts of %s are alike (the same connectivity) and were paired by where they lie.\r\n",
                 result.alike_part_count, names.shape);
    }
    if (result.joined_polygon_count > 0) {
        text.Add("Note: %s has its quads and polygons split into triangles; %d faces of %s were joined again from "
                 "their triangles, %d of them of more than four corners.\r\n",
                 names.shape, result.joined_face_count, names.original, result.joined_polygon_count);
    } else if (result.joined_face_count > 0) {
        text.Add("Note: %s has its quads split into triangles; %d pairs of triangles were paired as one quad of %s "
                 "each.\r\n", names.shape, result.joined_face_count, names.original);
    }
}
