// Face regrouping: before a Model is written, all its faces are gathered into
// one Group ordered by (group-name index, material index), so the writer meets
// each group name's faces as one run and, inside it, each material as one run.
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

    Group* merged = AllocateTable<Group>(1);
    if (!merged) return 0;
    if (!AllocateFaces(merged[0], static_cast<int32_t>(total))) {
        ReleaseBlock(merged);
        return 0;
    }
    int32_t i = 0;
    for (int32_t g = 0; g < group_count; ++g) {
        Group& group = groups[g];
        if (!group.faces) continue;
        for (int32_t f = 0; f < group.face_count; ++f) CopyFace(merged[0].faces[i++], group.faces[f]);
    }
    RetireGroups(*this);
    groups = merged;
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

// The bucket of a face by its (group name, material) pair, as the runs have it.
inline int32_t PairBucket(const Face& face, int32_t name_count, int32_t material_count, int32_t material_buckets) {
    const int32_t name =
        face.group_name_index >= 0 && face.group_name_index < name_count ? face.group_name_index : name_count;
    const int32_t material =
        face.material_index >= 0 && face.material_index < material_count ? face.material_index + 1 : 0;
    return name * material_buckets + material;
}

// Places every face with corners at the next place of its pair's bucket;
// `starts` holds where each bucket begins and is advanced. For faces in
// runs so short that a table of runs would cost more than it saves.
void PlaceFacesOneByOne(const Model& model, Face* faces, int32_t* starts, int32_t material_buckets) {
    for (int32_t g = 0; g < model.group_count; ++g) {
        const Group& group = model.groups[g];
        if (!group.faces) continue;
        for (int32_t f = 0; f < group.face_count; ++f) {
            const Face& face = group.faces[f];
            if (face.corner_count <= 0) continue;
            Face& placed = faces[starts[PairBucket(face, model.group_name_count, model.material_count, material_buckets)]++];
            placed = face;
            placed.material_name = 0;
        }
    }
}

}  // namespace

int32_t Model::RegroupByMaterial() {
    if (!groups || !group_name_table || !materials) return 0;
    // The steps below walk every Group in table order, so they give the same
    // faces in the same order whether or not the Groups are merged first; not
    // merging spares a copy of every face record (a fresh 80 MB at 2M faces).
    if (group_count <= 0) return 1;
    int64_t total = SumFaceCounts(groups, group_count);
    if (total == 0) return 1;
    if (total > INT32_MAX) return 0;

    // Bucket 0 holds the faces without a material of the table, bucket m + 1
    // those of material m; group names likewise, with the names outside the
    // table in the last bucket.
    const int32_t material_buckets = (material_count > 0 ? material_count : 0) + 1;
    const int32_t name_buckets = (group_name_count > 0 ? group_name_count : 0) + 1;

    // With few (group name, material) pairs, one stable counting sort on the
    // pair gives each run its place. It gives the order of the two stable
    // passes below (material, then group name), which take over when the
    // pairs are too many for one bucket array: the runs are sorted by
    // material into one list, that list by group name into another, and the
    // faces are copied in the order of the second, so the new face array is
    // written front to back while the runs are fetched ahead of their copy.
    constexpr int64_t kMostPairBuckets = int64_t(1) << 16;
    const bool by_pair = int64_t(material_buckets) * name_buckets <= kMostPairBuckets;
    const int32_t bucket_count =
        by_pair ? material_buckets * name_buckets : (material_buckets > name_buckets ? material_buckets : name_buckets);
    Group* regrouped = AllocateTable<Group>(1);
    int32_t* buckets = AllocateTable<int32_t>(static_cast<size_t>(bucket_count) + 1);
    // A model as read keeps its faces in the face pool, Group after Group.
    // If every record there has corners, the sorted faces fill the pool
    // exactly, and they are sorted there when few are out of place: only
    // those are copied (through a spare array), and the new face array below
    // is given back untouched. At 2M faces it would be 80 MB of memory that
    // costs more to touch for the first time than the copy itself.
    bool in_pool = GroupsFillThePool(*this);
    // The new face array has room for every record (only those with corners
    // are kept). It is made first, so that it rather than the list below
    // takes a block already touched, if one is kept: the list is as long,
    // but only its first part is ever used. Every record kept is written in
    // full below, so the array is not cleared first.
    Face* faces = regrouped && buckets ? AllocateUnclearedTable<Face>(static_cast<size_t>(total)) : nullptr;
    // The runs in table order, found in one walk over the faces: at most as
    // many as faces, and with few pairs, no more than a run for every 16
    // faces. A file whose faces change material every face or two (a usemtl
    // line before each) would make a table of runs nearly as large as the
    // faces; past that many the runs are no longer kept, and the faces are
    // placed one by one.
    const int64_t most_runs = by_pair && total / 16 + 64 < total ? total / 16 + 64 : total;
    FaceRun* table_runs = faces ? AllocateUnclearedTable<FaceRun>(static_cast<size_t>(most_runs)) : nullptr;

    // The faces kept, the runs, and the first sort's bucket sizes: faces per
    // pair, or runs per material.
    int64_t kept = 0;
    int64_t runs = 0;
    bool one_by_one = false;
    bool any_without_corners = false;
    if (table_runs) {
        for (int32_t g = 0; g < group_count; ++g) {
            Group& group = groups[g];
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
                       group.faces[end].material_index == first.material_index)
                    ++end;
                const int32_t name = first.group_name_index >= 0 && first.group_name_index < group_name_count
                                         ? first.group_name_index
                                         : group_name_count;
                const int32_t material = first.material_index >= 0 && first.material_index < material_count
                                             ? first.material_index + 1
                                             : 0;
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
    }
    // Records without corners leave gaps that the sorted faces would not fill.
    if (any_without_corners || one_by_one) in_pool = false;
    FaceRun* by_material = runs > 0 && !by_pair ? AllocateUnclearedTable<FaceRun>(static_cast<size_t>(runs)) : nullptr;
    const bool have_all = table_runs && (kept == 0 || by_pair || by_material);
    if (!have_all) {
        ReleaseBlock(faces);
        ReleaseBlock(regrouped);
        ReleaseBlock(by_material);
        ReleaseBlock(table_runs);
        ReleaseBlock(buckets);
        return 0;
    }

    // Every run's place in the new array, and the runs in the order in which
    // they are best copied.
    FaceRun* order = table_runs;
    if (kept > 0 && one_by_one) {
        for (int32_t b = 0; b < bucket_count; ++b) buckets[b + 1] += buckets[b];
        PlaceFacesOneByOne(*this, faces, buckets, material_buckets);
        runs = 0;  // nothing left to place
    } else if (kept > 0) {
        if (by_pair) {
            for (int32_t b = 0; b < bucket_count; ++b) buckets[b + 1] += buckets[b];
            for (int64_t r = 0; r < runs; ++r) {
                FaceRun& run = table_runs[r];
                int32_t& at = buckets[run.name_key * material_buckets + run.material_key];
                run.at = at;
                at += run.count;
            }
        } else {
            for (int32_t b = 0; b < material_buckets; ++b) buckets[b + 1] += buckets[b];
            for (int64_t r = 0; r < runs; ++r) by_material[buckets[table_runs[r].material_key]++] = table_runs[r];

            // The table-order list is no longer needed: it takes the runs
            // sorted by group name.
            FaceRun* by_name = table_runs;
            for (int32_t b = 0; b <= name_buckets; ++b) buckets[b] = 0;
            for (int64_t r = 0; r < runs; ++r) ++buckets[by_material[r].name_key + 1];
            for (int32_t b = 0; b < name_buckets; ++b) buckets[b + 1] += buckets[b];
            for (int64_t r = 0; r < runs; ++r) by_name[buckets[by_material[r].name_key]++] = by_material[r];
            int32_t at = 0;
            for (int64_t r = 0; r < runs; ++r) {
                by_name[r].at = at;
                at += by_name[r].count;
            }
            order = by_name;
        }
    }

    Face* spare = nullptr;
    if (in_pool) {
        int64_t out_of_place = 0;
        for (int64_t r = 0; r < runs; ++r) {
            if (order[r].first != face_pool + order[r].at) out_of_place += order[r].count;
        }
        // Runs out of place are copied twice; when they are most of the
        // faces, one copy into a new array is cheaper.
        if (out_of_place <= kept / 2 && out_of_place > 0)
            spare = AllocateUnclearedTable<Face>(static_cast<size_t>(out_of_place));
        // Without room for the runs out of place, or with too many of them,
        // the faces go into the new array after all.
        if (out_of_place > 0 && !spare) in_pool = false;
    }

    if (kept > 0 && in_pool) {
        PlaceInPool(face_pool, order, runs, spare);
    } else if (kept > 0 && !one_by_one) {
        // The runs lie anywhere in the old face arrays: each is fetched a
        // few runs before it is copied.
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
    ReleaseBlock(spare);
    ReleaseBlock(by_material);
    ReleaseBlock(table_runs);
    ReleaseBlock(buckets);

    // Records without corners are not carried over; whatever lists they hold go now.
    for (int32_t g = 0; any_without_corners && g < group_count; ++g) {
        Group& group = groups[g];
        if (!group.faces) continue;
        for (int32_t f = 0; f < group.face_count; ++f) {
            if (group.faces[f].corner_count <= 0) ReleaseFace(group.faces[f]);
        }
    }
    if (kept > 0 && !in_pool) {
        regrouped[0].faces = faces;
    } else {
        ReleaseBlock(faces);
        regrouped[0].faces = kept > 0 ? face_pool : nullptr;
    }
    regrouped[0].face_count = static_cast<int32_t>(kept);
    RetireGroups(*this, in_pool && kept > 0);
    groups = regrouped;
    group_count = 1;
    return 1;
}
