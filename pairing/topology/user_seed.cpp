// The faces around the first vertex of each triple are searched for one
// holding the other two; a face pair fits when the steps from the first
// vertex to the others agree, counted the same way round or the opposite way.
#include "pairing/topology/user_seed.h"

#include <initializer_list>

namespace {

// How many steps on from `corner` around its face each vertex sits; false
// when the face lacks one.
bool Places(const MeshAdjacency& mesh, int32_t corner, const int32_t vertices[3], int32_t places[3]) {
    int32_t count = CornerCount(mesh, mesh.face_of[corner]);
    for (int32_t i = 0; i < 3; ++i) {
        places[i] = -1;
        for (int32_t step = 0; step < count && places[i] < 0; ++step) {
            if (mesh.corner_vertices[StepCorner(mesh, corner, step)] == vertices[i]) places[i] = step;
        }
        if (places[i] < 0) return false;
    }
    return true;
}

}  // namespace

int32_t AlignUserSeed(const MeshAdjacency& original, const MeshAdjacency& shape, const int32_t original_vertices[3],
                      const int32_t shape_vertices[3], SeedAlignment& alignment) {
    int32_t shape_places[3], original_places[3];
    const int32_t b = shape_vertices[0], a = original_vertices[0];
    for (int32_t k = shape.vertex_starts[b]; k < shape.vertex_starts[b + 1]; ++k) {
        int32_t shape_corner = shape.vertex_corners[k];
        if (!Places(shape, shape_corner, shape_vertices, shape_places)) continue;
        int32_t count = CornerCount(shape, shape.face_of[shape_corner]);
        for (int32_t j = original.vertex_starts[a]; j < original.vertex_starts[a + 1]; ++j) {
            int32_t original_corner = original.vertex_corners[j];
            if (CornerCount(original, original.face_of[original_corner]) != count) continue;
            if (!Places(original, original_corner, original_vertices, original_places)) continue;
            for (int32_t direction : {1, -1}) {
                bool fits = true;
                for (int32_t i = 1; i < 3; ++i) {
                    fits = fits && original_places[i] == (direction * shape_places[i] + count) % count;
                }
                if (!fits) continue;
                alignment = {shape_corner, original_corner, direction};
                return 1;
            }
        }
    }
    return 0;
}
