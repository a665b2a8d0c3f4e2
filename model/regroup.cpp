// Face regrouping: before a Model is written, all its faces are gathered into
// one Group ordered by (group-name index, material index), so the writer meets
// each group name's faces as one run and, inside it, each material as one run.
// A model whose faces name objects (`o` lines) is ordered by (object,
// group-name index, material): each object's faces are one run, so that the
// writer names each object once, its groups inside it, and a reader meets it
// once. Below, the "group name" key is then the pair of object and group name.
//
// The order is a stable sort by those two keys: one counting pass on the pair
// when the pairs are few, else two counting passes (material first, then
// group name); either is linear in faces, group names and materials
// together, and moves runs of faces with equal keys as one. A face whose
// material index is -1 or lies outside the material table sorts before
// material 0 of its group name, so no face is lost; a face whose group-name
// index lies outside the table sorts after every group name. Face records
// without corners are left out and their index lists released.
//
// The sorted faces go into a new face array, or, for a model as read whose
// face pool holds nothing but faces with corners, into the pool itself:
// then only the runs out of place are copied, and no new array of the whole
// size is touched.
#include <cstdint>

#include "platform/block.h"
#include "model/model.h"

namespace {

int64_t SumFaceCounts(const Group* groups, int32_t group_count) {
    int64_t total = 0;
    for (int32_t g = 0; g < group_count; ++g) {
        if (groups[g].faces && groups[g].face_count > 0) total += groups[g].face_count;
    }
    return total;
}

// The old Groups give up their face arrays but not the index lists, which
// the copies now own. Once every Group is retired nothing refers to the
// face pool either, and it goes as well, unless it is kept because the new
// Group's faces were sorted in it.
void RetireGroups(Model& model, bool keep_pool = false) {
    // Releasing a block reads the bookkeeping just before it; with many
    // small Groups of their own blocks those words are fetched a few Groups ahead.
    constexpr int32_t kAhead = 8;
    Group* groups = model.groups;
    for (int32_t g = 0; g < model.group_count; ++g) {
        const Face* later = g + kAhead < model.group_count ? groups[g + kAhead].faces : nullptr;
        if (later && !model.InFacePool(later)) __builtin_prefetch(reinterpret_cast<const char*>(later) - 32, 1);
        model.ReleaseFaceArray(groups[g].faces);
        groups[g].faces = nullptr;
        groups[g].face_count = 0;
    }
    ReleaseBlock(groups);
    if (keep_pool) return;
    ReleaseBlock(model.face_pool);
    model.face_pool = nullptr;
    model.face_pool_size = 0;
}

}  // namespace

int32_t Model::MergeGroups() {
    if (!groups || group_count <= 1) return 1;
    int64_t total = SumFaceCounts(groups, group_count);
    if (total == 0) return 1;
    if (total > INT32_MAX) return 0;

    ScopedBlock<Group> merged(AllocateTable<Group>(1));
    if (!merged.Get() || !AllocateFaces(merged[0], static_cast<int32_t>(total))) return 0;
    int32_t i = 0;
    for (int32_t g = 0; g < group_count; ++g) {
        Group& group = groups[g];
        if (!group.faces) continue;
        for (int32_t f = 0; f < group.face_count; ++f) CopyFace(merged[0].faces[i++], group.faces[f]);
    }
    RetireGroups(*this);
    groups = merged.Take();
    group_count = 1;
    return 1;
}

namespace {

// Faces next to each other in one Group's table, all with corners and the
// same keys: they stay together through the sort and are copied in one
// sweep, so the sort moves runs rather than faces. `at` is where the run
// starts in the new face array.
struct FaceRun {
    Face* first;
    int32_t count;
    int32_t name_key;
    int32_t material_key;
    int32_t at;
};

// Copies `count` records, each with material_name 0 as in a cleared record.
void PlaceFaces(Face* destination, const Face* source, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        destination[i] = source[i];
        destination[i].material_name = 0;
    }
}

// 1 when the Groups' face arrays are the face pool cut in table order, each
// Group's slice holding its faces and nothing else: then a regrouped face
// array of every face fits exactly where the pool is.
bool GroupsFillThePool(const Model& model) {
    if (!model.face_pool) return false;
    const Face* next = model.face_pool;
    for (int32_t g = 0; g < model.group_count; ++g) {
        const Group& group = model.groups[g];
        if (group.faces != next || group.face_count <= 0) return false;
        next += group.face_count;
    }
    return next == model.face_pool + model.face_pool_size;
}

// Puts every run at its place in the face pool, which holds exactly the
// runs' faces. The runs not already in place are copied out to `spare`
// first: together they held exactly the places they go to.
void PlaceInPool(Face* pool, FaceRun* runs, int64_t run_count, Face* spare) {
    Face* out = spare;
    for (int64_t r = 0; r < run_count; ++r) {
        FaceRun& run = runs[r];
        if (run.first == pool + run.at) {
            for (int32_t i = 0; i < run.count; ++i) run.first[i].material_name = 0;
        } else {
            PlaceFaces(out, run.first, run.count);
            run.first = out;
            out += run.count;
        }
    }
    for (int64_t r = 0; r < run_count; ++r) {
        const FaceRun& run = runs[r];
        if (run.first == pool + run.at) continue;
        Face* to = pool + run.at;
        for (int32_t i = 0; i < run.count; ++i) to[i] = run.first[i];
    }
}

// The name key of a face: its object when objects are keys, and within it
// its group name (names outside the table after every name).
inline int32_t NameKey(const Face& face, int32_t name_count, int32_t object_buckets) {
    const int32_t name =
        face.group_name_index >= 0 && face.group_name_index < name_count ? face.group_name_index : name_count;
    const int32_t object = face.object > 0 && face.object < object_buckets ? face.object : 0;
    return object * (name_count + 1) + name;
}

// The bucket of a face by its (group name, material) pair, as the runs have it.
inline int32_t PairBucket(const Face& face, int32_t name_count, int32_t object_buckets, int32_t material_count,
                          int32_t material_buckets) {
    const int32_t name = NameKey(face, name_count, object_buckets);
    const int32_t material =
        face.material_index >= 0 && face.material_index < material_count ? face.material_index + 1 : 0;
    return name * material_buckets + material;
}

// Places every face with corners at the next place of its pair's bucket;
// `starts` holds where each bucket begins and is advanced. For faces in
// runs so short that a table of runs would cost more than it saves.
void PlaceFacesOneByOne(const Model& model, Face* faces, int32_t* starts, int32_t object_buckets,
                        int32_t material_buckets) {
    for (int32_t g = 0; g < model.group_count; ++g) {
        const Group& group = model.groups[g];
        if (!group.faces) continue;
        for (int32_t f = 0; f < group.face_count; ++f) {
            const Face& face = group.faces[f];
            if (face.corner_count <= 0) continue;
            Face& placed = faces[starts[PairBucket(face, model.group_name_count, object_buckets, model.material_count,
                                                   material_buckets)]++];
            placed = face;
            placed.material_name = 0;
        }
    }
}

// How the faces are bucketed. Bucket 0 holds the faces without a material
// of the table, bucket m + 1 those of material m; group names likewise, with
// the names outside the table in the last bucket.
//
// With few (group name, material) pairs, one stable counting sort on the
// pair gives each run its place. It gives the order of the two stable
// passes (material, then group name), which take over when the pairs are
// too many for one bucket array: the runs are sorted by material into one
// list, that list by group name into another, and the faces are copied in
// the order of the second, so the new face array is written front to back
// while the runs are fetched ahead of their copy.
struct RegroupKeys {
    int32_t object_buckets;  // 1 when objects are no key
    int32_t material_buckets;
    int32_t name_buckets;
    int32_t bucket_count;
    bool by_pair;
    int64_t most_runs;
};

// The keys for `total` faces. The runs are at most as many as the faces,
// and with few pairs, no more than a run for every 16 faces. A file whose
// faces change material every face or two (a usemtl line before each)
// would make a table of runs nearly as large as the faces; past that many
// the faces are placed one by one.
RegroupKeys ChooseKeys(const Model& model, int64_t total) {
    constexpr int64_t kMostPairBuckets = int64_t(1) << 16;
    RegroupKeys keys;
    keys.material_buckets = (model.material_count > 0 ? model.material_count : 0) + 1;
    keys.name_buckets = (model.group_name_count > 0 ? model.group_name_count : 0) + 1;
    // Objects are keys unless the pairs of names and objects would take a
    // bucket table out of proportion (a file with a group for each object
    // would pair every name with every object); their faces are then
    // ordered by group name and material only, and the writer puts the
    // objects in order itself (stably, so each keeps that order).
    constexpr int64_t kMostNameKeys = int64_t(1) << 22;
    keys.object_buckets = model.objects.fill > 1 ? model.objects.fill : 1;
    if (int64_t(keys.name_buckets) * keys.object_buckets > kMostNameKeys) keys.object_buckets = 1;
    keys.name_buckets *= keys.object_buckets;
    keys.by_pair = int64_t(keys.material_buckets) * keys.name_buckets <= kMostPairBuckets;
    keys.bucket_count = keys.by_pair ? keys.material_buckets * keys.name_buckets
                                     : (keys.material_buckets > keys.name_buckets ? keys.material_buckets
                                                                                  : keys.name_buckets);
    keys.most_runs = keys.by_pair && total / 16 + 64 < total ? total / 16 + 64 : total;
    return keys;
}

// What the walk over the faces found: the faces kept, the runs, whether the
// runs outgrew their table, and whether any record lacks corners.
struct RunWalk {
    int64_t kept = 0;
    int64_t runs = 0;
    bool one_by_one = false;
    bool any_without_corners = false;
};

// Finds the runs in table order in one walk over the faces, and counts the
// first sort's bucket sizes: faces per pair, or runs per material. Past
// the keys' `most_runs` runs they are no longer kept.
RunWalk FindRuns(Model& model, const RegroupKeys& keys, FaceRun* table_runs, int32_t* buckets) {
    const int64_t most_runs = keys.most_runs;
    const int32_t group_name_count = model.group_name_count;
    const int32_t object_buckets = keys.object_buckets;
    const int32_t material_count = model.material_count;
    const int32_t material_buckets = keys.material_buckets;
    const bool by_pair = keys.by_pair;
    int64_t kept = 0;
    int64_t runs = 0;
    bool one_by_one = false;
    bool any_without_corners = false;
    for (int32_t g = 0; g < model.group_count; ++g) {
        Group& group = model.groups[g];
        if (!group.faces) continue;
        int32_t f = 0;
        while (f < group.face_count) {
            Face& first = group.faces[f];
            if (first.corner_count <= 0) {
                any_without_corners = true;
                ++f;
                continue;
            }
            int32_t end = f + 1;
            while (end < group.face_count && group.faces[end].corner_count > 0 &&
                   group.faces[end].group_name_index == first.group_name_index &&
                   group.faces[end].material_index == first.material_index &&
                   group.faces[end].object == first.object)
                ++end;
            const int32_t name = NameKey(first, group_name_count, object_buckets);
            const int32_t material =
                first.material_index >= 0 && first.material_index < material_count ? first.material_index + 1 : 0;
            if (runs == most_runs) one_by_one = true;
            if (!one_by_one) table_runs[runs++] = {&first, end - f, name, material, 0};
            kept += end - f;
            if (by_pair) {
                buckets[name * material_buckets + material + 1] += end - f;
            } else {
                ++buckets[material + 1];
            }
            f = end;
        }
    }
    RunWalk walk;
    walk.kept = kept;
    walk.runs = runs;
    walk.one_by_one = one_by_one;
    walk.any_without_corners = any_without_corners;
    return walk;
}

// The two stable passes: `table_runs` by material into `by_material`, that
// by group name back into `table_runs`, which the table-order list no
// longer needs; each run's place follows from the second order.
void SortRunsTwice(const RegroupKeys& keys, int64_t runs, int32_t* buckets, FaceRun* table_runs,
                   FaceRun* by_material) {
    for (int32_t b = 0; b < keys.material_buckets; ++b) buckets[b + 1] += buckets[b];
    for (int64_t r = 0; r < runs; ++r) by_material[buckets[table_runs[r].material_key]++] = table_runs[r];

    FaceRun* by_name = table_runs;
    for (int32_t b = 0; b <= keys.name_buckets; ++b) buckets[b] = 0;
    for (int64_t r = 0; r < runs; ++r) ++buckets[by_material[r].name_key + 1];
    for (int32_t b = 0; b < keys.name_buckets; ++b) buckets[b + 1] += buckets[b];
    for (int64_t r = 0; r < runs; ++r) by_name[buckets[by_material[r].name_key]++] = by_material[r];
    int32_t at = 0;
    for (int64_t r = 0; r < runs; ++r) {
        by_name[r].at = at;
        at += by_name[r].count;
    }
}

// Gives every run its place in the new array and leaves the runs in
// `table_runs` in the order in which they are best copied; without a table
// of runs, the faces are placed one by one into `faces` here and no run is
// left to place.
void OrderRuns(const Model& model, const RegroupKeys& keys, RunWalk& walk, Face* faces, int32_t* buckets,
                   FaceRun* table_runs, FaceRun* by_material) {
    if (walk.kept == 0) return;
    if (walk.one_by_one) {
        for (int32_t b = 0; b < keys.bucket_count; ++b) buckets[b + 1] += buckets[b];
        PlaceFacesOneByOne(model, faces, buckets, keys.object_buckets, keys.material_buckets);
        walk.runs = 0;  // nothing left to place
        return;
    }
    if (!keys.by_pair) {
        SortRunsTwice(keys, walk.runs, buckets, table_runs, by_material);
        return;
    }
    for (int32_t b = 0; b < keys.bucket_count; ++b) buckets[b + 1] += buckets[b];
    for (int64_t r = 0; r < walk.runs; ++r) {
        FaceRun& run = table_runs[r];
        int32_t& at = buckets[run.name_key * keys.material_buckets + run.material_key];
        run.at = at;
        at += run.count;
    }
}

// The spare array through which the runs out of place are sorted in the
// pool, or null with `in_pool` cleared when the faces go into the new array
// after all: without room for those runs, or with too many of them, as runs
// out of place are copied twice and, when they are most of the faces, one
// copy into a new array is cheaper.
Face* SpareForPool(const Face* pool, const FaceRun* order, const RunWalk& walk, bool& in_pool) {
    int64_t out_of_place = 0;
    for (int64_t r = 0; r < walk.runs; ++r) {
        if (order[r].first != pool + order[r].at) out_of_place += order[r].count;
    }
    Face* spare = nullptr;
    if (out_of_place <= walk.kept / 2 && out_of_place > 0)
        spare = AllocateUnclearedTable<Face>(static_cast<size_t>(out_of_place));
    if (out_of_place > 0 && !spare) in_pool = false;
    return spare;
}

// Copies the runs into the new array. They lie anywhere in the old face
// arrays: each is fetched a few runs before it is copied.
void CopyRuns(Face* faces, const FaceRun* order, int64_t runs) {
    constexpr int64_t kAhead = 8;
    constexpr int kMostLines = 8;
    auto fetch = [](const FaceRun& run) {
        const char* at = reinterpret_cast<const char*>(run.first);
        const char* end = reinterpret_cast<const char*>(run.first + run.count);
        for (int line = 0; line < kMostLines && at < end; ++line, at += 64) __builtin_prefetch(at);
    };
    for (int64_t r = 0; r < runs && r < kAhead; ++r) fetch(order[r]);
    for (int64_t r = 0; r < runs; ++r) {
        if (r + kAhead < runs) fetch(order[r + kAhead]);
        PlaceFaces(faces + order[r].at, order[r].first, order[r].count);
    }
}

// Records without corners are not carried over; whatever lists they hold go now.
void ReleaseFacesWithoutCorners(Model& model) {
    for (int32_t g = 0; g < model.group_count; ++g) {
        Group& group = model.groups[g];
        if (!group.faces) continue;
        for (int32_t f = 0; f < group.face_count; ++f) {
            if (group.faces[f].corner_count <= 0) model.ReleaseFace(group.faces[f]);
        }
    }
}

}  // namespace

int32_t Model::RegroupByMaterial() {
    if (!groups || !group_name_table || !materials) return 0;
    // The steps below walk every Group in table order, so they give the same
    // faces in the same order whether or not the Groups are merged first; not
    // merging spares a copy of every face record.
    if (group_count <= 0) return 1;
    int64_t total = SumFaceCounts(groups, group_count);
    if (total == 0) return 1;
    if (total > INT32_MAX) return 0;

    const RegroupKeys keys = ChooseKeys(*this, total);
    ScopedBlock<Group> regrouped(AllocateTable<Group>(1));
    ScopedBlock<int32_t> buckets(AllocateTable<int32_t>(static_cast<size_t>(keys.bucket_count) + 1));
    // A model as read keeps its faces in the face pool, Group after Group.
    // If every record there has corners, the sorted faces fill the pool
    // exactly, and they are sorted there when few are out of place: only
    // those are copied (through a spare array), and the new face array below
    // is given back untouched, sparing the first touch of its pages.
    bool in_pool = GroupsFillThePool(*this);
    // The new face array has room for every record (only those with corners
    // are kept). It is made first, so that it rather than the list below
    // takes a block already touched, if one is kept: the list is as long,
    // but only its first part is ever used. Every record kept is written in
    // full, so the array is not cleared first.
    ScopedBlock<Face> faces(regrouped.Get() && buckets.Get() ? AllocateUnclearedTable<Face>(static_cast<size_t>(total))
                                                             : nullptr);
    ScopedBlock<FaceRun> table_runs(
        faces.Get() ? AllocateUnclearedTable<FaceRun>(static_cast<size_t>(keys.most_runs)) : nullptr);
    RunWalk walk;
    if (table_runs.Get()) walk = FindRuns(*this, keys, table_runs.Get(), buckets.Get());
    // Records without corners leave gaps that the sorted faces would not fill.
    if (walk.any_without_corners || walk.one_by_one) in_pool = false;
    ScopedBlock<FaceRun> by_material(
        walk.runs > 0 && !keys.by_pair ? AllocateUnclearedTable<FaceRun>(static_cast<size_t>(walk.runs)) : nullptr);
    if (!table_runs.Get() || !(walk.kept == 0 || keys.by_pair || by_material.Get())) return 0;

    OrderRuns(*this, keys, walk, faces.Get(), buckets.Get(), table_runs.Get(), by_material.Get());
    ScopedBlock<Face> spare(in_pool ? SpareForPool(face_pool, table_runs.Get(), walk, in_pool) : nullptr);
    if (walk.kept > 0 && in_pool) {
        PlaceInPool(face_pool, table_runs.Get(), walk.runs, spare.Get());
    } else if (walk.kept > 0 && !walk.one_by_one) {
        CopyRuns(faces.Get(), table_runs.Get(), walk.runs);
    }
    spare.Reset();
    by_material.Reset();
    table_runs.Reset();
    buckets.Reset();

    if (walk.any_without_corners) ReleaseFacesWithoutCorners(*this);
    if (walk.kept > 0 && !in_pool) {
        regrouped[0].faces = faces.Take();
    } else {
        faces.Reset();
        regrouped[0].faces = walk.kept > 0 ? face_pool : nullptr;
    }
    regrouped[0].face_count = static_cast<int32_t>(walk.kept);
    RetireGroups(*this, in_pool && walk.kept > 0);
    groups = regrouped.Take();
    group_count = 1;
    return 1;
}
