#include "pairing/face_refinement.h"

#include <algorithm>

#include "model/corners.h"
#include "pairing/mix_hash.h"
#include "platform/block.h"

namespace {

constexpr int32_t kRounds = 8;
constexpr int32_t kLargestFace = 64;       // the faces round a vertex cost the square of their corners
constexpr uint64_t kInQuestion = 1ull << 63;  // no vertex's own colour has it

struct Side {
    const Model& model;
    const int32_t* map;  // matching side: the partners
    const uint8_t* clustered;
    uint64_t* colour;
    int32_t count;

    bool InQuestion(int32_t v) const { return v >= 0 && v < count && clustered[map ? map[v] : v]; }
    uint64_t Colour(int32_t v) const {
        if (v < 0 || v >= count) return ~0ull;
        return InQuestion(v) ? colour[v] : uint64_t(uint32_t(map ? map[v] : v));
    }
};

struct Entry {
    uint64_t colour;  // the corner's, then the vertex's
    int32_t vertex;
    uint8_t side;
};

// The colours of the faces round every vertex in question, a corner each.
int64_t CornerColours(const Side& side, uint8_t which, Entry* entries, int64_t fill) {
    ForEachFace(side.model, [&](const Face& face) {
        const int32_t c = face.corner_count;
        if (!face.vertex_indices || c < 1 || c > kLargestFace) return;
        for (int32_t t = 0; t < c; ++t) {
            const int32_t v = face.vertex_indices[t];
            if (!side.InQuestion(v)) continue;
            uint64_t hash = uint64_t(c);
            for (int32_t k = 1; k < c; ++k) hash = MixHash(hash, side.Colour(face.vertex_indices[(t + k) % c]), k);
            entries[fill++] = {hash, v, which};
        }
    });
    return fill;
}

int64_t CornersInQuestion(const Side& side) {
    int64_t corners = 0;
    ForEachFace(side.model, [&](const Face& face) {
        for (int32_t t = 0; face.vertex_indices && t < face.corner_count; ++t)
            corners += side.InQuestion(face.vertex_indices[t]);
    });
    return corners;
}

// One round: each vertex in question takes the colour of its own and its
// corners' colours. Returns how many colours the vertices in question hold.
int64_t Round(Side sides[2], Entry* entries, int64_t capacity, Entry* classes) {
    int64_t fill = CornerColours(sides[0], 0, entries, 0);
    fill = CornerColours(sides[1], 1, entries, fill);
    if (fill > capacity) return -1;
    std::sort(entries, entries + fill, [](const Entry& a, const Entry& b) {
        return a.side != b.side ? a.side < b.side : a.vertex != b.vertex ? a.vertex < b.vertex : a.colour < b.colour;
    });
    for (int64_t begin = 0, end = 0; begin < fill; begin = end) {
        const Entry& first = entries[begin];
        uint64_t& colour = sides[first.side].colour[first.vertex];
        uint64_t hash = colour;
        for (end = begin; end < fill && entries[end].side == first.side && entries[end].vertex == first.vertex; ++end)
            hash = MixHash(hash, entries[end].colour, uint64_t(end - begin));
        colour = hash | kInQuestion;
    }
    int64_t members = 0;
    for (uint8_t s = 0; s < 2; ++s)
        for (int32_t v = 0; v < sides[s].count; ++v)
            if (sides[s].InQuestion(v)) classes[members++] = {sides[s].colour[v], v, s};
    std::sort(classes, classes + members, [](const Entry& a, const Entry& b) { return a.colour < b.colour; });
    int64_t distinct = 0;
    for (int64_t k = 0; k < members; ++k) distinct += k == 0 || classes[k].colour != classes[k - 1].colour;
    return distinct;
}

}  // namespace

int32_t RefineByFaces(const Model& original, const Model& matching, const uint8_t* clustered, const int32_t* key,
                      int32_t* partner, uint8_t* decided) {
    const int32_t m = original.vertex_count, n = matching.vertex_count;
    ScopedBlock<uint64_t> colours[2] = {ScopedBlock<uint64_t>(AllocateUnclearedTable<uint64_t>(size_t(m))),
                                        ScopedBlock<uint64_t>(AllocateUnclearedTable<uint64_t>(size_t(n)))};
    if (!colours[0].Get() || !colours[1].Get()) return 0;
    for (int32_t w = 0; w < m; ++w) colours[0][size_t(w)] = MixHash(uint64_t(uint32_t(key[w])), 1, 2) | kInQuestion;
    for (int32_t q = 0; q < n; ++q) colours[1][size_t(q)] = colours[0][size_t(partner[q])];
    Side sides[2] = {{original, nullptr, clustered, colours[0].Get(), m},
                     {matching, partner, clustered, colours[1].Get(), n}};
    const int64_t corners = CornersInQuestion(sides[0]) + CornersInQuestion(sides[1]);
    int64_t members = 0;
    for (uint8_t s = 0; s < 2; ++s)
        for (int32_t v = 0; v < sides[s].count; ++v) members += sides[s].InQuestion(v);
    ScopedBlock<Entry> entries(AllocateUnclearedTable<Entry>(size_t(corners) + 1));
    ScopedBlock<Entry> classes(AllocateUnclearedTable<Entry>(size_t(members) + 1));
    if (!entries.Get() || !classes.Get()) return 0;
    int64_t distinct = 0;
    for (int32_t round = 0; round < kRounds; ++round) {
        int64_t now = Round(sides, entries.Get(), corners, classes.Get());
        if (now < 0) return 0;
        if (now <= distinct) break;
        distinct = now;
    }
    // A colour of one original and one matching vertex pairs them. (The
    // partners stay as the last round's colours saw them until here.)
    for (int64_t begin = 0, end = 0; begin < members; begin = end) {
        int32_t count[2] = {0, 0}, vertex[2] = {-1, -1};
        for (end = begin; end < members && classes[size_t(end)].colour == classes[size_t(begin)].colour; ++end) {
            ++count[classes[size_t(end)].side];
            vertex[classes[size_t(end)].side] = classes[size_t(end)].vertex;
        }
        if (count[0] != 1 || count[1] != 1) continue;
        // A vertex in no face keeps its position's colour: what is left
        // over there is not the faces' choice.
        if (classes[size_t(begin)].colour == (MixHash(uint64_t(uint32_t(key[vertex[0]])), 1, 2) | kInQuestion)) continue;
        partner[vertex[1]] = vertex[0];
        decided[vertex[1]] = 1;
    }
    return 1;
}
