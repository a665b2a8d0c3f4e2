// A counting sort of the faces by a key that neighbours mostly share or
// follow each other in: the cell of a coarse grid over the positions that
// holds the face's centre, cells in row order. (Not its first corner: faces
// round a shared vertex or edge would all fall in one cell.) Whether the faces are
// scattered is judged from a sample: in an order made by walking the
// surface, a face mostly lies in the cell of the one after it. Without
// positions, it mostly shares a vertex with it.
#include "pairing/topology/topology_face_order.h"

#include <algorithm>
#include <cmath>

#include "platform/block.h"

namespace {

constexpr int32_t kSampled = 4096;   // pairs of faces looked at
constexpr int32_t kFacesACell = 16;  // of a grid over a solid; a surface fills fewer cells with more

bool ShareVertex(const TopologyMesh& mesh, int32_t f, int32_t g) {
    for (int32_t c = mesh.face_starts[f]; c < mesh.face_starts[f + 1]; ++c) {
        for (int32_t d = mesh.face_starts[g]; d < mesh.face_starts[g + 1]; ++d) {
            if (mesh.corner_vertices[c] == mesh.corner_vertices[d]) return true;
        }
    }
    return false;
}

bool Scattered(const TopologyMesh& mesh, const int32_t* keys) {
    int32_t pairs = std::min(mesh.face_count - 1, kSampled), shared = 0;
    for (int32_t k = 0; k < pairs; ++k) {
        int32_t f = int32_t(int64_t(k) * (mesh.face_count - 1) / pairs);
        shared += mesh.positions ? keys[f] == keys[f + 1] : ShareVertex(mesh, f, f + 1);
    }
    return 2 * shared < pairs;
}

// Per face its key, below the returned count of keys (at least 1).
int32_t Keys(const TopologyMesh& mesh, int32_t* keys) {
    const int32_t* first = mesh.corner_vertices;
    if (!mesh.positions) {
        for (int32_t f = 0; f < mesh.face_count; ++f) {
            int32_t low = first[mesh.face_starts[f]];
            for (int32_t c = mesh.face_starts[f] + 1; c < mesh.face_starts[f + 1]; ++c) {
                low = std::min(low, first[c]);
            }
            keys[f] = low;
        }
        return mesh.vertex_count;
    }
    const float* p = mesh.positions;
    double low[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, high[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (int32_t v = 0; v < mesh.vertex_count; ++v) {
        for (int32_t k = 0; k < 3; ++k) {
            if (!std::isfinite(p[3 * v + k])) continue;
            low[k] = std::min(low[k], double(p[3 * v + k]));
            high[k] = std::max(high[k], double(p[3 * v + k]));
        }
    }
    for (int32_t k = 0; k < 3; ++k) {
        if (low[k] > high[k]) low[k] = high[k] = 0;  // no finite coordinate
    }
    // Cells about kFacesACell faces' worth of the box each, no more of them
    // than faces; a flat side counts a thousandth of the longest.
    double longest = 0;
    for (int32_t k = 0; k < 3; ++k) longest = std::max(longest, high[k] - low[k]);
    double volume = 1;
    for (int32_t k = 0; k < 3; ++k) volume *= std::max({high[k] - low[k], 1e-3 * longest, 1e-30});
    double side = std::cbrt(volume * kFacesACell / mesh.face_count);
    int64_t cells[3], count = 0;
    for (bool fits = false; !fits; side *= 1.25) {
        for (int32_t k = 0; k < 3; ++k) cells[k] = std::min<int64_t>(int64_t((high[k] - low[k]) / side) + 1, 1024);
        count = cells[0] * cells[1] * cells[2];
        fits = count <= std::max(mesh.face_count, 1024);
    }
    side /= 1.25;
    int64_t cell[3];
    for (int32_t f = 0; f < mesh.face_count; ++f) {
        int32_t start = mesh.face_starts[f], count = mesh.face_starts[f + 1] - start;
        for (int32_t k = 0; k < 3; ++k) {
            double sum = 0;
            for (int32_t c = start; c < start + count; ++c) sum += p[3 * first[c] + k];
            double at = (sum / count - low[k]) / side;
            cell[k] = at >= 0 && at < double(cells[k]) ? int64_t(at) : at >= 0 ? cells[k] - 1 : 0;  // NaN: the first
        }
        keys[f] = int32_t((cell[2] * cells[1] + cell[1]) * cells[0] + cell[0]);
    }
    return int32_t(count);
}

void Copy(const TopologyMesh& mesh, FaceOrder& order) {
    int32_t at = 0;
    order.starts[0] = 0;
    for (int32_t g = 0; g < mesh.face_count; ++g) {
        int32_t f = order.mesh_face[g];
        for (int32_t c = mesh.face_starts[f]; c < mesh.face_starts[f + 1]; ++c) {
            order.corners[at++] = mesh.corner_vertices[c];
        }
        order.starts[g + 1] = at;
    }
}

}  // namespace

int32_t OrderFacesByPlace(const TopologyMesh& mesh, FaceOrder& order, TopologyMesh& view) {
    ReleaseFaceOrder(order);
    view = mesh;
    if (mesh.face_count < 2 || !IsWellFormed(mesh)) return -1;
    size_t faces = size_t(mesh.face_count) + 1;
    ScopedBlock<int32_t> keys(AllocateUnclearedTable<int32_t>(faces));
    int32_t key_count = keys.Get() ? Keys(mesh, keys.Get()) : 0;
    if (keys.Get() && !Scattered(mesh, keys.Get())) return -1;
    ScopedBlock<int32_t> slots(keys.Get() ? AllocateTable<int32_t>(size_t(key_count) + 1) : nullptr);
    order.starts = AllocateUnclearedTable<int32_t>(faces);
    order.corners = AllocateUnclearedTable<int32_t>(size_t(mesh.face_starts[mesh.face_count]) + 1);
    order.mesh_face = AllocateUnclearedTable<int32_t>(faces);
    bool made = keys.Get() && slots.Get() && order.starts && order.corners && order.mesh_face;
    if (made) {
        for (int32_t f = 0; f < mesh.face_count; ++f) ++slots[keys[f] + 1];
        for (int32_t k = 0; k < key_count; ++k) slots[k + 1] += slots[k];
        for (int32_t f = 0; f < mesh.face_count; ++f) order.mesh_face[slots[keys[f]]++] = f;
        Copy(mesh, order);
        view.face_starts = order.starts;
        view.corner_vertices = order.corners;
    }
    if (!made) ReleaseFaceOrder(order);
    return made ? 1 : 0;
}

void ReleaseFaceOrder(FaceOrder& order) {
    ReleaseBlock(order.starts);
    ReleaseBlock(order.corners);
    ReleaseBlock(order.mesh_face);
    order = FaceOrder{};
}
