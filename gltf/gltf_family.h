#pragma once
// A morph family as one glTF 2.0 file, for engines and web viewers: the base
// mesh (positions, normals, texture coordinates, one primitive per material,
// each material's base colour and base-colour texture where its library
// gives them) and each shape as a morph target of it (position
// differences), named in the mesh's extras.targetNames, every weight 0.
// A name ending in ".glb" (any other than ".gltf") gets the binary file;
// one ending in ".gltf" gets the JSON file and its buffer beside it, the
// same name ending in ".bin". Written durably as every other output:
// nothing replaces a target until both files were written completely.
//
// Usage:
//   GltfTarget targets[] = {{"smile", smile_positions}, ...};
//   WrittenGltfFiles files;
//   if (FormatGltfFamily(base, targets, 2, "family.glb", files) == 1) CommitGltfFiles(files);
#include <cstdint>

#include "model/model.h"
#include "platform/files/output_file.h"

// One morph target: where each of the base's vertices is in it, x, y and z
// a vertex (vertex_count of them).
struct GltfTarget {
    const char* name;
    const float* positions;
};

struct WrittenGltfFiles {
    OutputFile gltf;
    OutputFile bin;
    int32_t with_bin = 0;  // the JSON file and its buffer: both are committed
};

// Whether path names the JSON form (its file name ends in ".gltf", any
// letter case).
int32_t IsGltfJsonPath(const char* path);

// The buffer file of the JSON form at path: the name with ".gltf" replaced
// by ".bin" (its path, and its file name for the uri). 0 when it doesn't fit.
int32_t MakeGltfBufferPath(const char* path, char (&buffer_path)[kPathCapacity],
                           char (&buffer_name)[kPathCapacity]);

// Writes `base` (a Model as RegroupByMaterial left it) with `count` targets
// into files made for `path`, replacing no target yet. Returns 1; 0 when
// memory ran out; -1 when the files couldn't be written (the reason in the
// files' `error`); -2 when the base has no face of three corners or more. Nothing is left behind
// unless it returns 1.
int32_t FormatGltfFamily(const Model& base, const GltfTarget* targets, int32_t count, const char* path,
                         WrittenGltfFiles& files);

// Replaces the targets by what FormatGltfFamily wrote: 1 when they were.
int32_t CommitGltfFiles(WrittenGltfFiles& files);
