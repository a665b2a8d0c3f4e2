// A counting sort of the faces by a key that neighbours mostly share or
// follow each other in: the cell of a coarse grid over the positions that
// holds the face's centre, cells in row order. (Not its first corner: faces
// round a shared vertex or edge would all fall in one cell.) Whether the
// faces are scattered is judged from a sample first: in an order made by
// walking the surface, a face mostly lies in the cell of the one after it.
// Without positions, it mostly shares a vertex with it.
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

// A coarse grid over the positions: cells about kFacesACell faces' worth of
// the box each, no more of them than faces; a flat side counts a thousandth
// of the longest. A face's key is the cell of its centre, cells in row
// order; without positions, its lowest vertex.
struct PlaceGrid {
    double low[3] = {}, side = 1;
    int64_t cells[3] = {1, 1, 1}, count = 1;

    void Make(const TopologyMesh& mesh) {
        const float* p = mesh.positions;
        double high[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
        for (double& x : low) x = HUGE_VAL;
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
        double longest = 0, volume = 1;
        for (int32_t k = 0; k < 3; ++k) longest = std::max(longest, high[k] - low[k]);
        for (int32_t k = 0; k < 3; ++k) volume *= std::max({high[k] - low[k], 1e-3 * longest, 1e-30});
        side = std::cbrt(volume * kFacesACell / mesh.face_count);
        for (bool fits = false; !fits; side *= 1.25) {
            for (int32_t k = 0; k < 3; ++k) cells[k] = std::min<int64_t>(int64_t((high[k] - low[k]) / side) + 1, 1024);
            count = cells[0] * cells[1] * cells[2];
            fits = count <= std::max(mesh.face_count, 1024);
        }
        side /= 1.25;
    }

    int32_t Key(const TopologyMesh& mesh, int32_t f) const {
        const int32_t* corner = mesh.corner_vertices;
        int32_t start = mesh.face_starts[f], corners = mesh.face_starts[f + 1] - start;
        if (!mesh.positions) return *std::min_element(corner + start, corner + start + corners);
        int64_t cell[3];
        for (int32_t k = 0; k < 3; ++k) {
            double sum = 0;
            for (int32_t c = start; c < start + corners; ++c) sum += mesh.positions[3 * corner[c] + k];
            double at = (sum / corners - low[k]) / side;
            cell[k] = at >= 0 && at < double(cells[k]) ? int64_t(at) : at >= 0 ? cells[k] - 1 : 0;  // NaN: the first
        }
        return int32_t((cell[2] * cells[1] + cell[1]) * cells[0] + cell[0]);
    }
};

bool Scattered(const TopologyMesh& mesh, const PlaceGrid& grid) {
    int32_t pairs = std::min(mesh.face_count - 1, kSampled), shared = 0;
    for (int32_t k = 0; k < pairs; ++k) {
        int32_t f = int32_t(int64_t(k) * (mesh.face_count - 1) / pairs);
        shared += mesh.positions ? grid.Key(mesh, f) == grid.Key(mesh, f + 1) : ShareVertex(mesh, f, f + 1);
    }
    return 2 * shared < pairs;
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
    PlaceGrid grid;
    if (mesh.positions) grid.Make(mesh);
    if (!Scattered(mesh, grid)) return -1;
    int32_t key_count = mesh.positions ? int32_t(grid.count) : mesh.vertex_count;
    size_t faces = size_t(mesh.face_count) + 1;
    ScopedBlock<int32_t> keys(AllocateUnclearedTable<int32_t>(faces));
    for (int32_t f = 0; keys.Get() && f < mesh.face_count; ++f) keys[f] = grid.Key(mesh, f);
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
