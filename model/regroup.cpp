// Face regrouping: before a Model is written, all its faces are gathered into
// one Group ordered by (group-name index, material index), so the writer meets
// each group name's faces as one run and, inside it, each material as one run.
//
// The order is a stable sort by those two keys: one counting pass on the pair
// when the pairs are few, else two counting passes (material first, then
// group name); either is linear in faces, group names and materials together. A face whose material index is -1 or lies
// outside the material table sorts before material 0 of its group name, so no
// face is lost; a face whose group-name index lies outside the table sorts
// after every group name. Face records without corners are left out and
// their index lists released.
#include <cstdint>

#include "model/block.h"
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
// the copies now own.
void RetireGroups(Group* groups, int32_t group_count) {
    for (int32_t g = 0; g < group_count; ++g) {
        ReleaseBlock(groups[g].faces);
        groups[g].faces = nullptr;
        groups[g].face_count = 0;
    }
    ReleaseBlock(groups);
}

}  // namespace

void Model::CopyFace(Face& destination, Face& source) {
    destination.corner_count = source.corner_count;
    destination.vertex_indices = source.vertex_indices;
    destination.texcoord_indices = source.texcoord_indices;
    destination.normal_indices = source.normal_indices;
    destination.material_index = source.material_index;
    destination.group_name_index = source.group_name_index;
}

void Model::ReleaseFaces(Group& group) {
    if (!group.faces) return;
    for (int32_t f = 0; f < group.face_count; ++f) ReleaseFace(group.faces[f]);
    ReleaseBlock(group.faces);
    group.faces = nullptr;
    group.face_count = 0;
}

int32_t Model::AllocateFaces(Group& group, int32_t count) {
    if (count <= 0) return 0;
    ReleaseFaces(group);
    group.faces = AllocateTable<Face>(static_cast<size_t>(count));
    if (!group.faces) return 0;
    group.face_count = count;
    return 1;
}

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
    RetireGroups(groups, group_count);
    groups = merged;
    group_count = 1;
    return 1;
}

namespace {

struct KeyedFace {
    Face* face;
    int32_t name_key;
};

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

    int32_t kept = 0;
    for (int32_t g = 0; g < group_count; ++g) {
        const Group& group = groups[g];
        if (!group.faces) continue;
        for (int32_t f = 0; f < group.face_count; ++f) kept += group.faces[f].corner_count > 0 ? 1 : 0;
    }

    // Bucket 0 holds the faces without a material of the table, bucket m + 1
    // those of material m; group names likewise, with the names outside the
    // table in the last bucket.
    const int32_t material_buckets = (material_count > 0 ? material_count : 0) + 1;
    const int32_t name_buckets = (group_name_count > 0 ? group_name_count : 0) + 1;
    auto material_key = [this](const Face& face) {
        return face.material_index >= 0 && face.material_index < material_count ? face.material_index + 1 : 0;
    };
    auto name_key = [this](const Face& face) {
        return face.group_name_index >= 0 && face.group_name_index < group_name_count ? face.group_name_index
                                                                                       : group_name_count;
    };

    // With few (group name, material) pairs, one stable counting sort on the
    // pair puts each face straight into place, reading the faces in order. It
    // gives the order of the two stable passes below (material, then group
    // name), which take over when the pairs are too many for one bucket array:
    // an array of face references, each with its group-name key, sorted by
    // material, read back by group name straight into the new face array (the
    // keys beside the references spare a visit to every face for counting).
    constexpr int64_t kMostPairBuckets = int64_t(1) << 16;
    const bool by_pair = int64_t(material_buckets) * name_buckets <= kMostPairBuckets;
    const int32_t bucket_count =
        by_pair ? material_buckets * name_buckets : (material_buckets > name_buckets ? material_buckets : name_buckets);
    Group* regrouped = AllocateTable<Group>(1);
    KeyedFace* by_material = kept && !by_pair ? AllocateTable<KeyedFace>(static_cast<size_t>(kept)) : nullptr;
    int32_t* buckets = AllocateTable<int32_t>(static_cast<size_t>(bucket_count) + 1);
    bool have_all = regrouped && buckets && (kept == 0 || by_pair || by_material);
    if (have_all && kept > 0) have_all = AllocateFaces(regrouped[0], kept) == 1;
    if (!have_all) {
        if (regrouped) ReleaseBlock(regrouped[0].faces);
        ReleaseBlock(regrouped);
        ReleaseBlock(by_material);
        ReleaseBlock(buckets);
        return 0;
    }

    if (kept > 0) {
        auto for_each_kept = [&](auto f) {
            for (int32_t g = 0; g < group_count; ++g) {
                Group& group = groups[g];
                if (!group.faces) continue;
                for (int32_t i = 0; i < group.face_count; ++i) {
                    if (group.faces[i].corner_count > 0) f(group.faces[i]);
                }
            }
        };
        if (by_pair) {
            auto pair_key = [&](const Face& face) { return name_key(face) * material_buckets + material_key(face); };
            for (int32_t b = 0; b <= bucket_count; ++b) buckets[b] = 0;
            for_each_kept([&](Face& face) { ++buckets[pair_key(face) + 1]; });
            for (int32_t b = 0; b < bucket_count; ++b) buckets[b + 1] += buckets[b];
            Face* faces = regrouped[0].faces;
            for_each_kept([&](Face& face) { CopyFace(faces[buckets[pair_key(face)]++], face); });
        } else {
            for (int32_t b = 0; b <= material_buckets; ++b) buckets[b] = 0;
            for_each_kept([&](Face& face) { ++buckets[material_key(face) + 1]; });
            for (int32_t b = 0; b < material_buckets; ++b) buckets[b + 1] += buckets[b];
            for_each_kept([&](Face& face) { by_material[buckets[material_key(face)]++] = {&face, name_key(face)}; });

            for (int32_t b = 0; b <= name_buckets; ++b) buckets[b] = 0;
            for (int32_t i = 0; i < kept; ++i) ++buckets[by_material[i].name_key + 1];
            for (int32_t b = 0; b < name_buckets; ++b) buckets[b + 1] += buckets[b];
            Face* faces = regrouped[0].faces;
            for (int32_t i = 0; i < kept; ++i) CopyFace(faces[buckets[by_material[i].name_key]++], *by_material[i].face);
        }
    }
    ReleaseBlock(by_material);
    ReleaseBlock(buckets);

    // Records without corners are not carried over; whatever lists they hold go now.
    for (int32_t g = 0; g < group_count; ++g) {
        Group& group = groups[g];
        if (!group.faces) continue;
        for (int32_t f = 0; f < group.face_count; ++f) {
            if (group.faces[f].corner_count <= 0) ReleaseFace(group.faces[f]);
        }
    }
    RetireGroups(groups, group_count);
    groups = regrouped;
    group_count = 1;
    return 1;
}
