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

// Per face record of `model` with corners (in ForEachFace order), the
// place of the face it puts k-th; null when memory can't be had.
int32_t* LayOutLikeOriginal(const Model& original, const Model& model, int32_t face_count);
