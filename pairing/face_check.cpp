#include "pairing/face_check.h"

#include <cstdint>

#include "model/corners.h"
#include "pairing/least_rotation.h"
#include "pairing/mix_hash.h"
#include "platform/block.h"
#include "platform/hash_table.h"

namespace {

// A face seen through a vertex map (null: as it is), from its least
// rotation on.
struct Cycle {
    const int32_t* corners;
    int32_t count;
    const int32_t* map;
    int32_t start = 0;

    int32_t At(int32_t k) const { return Read(start, k); }
    int32_t Read(int32_t from, int32_t k) const {
        int32_t v = corners[(from + k) % count];
        return map ? map[v] : v;
    }
    void Settle() {
        bool periodic = false;
        auto key = [this](int32_t v) { return map ? map[v] : v; };
        start = LeastRotation(corners, count, key, periodic);
    }
    uint64_t Hash() const {
        uint64_t hash = uint64_t(count);
        for (int32_t k = 0; k < count; ++k) hash = MixHash(hash, uint64_t(uint32_t(At(k))), uint64_t(k));
        return hash;
    }
    bool Same(const Cycle& other) const {
        if (count != other.count) return false;
        for (int32_t k = 0; k < count; ++k)
            if (At(k) != other.At(k)) return false;
        return true;
    }
};

// The original's faces by the hash of their least rotation, at most half
// full, each slot the face's number from 1 (0: free) and the hash's high
// bits, so that a lookup reads one slot or two and compares corners only on
// a matching hash.
struct Slot {
    uint32_t face;
    uint32_t check;
};

struct FaceKey {
    const Cycle& cycle;
    const Cycle* faces;
    uint32_t check;  // the hash's high bits
};

struct SlotTraits {
    static bool IsEmpty(const Slot& slot) { return slot.face == 0; }
    static bool Matches(const Slot& slot, const FaceKey& key) {
        return slot.check == key.check && key.faces[slot.face - 1].Same(key.cycle);
    }
};

struct FaceTable {
    ScopedBlock<Slot> slots;
    ScopedBlock<Cycle> faces;
    HashTable<Slot, SlotTraits> table;
    uint32_t count = 0;

    bool Make(int64_t capacity) {
        uint64_t size = HashCapacity(uint64_t(capacity), 2);
        slots.Reset(AllocateTable<Slot>(size_t(size)));
        faces.Reset(AllocateUnclearedTable<Cycle>(size_t(capacity) + 1));
        table = {slots.Get(), size - 1};
        return slots.Get() && faces.Get();
    }
    // Adds the face unless the same one is there already.
    void Add(const Cycle& cycle, uint64_t hash) {
        Slot* slot = table.Place(FaceKey{cycle, faces.Get(), uint32_t(hash >> 32)}, hash);
        if (slot->face != 0) return;
        faces[count] = cycle;
        *slot = {++count, uint32_t(hash >> 32)};
    }
    bool Holds(const Cycle& cycle, uint64_t hash) const {
        return table.Find(FaceKey{cycle, faces.Get(), uint32_t(hash >> 32)}, hash) != nullptr;
    }
};

bool InRange(const Face& face, const int32_t* map, int32_t n, int32_t m) {
    if (!face.vertex_indices || face.corner_count < 1) return false;
    for (int32_t t = 0; t < face.corner_count; ++t) {
        int32_t v = face.vertex_indices[t];
        if (v < 0 || v >= n || (map && (map[v] < 0 || map[v] >= m))) return false;
    }
    return true;
}

void ListFace(const Cycle& cycle, PairingCheck& check) {
    if (check.listed_faces >= PairingCheck::kListed) return;
    const int32_t k = check.listed_faces++;
    Cycle from_file = cycle;
    from_file.start = 0;
    check.face_corners[k] = cycle.count;
    for (int32_t c = 0; c < cycle.count && c < PairingCheck::kCornersListed; ++c) check.faces[k][c] = from_file.At(c);
}

// The matching faces that are no face of the original.
bool CheckFaces(const Model& original, const Model& matching, const int32_t* partner, PairingCheck& check) {
    const int32_t m = original.vertex_count;
    const int32_t n = partner ? matching.vertex_count : m;
    int64_t faces = 0;
    ForEachFace(original, [&](const Face&) { ++faces; });
    FaceTable table;
    if (faces >= int64_t(UINT32_MAX) || !table.Make(faces)) return false;
    ForEachFace(original, [&](const Face& face) {
        if (!InRange(face, nullptr, m, m)) return;
        Cycle cycle{face.vertex_indices, face.corner_count, nullptr};
        cycle.Settle();
        table.Add(cycle, cycle.Hash());
    });
    ForEachFace(matching, [&](const Face& face) {
        if (!face.vertex_indices || face.corner_count < 1) return;
        Cycle cycle{face.vertex_indices, face.corner_count, partner};
        bool found = false;
        if (InRange(face, partner, n, m)) {
            cycle.Settle();
            found = table.Holds(cycle, cycle.Hash());
        }
        if (found) return;
        ++check.faces_not_in_original;
        ListFace(cycle, check);
    });
    return true;
}

// The original vertices no matching vertex took.
bool CheckUnused(const Model& original, const Model& matching, const int32_t* partner, PairingCheck& check) {
    const int32_t m = original.vertex_count;
    ScopedBlock<uint8_t> taken(AllocateTable<uint8_t>(size_t(m) + 1));
    if (!taken.Get()) return false;
    auto take = [&](int32_t w) {
        if (w >= 0 && w < m) taken[size_t(w)] = 1;
    };
    if (partner) {
        for (int32_t q = 0; q < matching.vertex_count; ++q) take(partner[q]);
    } else {
        for (int32_t k = 0; matching.vertices && k < matching.vertex_count; ++k) take(matching.vertices[k].link);
        ForEachCornerVertex(matching, [&](int32_t& v) { take(v); });
        ForEachPolylineVertex(matching, [&](int32_t& v) { take(v); });
    }
    for (int32_t w = 0; w < m; ++w) {
        if (taken[size_t(w)]) continue;
        if (check.listed_unused < PairingCheck::kListed) check.unused[check.listed_unused++] = w;
        ++check.unused_original_vertices;
    }
    return true;
}

}  // namespace

int32_t CheckPairing(const Model& original, const Model& matching, const int32_t* partner, PairingCheck& check) {
    check = PairingCheck{};
    if (CheckFaces(original, matching, partner, check) && CheckUnused(original, matching, partner, check)) return 1;
    check = PairingCheck{};
    return 0;
}
