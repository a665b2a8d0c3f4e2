#pragma once
// A family's shapes as one glTF file beside their OBJ files: each shape's
// positions are kept as it is formatted, and once every shape is written the
// base and the shapes written are put in one file (gltf/gltf_family.h), the
// targets named as the shapes' new files, without their extension.
//
// Usage:
//   ShapeTargets targets;
//   targets.Make(shape_count, original.vertex_count);
//   FormatShape(..., targets.Positions(k));     // from any thread
//   targets.kept[k] = 1;                         // once shape k is in place
//   WriteShapesGltf(original, targets, new_paths, "family.glb", message, &error);
#include <cstdint>

#include "model/model.h"
#include "platform/block.h"

struct ShapeTargets {
    int32_t vertex_count = 0;
    int32_t count = 0;
    ScopedBlock<float> positions;  // count * vertex_count points, x, y, z each
    ScopedBlock<uint8_t> kept;     // per shape: 1 once its files are in place

    // Room for `shapes` shapes of `vertices` vertices: 1, or 0 when memory ran out.
    int32_t Make(int32_t shapes, int32_t vertices);
    // Where shape k's positions go.
    float* Positions(int32_t k) const { return positions.Get() + size_t(k) * size_t(vertex_count) * 3; }
};

// Copies the positions of `count` vertices into `to` (x, y, z each); `to` may be null.
void KeepPositions(float* to, const Vertex* vertices, int32_t count);

// Writes `base` (regrouped for writing) with each kept shape k as a target
// named after new_paths[k] into `path` and puts it in place. Returns 1 with
// `notice` saying what the writing has to say ("" when nothing); -4 not
// written (also when no shape was kept), with its message and the system's
// reason in *error (0 when none said why).
int32_t WriteShapesGltf(const Model& base, const ShapeTargets& targets, const char* const* new_paths,
                        const char* path, char* message, int32_t* error, char* notice);
