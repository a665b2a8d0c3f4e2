#include "pairing/topology/growth_tables.h"

#include <cstring>
#include <initializer_list>

#include "platform/block.h"

int32_t* MinusOnes(size_t count) {
    int32_t* table = AllocateUnclearedTable<int32_t>(count + 1);
    if (table) std::memset(table, 0xFF, (count + 1) * sizeof(int32_t));
    return table;
}

int32_t MakeGrowthTables(Growth& g) {
    size_t vertices = size_t(g.shape->vertex_count) + 1, faces = size_t(g.shape->face_count) + 1;
    g.claimed = MinusOnes(size_t(g.original->vertex_count));
    g.face_partner = MinusOnes(size_t(g.shape->face_count));
    g.face_claimed = MinusOnes(size_t(g.original->face_count));
    g.face_direction = AllocateUnclearedTable<int8_t>(faces);
    g.faces = AllocateUnclearedTable<int32_t>(faces);
    g.vertices = AllocateUnclearedTable<int32_t>(vertices);
    g.parked_faces = AllocateUnclearedTable<int32_t>(faces);
    g.parked_face_partners = AllocateUnclearedTable<int32_t>(faces);
    g.parked_vertices = AllocateUnclearedTable<int32_t>(vertices);
    g.parked_partners = AllocateUnclearedTable<int32_t>(vertices);
    return g.claimed && g.face_partner && g.face_claimed && g.face_direction && g.faces && g.vertices &&
           g.parked_faces && g.parked_face_partners && g.parked_vertices && g.parked_partners;
}

void ReleaseGrowthTables(Growth& g) {
    for (int32_t** table : {&g.claimed, &g.face_partner, &g.face_claimed, &g.faces, &g.vertices, &g.parked_faces,
                            &g.parked_face_partners, &g.parked_vertices, &g.parked_partners}) {
        ReleaseBlock(*table);
        *table = nullptr;
    }
    ReleaseBlock(g.face_direction);
    g.face_direction = nullptr;
}

void HintsFromCandidates(const int32_t* candidates, const int32_t* caller_vertex, int32_t shape_count,
                         int32_t original_count, int32_t* counts, int32_t* hints) {
    auto valid = [&](int32_t a) { return a >= 0 && a < original_count; };
    for (int32_t b = 0; b < shape_count; ++b) {
        if (valid(candidates[b])) ++counts[candidates[b]];
    }
    for (int32_t b = 0; b < shape_count; ++b) {
        int32_t a = candidates[caller_vertex ? caller_vertex[b] : b];
        hints[b] = valid(a) && counts[a] == 0 ? a : -1;  // named once: -1 + 1
    }
    std::memset(counts, 0xFF, size_t(original_count) * sizeof(int32_t));
}

PartSeed FixedSeed(const MeshAdjacency& shape, const SeedAlignment& alignment) {
    PartSeed seed;
    seed.fixed = true;
    seed.alignment = alignment;
    seed.shape_vertex = shape.corner_vertices[alignment.shape_corner];
    return seed;
}

int32_t PartWay(const Growth& growth, const MeshParts& parts, int32_t part, int32_t seed_direction,
                int32_t& turned) {
    int32_t against = 0, count = parts.starts[part + 1] - parts.starts[part];
    for (int32_t k = parts.starts[part]; k < parts.starts[part + 1]; ++k) {
        against += growth.face_direction[parts.faces[k]] < 0 ? 1 : 0;
    }
    int32_t way = 2 * against == count ? seed_direction : 2 * against > count ? -1 : 1;
    turned = way < 0 ? count - against : against;
    return way;
}

bool SeedInRange(const TopologySeed& seed, int32_t original_count, int32_t shape_count) {
    for (int32_t i = 0; i < 3; ++i) {
        bool inside = seed.original[i] >= 0 && seed.original[i] < original_count && seed.shape[i] >= 0 &&
                      seed.shape[i] < shape_count;
        bool distinct = seed.original[i] != seed.original[(i + 1) % 3] && seed.shape[i] != seed.shape[(i + 1) % 3];
        if (!inside || !distinct) return false;
    }
    return true;
}
