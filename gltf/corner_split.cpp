#include "gltf/corner_split.h"

#include <cmath>
#include <cstdint>

#include "model/corners.h"
#include "platform/hash_table.h"

namespace {

// A face is written when it has three corners or more, each at a vertex of the model.
bool Writable(const Model& model, const Face& face) {
    if (face.corner_count < 3 || !face.vertex_indices) return false;
    for (int32_t c = 0; c < face.corner_count; ++c)
        if (face.vertex_indices[c] < 0 || face.vertex_indices[c] >= model.vertex_count) return false;
    return true;
}

// The face's primitive: 0 for faces without a material, else 1 + the material.
int32_t PrimitiveSlot(const Model& model, const Face& face) {
    return face.material_index >= 0 && face.material_index < model.material_count ? face.material_index + 1 : 0;
}

int32_t TexcoordOf(const Model& model, const Face& face, int32_t c) {
    const int32_t t = face.texcoord_indices ? face.texcoord_indices[c] : kNoIndex;
    return t >= 0 && t < model.texcoord_count ? t : kNoIndex;
}

// A normal that can be made unit length: one of some finite length.
int32_t NormalOf(const Model& model, const Face& face, int32_t c) {
    const int32_t n = face.normal_indices ? face.normal_indices[c] : kNoIndex;
    if (n < 0 || n >= model.normal_count) return kNoIndex;
    const Normal& at = model.normals[n];
    const double length = std::sqrt(double(at.x) * at.x + double(at.y) * at.y + double(at.z) * at.z);
    return length > 0 && std::isfinite(length) ? n : kNoIndex;
}

// What the first pass learns of each primitive slot.
struct SlotCount {
    int32_t faces;
    int32_t first_face;  // in the face order
    int64_t corners;
    int64_t triangles;
    int64_t without_texcoord;  // corners
    int64_t without_normal;
};

// A corner looked up among the glTF vertices made so far: (v, t, n) in the
// primitive whose vertices start at `first`.
struct CornerKey {
    const CornerSplit* split;
    int32_t first, v, t, n;
};

// A slot holds its glTF vertex + 1 (0: free).
struct CornerSlots {
    static bool IsEmpty(int32_t slot) { return slot == 0; }
    static bool Matches(int32_t slot, const CornerKey& key) {
        const size_t k = size_t(slot - 1);
        return slot - 1 >= key.first && key.split->position[k] == key.v && key.split->texcoord[k] == key.t &&
               key.split->normal[k] == key.n;
    }
};

// The corners seen so far, by the hash of (primitive, vertex, texture
// coordinate, normal), at most half full.
struct CornerTable {
    ScopedBlock<int32_t> slots;
    HashTable<int32_t, CornerSlots> table;

    bool Make(int64_t corners) {
        const uint64_t size = HashCapacity(uint64_t(corners), 2);
        if (size == 0 || size > SIZE_MAX / sizeof(int32_t)) return false;
        slots.Reset(AllocateTable<int32_t>(size_t(size)));
        table = {slots.Get(), size - 1};
        return slots.Get() != nullptr;
    }
    static uint64_t Hash(int32_t primitive, int32_t v, int32_t t, int32_t n) {
        uint64_t h = uint64_t(uint32_t(v)) * 0x9E3779B97F4A7C15ull ^ uint64_t(uint32_t(t)) * 0xC2B2AE3D27D4EB4Full ^
                     uint64_t(uint32_t(n)) * 0x165667B19E3779F9ull ^
                     uint64_t(uint32_t(primitive)) * 0xD6E8FEB86659FD93ull;
        h ^= h >> 29;
        h *= 0xBF58476D1CE4E5B9ull;
        return h ^ (h >> 32);
    }
    // The vertex of the corner (v, t, n) in the primitive whose vertices
    // start at `first`, made (as split.vertex_count) when new.
    int32_t VertexOf(CornerSplit& split, int32_t primitive, int32_t first, int32_t v, int32_t t, int32_t n) {
        int32_t* slot = table.Place(CornerKey{&split, first, v, t, n}, Hash(primitive, v, t, n));
        if (*slot != 0) return *slot - 1;
        const int32_t made = split.vertex_count++;
        split.position[size_t(made)] = v;
        split.texcoord[size_t(made)] = t;
        split.normal[size_t(made)] = n;
        *slot = made + 1;
        return made;
    }
};

// Counts each slot's faces, corners and triangles, and lists the faces slot
// by slot in `order`. Returns the faces, or -1 when memory ran out.
int64_t CountSlots(const Model& model, SlotCount* counts, int32_t slot_count, ScopedBlock<const Face*>& order) {
    int64_t faces = 0;
    ForEachFace(model, [&](const Face& face) {
        if (!Writable(model, face)) return;
        SlotCount& count = counts[PrimitiveSlot(model, face)];
        ++count.faces;
        ++faces;
        count.corners += face.corner_count;
        count.triangles += face.corner_count - 2;
        for (int32_t c = 0; c < face.corner_count; ++c) {
            count.without_texcoord += TexcoordOf(model, face, c) < 0;
            count.without_normal += NormalOf(model, face, c) < 0;
        }
    });
    if (faces == 0) return 0;
    order.Reset(AllocateUnclearedTable<const Face*>(size_t(faces)));
    if (!order.Get()) return -1;
    int32_t first = 0;
    for (int32_t s = 0; s < slot_count; ++s) {
        counts[s].first_face = first;
        first += counts[s].faces;
        counts[s].faces = 0;  // counted again as they are placed
    }
    ForEachFace(model, [&](const Face& face) {
        if (!Writable(model, face)) return;
        SlotCount& count = counts[PrimitiveSlot(model, face)];
        order[size_t(count.first_face + count.faces++)] = &face;
    });
    return faces;
}

// The vertices and triangles of one slot's faces, as primitive p.
void SplitSlot(const Model& model, const SlotCount& count, const Face* const* faces, int32_t slot,
               CornerSplit& split, CornerTable& table) {
    const int32_t p = split.primitive_count++;
    GltfPrimitive& primitive = split.primitives[size_t(p)];
    primitive = {slot - 1, split.vertex_count, 0, split.index_count, 0, count.without_texcoord == 0,
                 count.without_normal == 0};
    for (int32_t f = 0; f < count.faces; ++f) {
        const Face& face = *faces[count.first_face + f];
        int32_t first = 0;
        int32_t previous = 0;
        for (int32_t c = 0; c < face.corner_count; ++c) {
            const int32_t t = primitive.has_texcoords ? TexcoordOf(model, face, c) : kNoIndex;
            const int32_t n = primitive.has_normals ? NormalOf(model, face, c) : kNoIndex;
            const int32_t k =
                table.VertexOf(split, p, primitive.first_vertex, face.vertex_indices[c], t, n) - primitive.first_vertex;
            if (c >= 2) {  // the fan's triangle (first, previous, this)
                uint32_t* to = split.indices.Get() + split.index_count;
                to[0] = uint32_t(first), to[1] = uint32_t(previous), to[2] = uint32_t(k);
                split.index_count += 3;
            }
            if (c == 0) first = k;
            previous = k;
        }
    }
    primitive.vertex_count = split.vertex_count - primitive.first_vertex;
    primitive.index_count = split.index_count - primitive.first_index;
}

}  // namespace

int32_t SplitCorners(const Model& model, CornerSplit& split) {
    const int32_t slot_count = model.material_count + 1;
    ScopedBlock<SlotCount> counts(AllocateTable<SlotCount>(size_t(slot_count)));
    ScopedBlock<const Face*> order;
    if (!counts.Get()) return 0;
    const int64_t faces = CountSlots(model, counts.Get(), slot_count, order);
    if (faces <= 0) return faces == 0 ? -1 : 0;
    int64_t corners = 0;
    int64_t triangles = 0;
    for (int32_t s = 0; s < slot_count; ++s) corners += counts[s].corners, triangles += counts[s].triangles;
    if (corners >= INT32_MAX) return 0;  // a vertex is numbered in 32 bits
    split.position.Reset(AllocateUnclearedTable<int32_t>(size_t(corners)));
    split.texcoord.Reset(AllocateUnclearedTable<int32_t>(size_t(corners)));
    split.normal.Reset(AllocateUnclearedTable<int32_t>(size_t(corners)));
    split.indices.Reset(AllocateUnclearedTable<uint32_t>(size_t(triangles) * 3));
    split.primitives.Reset(AllocateTable<GltfPrimitive>(size_t(slot_count)));
    CornerTable table;
    if (!split.position.Get() || !split.texcoord.Get() || !split.normal.Get() || !split.indices.Get() ||
        !split.primitives.Get() || !table.Make(corners))
        return 0;
    split.vertex_count = 0;
    split.index_count = 0;
    split.primitive_count = 0;
    for (int32_t s = 0; s < slot_count; ++s)
        if (counts[s].faces > 0) SplitSlot(model, counts[s], order.Get(), s, split, table);
    return 1;
}
