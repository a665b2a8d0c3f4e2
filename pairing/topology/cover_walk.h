#pragma once
// The faces of a shape that cover one face of the original: the face
// itself, or the n - 2 triangles an exporter split an n-gon into (any fan
// or strip), found by walking round the n-gon's border in the shape. From
// an edge of the shape paired with an edge of the original face, the walk
// turns round each corner through the shape's faces there, one or more,
// until it meets the next edge of the border; where the original's
// vertices are paired already, only the turn that lands on the partner
// goes on, and a vertex whose candidate names another original vertex
// stops it, as does a cover that leaves round one of its vertices fewer
// shape faces than the original faces still to cover there need, or more
// than they could take. A walk may find more than one cover (a quad with two vertices
// known: either diagonal); it then says so.
#include <cstdint>

#include "pairing/topology/topology_mesh.h"

struct CoverWalk {
    const MeshAdjacency* original = nullptr;
    const MeshAdjacency* shape = nullptr;
    const int32_t* partner = nullptr;   // per shape vertex: its original vertex, or -1
    const int32_t* claimed = nullptr;   // per original vertex: its shape vertex, or -1
    const int32_t* cover_of = nullptr;  // per shape face: the original face it covers, or -1
    const int32_t* covered = nullptr;   // per original face: nonzero once covered
    const int32_t* hints = nullptr;     // per shape vertex: the original vertex it likely pairs with, or -1; or null
    // Scratch, from MakeCoverWalk: marks per shape corner, face and vertex,
    // all 0 between walks, and the lists of the walk and of the cover kept.
    int32_t* corner_mark = nullptr;
    int32_t* face_mark = nullptr;
    int32_t* vertex_mark = nullptr;
    int32_t* frames = nullptr;  // 4 per step of the walk
    int32_t* path = nullptr;    // the border's shape vertices, then its corners, then the cover's faces
    int32_t* kept = nullptr;    // the same for the cover kept
    int32_t most_corners = 0;   // of an original face
};

// A cover found: the shape vertices of the border in the order the shape
// runs (the first paired with original corner `first`, the rest going round
// the original face by `step`), the shape corner on each border edge, and
// the covering faces.
struct Cover {
    int32_t face = -1;  // the original face
    int32_t first = 0;  // the place of the first border vertex in it
    int32_t step = 1;   // +1 when the shape runs round the same way, -1 the other way
    int32_t count = 0;  // corners
    const int32_t* vertices = nullptr;
    const int32_t* corners = nullptr;
    const int32_t* faces = nullptr;
    int32_t face_count = 0;
};

// 1 when the walk's tables can be had; 0 otherwise.
int32_t MakeCoverWalk(CoverWalk& walk);
void ReleaseCoverWalk(CoverWalk& walk);

// The covers of the original face of `original_corner` whose border starts
// with the edge of `shape_corner`, that edge running from the partner of the
// original corner's vertex (direction +1) or to it (-1). Returns how many
// were found: 0, 1, or 2 for two or more (or too many turns to tell); with
// one or more, `cover` is the first found.
int32_t FindCover(CoverWalk& walk, int32_t original_corner, int32_t shape_corner, int32_t direction, Cover& cover);
