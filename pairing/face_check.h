#pragma once
// What a pairing does to the original's faces, checked before anything is
// written: the faces of the matching model that, in the original's vertex
// numbers, are not faces of the original (the same corners in the same
// order round the face, from any corner), and the original vertices that
// no matching vertex took. A copy that went through another program intact
// has neither; a pairing that swapped or doubled vertices shows up in both.
// A hash table of the original's faces by their least rotation makes it
// linear in the corners of both models.
#include <cstdint>

#include "model/model.h"

struct PairingCheck {
    static constexpr int32_t kListed = 3;     // of each kind, named in messages
    static constexpr int32_t kCornersListed = 4;
    int32_t faces_not_in_original = 0;
    int32_t listed_faces = 0;
    int32_t face_corners[kListed] = {};                 // corner count of each listed face
    int32_t faces[kListed][kCornersListed] = {};        // their first corners, original vertices from 0
    int32_t unused_original_vertices = 0;
    int32_t listed_unused = 0;
    int32_t unused[kListed] = {};                       // original vertices from 0
};

// Checks the faces of `matching` against those of `original` (both with
// their face records). With `partner` (an original vertex for each matching
// vertex), a corner's vertex v stands for partner[v] and the original
// vertices taken are the partners; without, `matching` is already
// renumbered to the original's table, and a vertex is taken when a corner
// or `l` line uses it or a record's link names it. 1, or 0 with `check`
// cleared when memory can't be had.
int32_t CheckPairing(const Model& original, const Model& matching, const int32_t* partner, PairingCheck& check);
