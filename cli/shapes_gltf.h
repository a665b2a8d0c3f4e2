#pragma once
// shapes --gltf FAMILY.glb: the family's glTF file beside the shapes' OBJ
// files (morph/shapes_gltf.h), as the command line asks for it and says
// what became of it.
#include <cstdint>
#include <vector>

#include "cli/arguments.h"
#include "cli/file_list.h"
#include "cli/file_run.h"
#include "morph/shapes_gltf.h"

struct GltfRequest {
    bool given = false;
    char path[kPathCapacity] = {};  // made absolute
    ShapeTargets targets;
    const Model* base = nullptr;
    std::vector<const char*> new_paths;  // each shape's new file
};

// Reads --gltf into `request`: 0, or the exit status after saying why (a
// usage error for a path that is empty, too long or names a folder; 2, as
// for a new file that is an input, when it or its buffer file is an input
// or a new file of the run, or its folder can't take it, with list.problem
// and list.reason filled).
int ReadGltfOption(const Arguments& arguments, FileList& list, GltfRequest& request);

// Makes room for the shapes' positions over `base`: 0, or the exit status
// after the message when memory ran out.
int PrepareGltf(GltfRequest& request, const Model& base, const FileList& list, RunOutput output);

// Where file k of the run keeps its positions; null without --gltf.
inline float* GltfPositions(const GltfRequest* request, int32_t k) {
    return request && request->given ? request->targets.Positions(k) : nullptr;
}

// Once every shape is written: the glTF file of those in place, said by `run`.
void WriteGltf(GltfRequest& request, FileRun& run);
