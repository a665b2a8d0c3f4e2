#pragma once
// A seed given by the user: three vertices of one face in each mesh.
#include <cstdint>

#include "pairing/topology/face_growth.h"
#include "pairing/topology/topology_mesh.h"

// The alignment that lays a shape face holding shape[0..2] onto an original
// face holding original[0..2], each vertex onto its counterpart, either way
// round. The vertices of each triple are distinct and in range. Returns 0
// when there is no such pair of faces.
int32_t AlignUserSeed(const MeshAdjacency& original, const MeshAdjacency& shape, const int32_t original_vertices[3],
                      const int32_t shape_vertices[3], SeedAlignment& alignment);
