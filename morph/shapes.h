#pragma once
// Morph families: the base mesh (the original), a copy of it in another
// program's vertex order (the matching file) and any number of shapes
// sculpted from that copy, each in the copy's order. The pairing of copy and
// base is learnt once; every shape then becomes a morph target of the base:
// the base's faces, texture coordinates, normals, groups and materials, with
// each base vertex where the shape moved its partner.
//
// Usage:
//   ShapeFamily family;
//   LoadShapeFamily(original, matching, family, host, message);
//   PairShapeFamily(family, tolerance, message, &ambiguous);
//   WrittenObjFiles files;                          // from any thread:
//   FormatShape(family, shape, new_path, files, message);
//   CommitShape(files, new_path, message);
#include <cstdint>

#include "model/model.h"
#include "morph/host.h"
#include "pairing/coincident_ties.h"
#include "pairing/face_check.h"
#include "pairing/match_diagnostics.h"
#include "wavefront/obj_writer.h"

struct ShapeFamily {
    Model original;  // as read, then regrouped once for writing
    Model matching;  // positions only
    // For each original vertex k, the matching vertex paired with it.
    int32_t* source = nullptr;
    // What the pairing does to the original's faces (PairShapeFamily).
    int32_t checked = 0;
    PairingCheck check;
    // Set before pairing: the matching file may have split or welded
    // vertices (a split one moves as its first copy; a welded original
    // vertex as the one it was welded to).
    bool allow_count_change = false;
    // How the matching vertices share the original's (PairShapeFamily),
    // with the vertices outside a matching file that is a part of the
    // original, which keep the original's position in every shape.
    VertexSharing sharing{-1, -1};

    ShapeFamily() = default;
    ShapeFamily(const ShapeFamily&) = delete;
    ShapeFamily& operator=(const ShapeFamily&) = delete;
    ~ShapeFamily();
};

// Where a pairing fails to be one-to-one, for its message.
struct PairingFaults {
    static constexpr int32_t kListed = 5;
    int32_t unpaired_count = 0;  // original vertices no matching vertex pairs with
    int32_t shared_count = 0;    // matching vertices whose partner an earlier one has
    int32_t unpaired[kListed] = {};  // their first 0-based indices
    int32_t shared[kListed] = {};
};

// For `partner` (the original index of each of n matching vertices, all
// found) and m original vertices: source[k] = the matching vertex paired
// with original vertex k. Returns 1 when every original vertex has exactly
// one, else 0 with `faults` filled.
int32_t InvertPairing(const int32_t* partner, int32_t n, int32_t m, int32_t* source, PairingFaults& faults);

// Loads the original (whole, as it will be written) and the matching file
// (positions only), leaving the current directory alone. Returns 1, or -2 /
// -3 with Convert's messages (kMessageCapacity bytes).
int32_t LoadShapeFamily(const char* original_path, const char* matching_path, ShapeFamily& family,
                        OperationHost* host, char* message);

// Pairs the matching vertices with the original's as Convert does (exactly
// when `tolerance` is 0, else within it; among coincident original vertices
// the one the faces choose, else the one of its own index) and requires the
// pairing to be one-to-one, or the matching file to be a part of the
// original (fewer vertices, each at its own original vertex), or, with
// allow_count_change, each matching vertex to have a partner. Returns 1; -5
// vertex counts differ (and the file is no part); -6 no
// vertices; -7 a vertex without a partner; -9 not one-to-one; each with its
// message. `ambiguous` receives the number of vertices paired within the
// tolerance among several positions, `ties` (when given) how the
// coincident ones were paired.
int32_t PairShapeFamily(ShapeFamily& family, double tolerance, char* message, int32_t* ambiguous,
                        TieCounts* ties = nullptr);

// The position original vertex k takes in a shape, coordinate by
// coordinate: where the shape left the matching vertex's coordinate as it
// was, the original's own (so that an unchanged shape gives back the
// original exactly, whatever tolerance paired it); else the shape's, moved
// by the distance between the original and matching coordinates when a
// tolerance paired them apart.
float ShapeCoordinate(float original, float matching, float shape);

// The message for a shape file that didn't load (kMessageCapacity bytes).
void WriteShapeNotLoaded(char* message, const char* path);

// Writes the morph target of the shape at shape_path for new_path (and its
// library beside it) into `files`, which CommitShape then puts in place:
// the flushes to the disk can be waited for while the next shape is
// formatted. May run on several threads at once for one family. Returns 1;
// -3 the shape didn't load (why in *load_error, when given); -4 not written
// (why in the files' `error`); -5 the shape's vertex count is not the
// matching file's; each with its message. `keep`, when given, gets the
// positions written (morph/shapes_gltf.h).
int32_t FormatShape(const ShapeFamily& family, const char* shape_path, const char* new_path, WrittenObjFiles& files,
                    char* message, int32_t* load_error = nullptr, float* keep = nullptr);

// Replaces new_path and its library by the files FormatShape or
// FormatShapeByTopology wrote. Returns 1, or -4 with its message.
int32_t CommitShape(WrittenObjFiles& files, const char* new_path, char* message);
