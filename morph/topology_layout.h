#pragma once
// An exporter that splits quads into triangles mostly writes each quad's
// first triangle where the quad was and its second beside it or after the
// first ones of its object and material, while a round trip through another
// program may put the objects in another order (Blender writes them sorted
// by name) and a reader may regroup the faces. The two views that pairing
// by connectivity walks in step are laid out the same way: ORIGINAL's
// objects in the order it first names them, within each its materials
// likewise, each run of faces in its own order; objects and materials
// ORIGINAL lacks come last.
#include <cstdint>

#include "model/model.h"

// The layout of `model`'s face records with corners (face_count of them,
// in ForEachFace order): `order` the place of the face put k-th, and the
// runs of one object and material, as segment_count + 1 offsets. Blocks
// the caller releases; false when memory can't be had.
struct FaceLayout {
    int32_t* order = nullptr;
    int32_t* segment_starts = nullptr;
    int32_t segment_count = 0;
};

bool LayOutLikeOriginal(const Model& original, const Model& model, int32_t face_count, FaceLayout& layout);
