#include "morph/topology_layout.h"

#include <cstring>

#include "model/corners.h"
#include "model/name_index.h"
#include "platform/block.h"

namespace {

// ORIGINAL's names of one kind, each numbered from 1 in the order first met.
struct Names {
    const Model& original;
    NameIndex index;
    uint32_t count = 0;

    explicit Names(const Model& model) : original(model) {}
    ~Names() { index.Release(); }
    Names(const Names&) = delete;
    Names& operator=(const Names&) = delete;

    bool Add(uint32_t offset) {
        const char* text = original.Name(offset);
        size_t length = std::strlen(text);
        if (length == 0) return true;
        uint32_t hash = NameHash(text, length);
        if (!index.Reserve(uint64_t(count) + 1)) return false;
        NameSlot* slot = index.Find(original, text, length, hash);
        if (!slot->entry) *slot = {offset, ++count, hash};
        return true;
    }

    // The number of `model`'s name at `offset`; past all of ORIGINAL's
    // (`unknown`) when ORIGINAL lacks it, 0 for no name.
    int32_t Rank(const Model& model, uint32_t offset, int32_t unknown) const {
        const char* text = model.Name(offset);
        size_t length = std::strlen(text);
        if (length == 0) return 0;
        const NameSlot* slot = index.HasSlots() ? index.Find(original, text, length, NameHash(text, length)) : nullptr;
        return slot && slot->entry ? int32_t(slot->entry) : int32_t(count) + unknown;
    }
};

// The ranks of `count` entries of a table of `model`, `offset` giving each
// entry's name; an entry ORIGINAL lacks ranks by its place in the table.
template <typename Offset>
int32_t* Ranks(const Names& names, const Model& model, int32_t count, Offset offset) {
    int32_t* ranks = AllocateUnclearedTable<int32_t>(size_t(count > 0 ? count : 1));
    for (int32_t e = 0; ranks && e < count; ++e) ranks[e] = names.Rank(model, offset(e), e + 1);
    return ranks;
}

// A stable counting sort of `from` into `to` by keys[place] (< key_count).
bool SortBy(const int32_t* keys, int64_t key_count, const int32_t* from, int32_t* to, int32_t count) {
    ScopedBlock<int32_t> slots(AllocateTable<int32_t>(size_t(key_count) + 1));
    if (!slots.Get()) return false;
    for (int32_t k = 0; k < count; ++k) ++slots[size_t(keys[from[k]]) + 1];
    for (int64_t k = 0; k < key_count; ++k) slots[size_t(k) + 1] += slots[size_t(k)];
    for (int32_t k = 0; k < count; ++k) to[slots[size_t(keys[from[k]])]++] = from[k];
    return true;
}

// The tables a face's object and material are named through: a face record
// names its material by its `usemtl` entry, or once regrouped by the
// library's material alone.
struct FaceRanks {
    ScopedBlock<int32_t> object, entry, material;
    int32_t objects, entries, materials;

    FaceRanks(const Names& object_names, const Names& material_names, const Model& model)
        : objects(model.objects.names ? model.objects.fill : 0),
          entries(model.material_names ? model.material_name_fill : 0),
          materials(model.materials ? model.material_count : 0) {
        object.Reset(Ranks(object_names, model, objects, [&](int32_t e) { return model.objects.names[e]; }));
        entry.Reset(Ranks(material_names, model, entries, [&](int32_t e) { return model.material_names[e].name; }));
        material.Reset(Ranks(material_names, model, materials, [&](int32_t e) { return model.materials[e].name; }));
    }

    bool Made() const { return object.Get() && entry.Get() && material.Get(); }

    int32_t Object(const Face& face) const {
        return face.object > 0 && face.object < objects ? object[size_t(face.object)] : 0;
    }

    int32_t Material(const Face& face) const {
        if (face.material_name > 0 && face.material_name < entries) return entry[size_t(face.material_name)];
        return face.material_index >= 0 && face.material_index < materials ? material[size_t(face.material_index)] : 0;
    }
};

bool NameOriginals(const Model& original, Names& objects, Names& materials) {
    bool named = true;
    for (int32_t e = 1; original.objects.names && e < original.objects.fill; ++e) {
        named = named && objects.Add(original.objects.names[e]);
    }
    for (int32_t e = 1; original.material_names && e < original.material_name_fill; ++e) {
        named = named && materials.Add(original.material_names[e].name);
    }
    for (int32_t i = 0; original.materials && i < original.material_count; ++i) {
        named = named && materials.Add(original.materials[i].name);
    }
    return named;
}

// Where the object or the material changes along the laid-out faces.
int32_t* Segments(const int32_t* order, const int32_t* objects, const int32_t* materials, int32_t count,
                  int32_t& segment_count) {
    int32_t* starts = AllocateUnclearedTable<int32_t>(size_t(count) + 2);
    segment_count = 0;
    for (int32_t k = 0; starts && k < count; ++k) {
        int32_t f = order[k], e = k > 0 ? order[k - 1] : -1;
        if (k == 0 || objects[f] != objects[e] || materials[f] != materials[e]) starts[segment_count++] = k;
    }
    if (starts) starts[segment_count] = count;
    return starts;
}

}  // namespace

bool LayOutLikeOriginal(const Model& original, const Model& model, int32_t face_count, FaceLayout& layout) {
    layout = FaceLayout{};
    Names object_names(original), material_names(original);
    if (!NameOriginals(original, object_names, material_names)) return false;
    FaceRanks ranks(object_names, material_names, model);
    size_t count = size_t(face_count) + 1;
    ScopedBlock<int32_t> objects(AllocateUnclearedTable<int32_t>(count));
    ScopedBlock<int32_t> materials(AllocateUnclearedTable<int32_t>(count));
    ScopedBlock<int32_t> order(AllocateUnclearedTable<int32_t>(count)), spare(AllocateUnclearedTable<int32_t>(count));
    if (!ranks.Made() || !objects.Get() || !materials.Get() || !order.Get() || !spare.Get()) return false;
    int32_t f = 0;
    ForEachFace(model, [&](const Face& face) {
        if (face.corner_count <= 0 || !face.vertex_indices || f >= face_count) return;
        objects[size_t(f)] = ranks.Object(face), materials[size_t(f)] = ranks.Material(face);
        order[size_t(f)] = f;
        ++f;
    });
    // By material, then by object: the second sort decides, the first orders its ties.
    int64_t material_keys = int64_t(material_names.count) + ranks.entries + ranks.materials + 1;
    int64_t object_keys = int64_t(object_names.count) + ranks.objects + 1;
    bool sorted = SortBy(materials.Get(), material_keys, order.Get(), spare.Get(), f) &&
                  SortBy(objects.Get(), object_keys, spare.Get(), order.Get(), f);
    ScopedBlock<int32_t> starts(sorted ? Segments(order.Get(), objects.Get(), materials.Get(), f, layout.segment_count)
                                       : nullptr);
    if (!starts.Get()) return false;
    layout.order = order.Take();
    layout.segment_starts = starts.Take();
    return true;
}
