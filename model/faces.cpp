// Face records and face arrays: copying and releasing faces, a Group's own
// face array, and the face pool that holds the arrays of a Model read from
// a file.
#include <cstdint>

#include "platform/block.h"
#include "model/model.h"

void Model::CopyFace(Face& destination, Face& source) {
    destination.corner_count = source.corner_count;
    destination.vertex_indices = source.vertex_indices;
    destination.texcoord_indices = source.texcoord_indices;
    destination.normal_indices = source.normal_indices;
    destination.material_index = source.material_index;
    destination.group_name_index = source.group_name_index;
    destination.object = source.object;
    destination.smoothing = source.smoothing;
}

void Model::ReleaseFace(Face& face) {
    int32_t* lists[3] = {face.vertex_indices, face.texcoord_indices, face.normal_indices};
    for (int32_t* list : lists) {
        // Lists inside the corner pool belong to the pool.
        bool pooled = corner_pool && list >= corner_pool && list < corner_pool + corner_pool_size;
        if (list && !pooled) ReleaseBlock(list);
        // The pool would still hold the corners of a face that has none.
        if (pooled) vertex_lists_packed = 0;
    }
    face.vertex_indices = nullptr;
    face.texcoord_indices = nullptr;
    face.normal_indices = nullptr;
    face.corner_count = 0;
}

bool Model::InFacePool(const Face* faces) const {
    return face_pool && faces >= face_pool && faces < face_pool + face_pool_size;
}

void Model::ReleaseFaceArray(Face* faces) {
    if (!InFacePool(faces)) ReleaseBlock(faces);
}

void Model::ReleaseFaces(Group& group) {
    if (!group.faces) return;
    for (int32_t f = 0; f < group.face_count; ++f) ReleaseFace(group.faces[f]);
    ReleaseFaceArray(group.faces);
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

int32_t Model::AllocateGroupFaces() {
    if (!groups || group_count <= 0 || face_pool) return 0;
    int64_t records = 0;
    for (int32_t g = 0; g < group_count; ++g) records += groups[g].face_count > 0 ? groups[g].face_count : 1;
    face_pool = AllocateTable<Face>(static_cast<size_t>(records));
    if (!face_pool) return 0;
    face_pool_size = records;
    Face* next = face_pool;
    for (int32_t g = 0; g < group_count; ++g) {
        groups[g].faces = next;
        next += groups[g].face_count > 0 ? groups[g].face_count : 1;
    }
    return 1;
}
