// Parts by breadth-first search over twins; the list of faces found so far
// is itself the queue.
#include "pairing/topology/mesh_parts.h"

#include "platform/block.h"

int32_t FindParts(const MeshAdjacency& mesh, MeshParts& parts) {
    ReleaseParts(parts);
    size_t faces = size_t(mesh.face_count) + 1;
    parts.faces = AllocateUnclearedTable<int32_t>(faces);
    parts.starts = AllocateUnclearedTable<int32_t>(faces);
    parts.part_of = AllocateUnclearedTable<int32_t>(faces);
    if (!parts.faces || !parts.starts || !parts.part_of) {
        ReleaseParts(parts);
        return 0;
    }
    for (int32_t f = 0; f < mesh.face_count; ++f) parts.part_of[f] = -1;
    int32_t found = 0;
    for (int32_t seed = 0; seed < mesh.face_count; ++seed) {
        if (parts.part_of[seed] >= 0) continue;
        parts.starts[parts.count] = found;
        parts.part_of[seed] = parts.count;
        parts.faces[found++] = seed;
        for (int32_t head = parts.starts[parts.count]; head < found; ++head) {
            int32_t f = parts.faces[head];
            for (int32_t c = mesh.face_starts[f]; c < mesh.face_starts[f + 1]; ++c) {
                int32_t neighbour = mesh.twins[c].face;
                if (neighbour < 0 || parts.part_of[neighbour] >= 0) continue;
                parts.part_of[neighbour] = parts.count;
                parts.faces[found++] = neighbour;
            }
        }
        ++parts.count;
    }
    parts.starts[parts.count] = found;
    return 1;
}

void ReleaseParts(MeshParts& parts) {
    ReleaseBlock(parts.faces);
    ReleaseBlock(parts.starts);
    ReleaseBlock(parts.part_of);
    parts = MeshParts{};
}
