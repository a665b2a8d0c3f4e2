#pragma once
// The glTF document of a family, as tinygltf holds it, before it is written.
#include <cstdint>

#include <tiny_gltf.h>

#include "gltf/corner_split.h"
#include "gltf/gltf_family.h"

// Fills `document` with the base's mesh as `split` cut it and the targets'
// differences from it, all in one buffer. Returns 1, or 0 when memory ran out.
int32_t BuildFamilyDocument(const Model& base, const CornerSplit& split, const GltfTarget* targets, int32_t count,
                            tinygltf::Model& document);

// The difference d that takes `from` to `to` in float arithmetic,
// from + d == to, where one exists; else the nearest to to - from.
float DeltaTo(float from, float to);
