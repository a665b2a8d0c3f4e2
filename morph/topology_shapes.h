#pragma once
// Shapes paired with the base mesh by connectivity, each on its own: for
// shapes that came back from a sculpting program reordered and sculpted,
// with no unsculpted reordered copy to pair positions with. Each is written
// as FormatShape writes a morph target: the base's faces, texture
// coordinates, normals, groups and materials, with each base vertex at the
// position of the shape vertex paired with it.
//
// Usage:
//   Model original;
//   LoadTopologyOriginal(original_path, original, message);
//   WrittenObjFiles files;                          // from any thread:
//   FormatShapeByTopology(original, options, shape, new_path, files, message);
//   CommitShape(files, new_path, message);
#include <cstdint>

#include "model/model.h"
#include "morph/topology_pairing.h"
#include "pairing/face_check.h"
#include "wavefront/obj_writer.h"

// Loads the original whole (its faces are what the shapes are paired by),
// leaving the current directory alone, and regroups it once for writing.
// Returns 1, or -2 with Convert's message (kMessageCapacity bytes).
int32_t LoadTopologyOriginal(const char* original_path, Model& original, char* message);

// Pairs the shape at shape_path with `original` (as LoadTopologyOriginal
// left it) by connectivity and writes its morph target for new_path (and
// the library beside it) into `files`, for CommitShape (morph/shapes.h).
// May run on several threads at once for one original. Returns 1, with
// `message` holding PairByTopology's note for the user or ""; -3 the shape
// didn't load (why in *load_error, when given); -4 not written; -7 the two
// didn't pair, nothing written; each
// with its message (kMessageCapacity bytes). `check`, when given, gets the
// check of the pairing (morph/convert.h) once it is made, whose warnings
// the note then carries too. `keep`, when given, gets the positions
// written (morph/shapes_gltf.h).
int32_t FormatShapeByTopology(const Model& original, const TopologyPairingOptions& options, const char* shape_path,
                              const char* new_path, WrittenObjFiles& files, char* message,
                              int32_t* load_error = nullptr, PairingCheck* check = nullptr, float* keep = nullptr);
