// Faces as cycles of positions: each face is written as the cyclic sequence
// of its corners' positions (for the original, the lowest vertex at each;
// for the matching model, its partner), turned to its least rotation and
// hashed. Faces of both models with the same cycle, one of each, pair
// corner by corner, and each such pair votes for the original vertex a
// tied matching vertex takes. Several faces of each model with one cycle
// (coincident duplicate faces) pair in file order, as weaker votes: they
// keep the faces whole but tell nothing apart. Votes are counted per pair
// of vertices, and the pairs are granted best first while both vertices
// are free. Everything is sorting: O(c log c) in the corners of the faces
// that touch a shared position, and nothing at all when no position is
// shared.
#include "pairing/coincident_ties.h"

#include <algorithm>

#include "model/corners.h"
#include "pairing/equal_positions.h"
#include "pairing/least_rotation.h"
#include "pairing/mix_hash.h"
#include "platform/block.h"

int32_t PartnersRepeat(const int32_t* partner, int32_t n, int32_t m) {
    if (n <= 0 || m <= 0) return 0;
    ScopedBlock<uint8_t> seen(AllocateTable<uint8_t>(size_t(m) / 8 + 1));
    if (!seen.Get()) return -1;
    for (int32_t i = 0; i < n; ++i) {
        int32_t j = partner[i];
        if (j < 0 || j >= m) continue;
        uint8_t bit = uint8_t(1u << (j & 7));
        if (seen[size_t(j) >> 3] & bit) return 1;
        seen[size_t(j) >> 3] |= bit;
    }
    return 0;
}

CoincidentTies::~CoincidentTies() { ReleaseBlock(first); }

namespace {

// The original vertices by position: the members of the position whose
// lowest vertex is r are members[starts[r]] to members[starts[r + 1]], in
// index order.
struct Positions {
    ScopedBlock<int32_t> starts;
    ScopedBlock<int32_t> members;

    bool Make(const int32_t* first, int32_t m) {
        starts.Reset(AllocateTable<int32_t>(size_t(m) + 1));
        members.Reset(AllocateUnclearedTable<int32_t>(size_t(m)));
        if (!starts.Get() || !members.Get()) return false;
        for (int32_t w = 0; w < m; ++w) ++starts[size_t(first[w]) + 1];
        for (int32_t r = 0; r < m; ++r) starts[size_t(r) + 1] += starts[size_t(r)];
        // starts[r] is the fill cursor of position r and ends at its end.
        for (int32_t w = 0; w < m; ++w) members[size_t(starts[size_t(first[w])]++)] = w;
        for (int32_t r = m; r > 0; --r) starts[size_t(r)] = starts[size_t(r) - 1];
        starts[0] = 0;
        return true;
    }
    int32_t Size(int32_t r) const { return starts[size_t(r) + 1] - starts[size_t(r)]; }
};

// A face of either model, as a cycle of position keys.
struct FaceCycle {
    uint64_t hash;
    const int32_t* corners;
    int32_t count;
    int32_t rotation;  // where its least rotation starts
    int32_t order;     // its place among the faces read
    uint8_t side;      // 0 original, 1 matching
    uint8_t periodic;  // the cycle repeats itself: its corners can't be told which is which
};

// The key of each vertex of one side: the lowest original vertex at its
// position; -1 outside the table.
struct Keys {
    const int32_t* first;
    const int32_t* partner;  // null for the original
    int32_t count;           // vertices of this side
    int32_t original_count;
    int32_t operator()(int32_t v) const {
        if (v < 0 || v >= count) return -1;
        if (!partner) return first[v];
        return partner[v] >= 0 && partner[v] < original_count ? first[partner[v]] : -1;
    }
};

struct Sides {
    Keys keys[2];
    const Positions* positions;

    bool Shared(int side, int32_t v) const {
        int32_t key = keys[side](v);
        return key >= 0 && positions->Size(key) > 1;
    }
};

// Adds the faces of `model` that touch a shared position to `cycles`.
void AddCycles(const Model& model, const Sides& sides, uint8_t side, FaceCycle* cycles, int32_t& fill) {
    const Keys& key = sides.keys[side];
    int32_t order = 0;
    ForEachFace(model, [&](const Face& face) {
        ++order;
        const int32_t c = face.corner_count;
        if (!face.vertex_indices || c < 1) return;
        bool shared = false, inside = true;
        for (int32_t t = 0; t < c; ++t) {
            inside = inside && key(face.vertex_indices[t]) >= 0;
            shared = shared || sides.Shared(side, face.vertex_indices[t]);
        }
        if (!shared || !inside) return;
        bool periodic = false;
        int32_t r = LeastRotation(face.vertex_indices, c, key, periodic);
        uint64_t hash = uint64_t(c);
        for (int32_t t = 0; t < c; ++t) hash = MixHash(hash, uint64_t(key(face.vertex_indices[(r + t) % c])), t);
        cycles[fill++] = {hash, face.vertex_indices, c, r, order, side, uint8_t(periodic)};
    });
}

// Corner-count bound for the cycles and votes of one model's faces.
int64_t CornersOf(const Model* model, int32_t& faces) {
    int64_t corners = 0;
    faces = 0;
    if (!model) return 0;
    ForEachFace(*model, [&](const Face& face) {
        ++faces;
        corners += face.corner_count > 0 ? face.corner_count : 0;
    });
    return corners;
}

bool SameCycle(const FaceCycle& a, const FaceCycle& b, const Sides& sides) {
    if (a.count != b.count) return false;
    for (int32_t t = 0; t < a.count; ++t) {
        if (sides.keys[a.side](a.corners[(a.rotation + t) % a.count]) !=
            sides.keys[b.side](b.corners[(b.rotation + t) % b.count]))
            return false;
    }
    return true;
}

struct Vote {
    int32_t vertex;  // matching
    int32_t chosen;  // original
    int64_t score;   // strong votes in the high half, weak ones in the low
};

// The votes of one group of cycles with one hash: its faces that equal the
// first one, paired in order when each side has as many.
void VoteGroup(const FaceCycle* group, int32_t size, const Sides& sides, const uint8_t* tied, Vote* votes,
               int64_t& fill) {
    if (group[0].periodic) return;
    int32_t count[2] = {0, 0};
    for (int32_t k = 0; k < size; ++k) count[group[k].side] += SameCycle(group[0], group[k], sides) ? 1 : 0;
    if (count[0] != count[1] || count[0] == 0) return;
    const int64_t weight = count[0] == 1 ? int64_t(1) << 32 : 1;
    int32_t o = 0, q = 0;  // the next original and matching face of the group
    for (;;) {
        while (o < size && (group[o].side != 0 || !SameCycle(group[0], group[o], sides))) ++o;
        while (q < size && (group[q].side != 1 || !SameCycle(group[0], group[q], sides))) ++q;
        if (o >= size || q >= size) return;
        const FaceCycle& a = group[o++];
        const FaceCycle& b = group[q++];
        for (int32_t t = 0; t < a.count; ++t) {
            int32_t vertex = b.corners[(b.rotation + t) % b.count];
            if (tied[vertex]) votes[fill++] = {vertex, a.corners[(a.rotation + t) % a.count], weight};
        }
    }
}

// Every vote the faces give, summed per pair of vertices: the pairs sorted
// by vertex. Returns the number of pairs, or -1 when memory can't be had.
int64_t CountVotes(const Model& original, const Model& matching, const Sides& sides, const uint8_t* tied,
                   ScopedBlock<Vote>& votes) {
    int32_t faces[2];
    CornersOf(&original, faces[0]);
    int64_t matching_corners = CornersOf(&matching, faces[1]);
    ScopedBlock<FaceCycle> cycles(AllocateUnclearedTable<FaceCycle>(size_t(faces[0]) + size_t(faces[1]) + 1));
    votes.Reset(AllocateUnclearedTable<Vote>(size_t(matching_corners) + 1));
    if (!cycles.Get() || !votes.Get()) return -1;
    int32_t fill = 0;
    AddCycles(original, sides, 0, cycles.Get(), fill);
    AddCycles(matching, sides, 1, cycles.Get(), fill);
    std::sort(cycles.Get(), cycles.Get() + fill, [](const FaceCycle& a, const FaceCycle& b) {
        return a.hash != b.hash ? a.hash < b.hash : a.side != b.side ? a.side < b.side : a.order < b.order;
    });
    int64_t cast = 0;
    for (int32_t begin = 0, end = 0; begin < fill; begin = end) {
        while (end < fill && cycles[end].hash == cycles[begin].hash) ++end;
        VoteGroup(cycles.Get() + begin, end - begin, sides, tied, votes.Get(), cast);
    }
    Vote* v = votes.Get();
    std::sort(v, v + cast, [](const Vote& a, const Vote& b) {
        return a.vertex != b.vertex ? a.vertex < b.vertex : a.chosen < b.chosen;
    });
    int64_t pairs = 0;
    for (int64_t k = 0; k < cast; ++k) {
        if (pairs > 0 && v[pairs - 1].vertex == v[k].vertex && v[pairs - 1].chosen == v[k].chosen)
            v[pairs - 1].score += v[k].score;
        else
            v[pairs++] = v[k];
    }
    return pairs;
}

// The state of the assignment: for each matching vertex its choice (-1
// while none), for each original vertex whether it is taken.
struct Assignment {
    int32_t* choice;
    uint8_t* taken;
    // Per matching vertex: 1 while its faces favour one candidate above
    // every other, 2 once that one was granted to it, 0 otherwise.
    uint8_t* chosen_by_faces;
    int32_t* preferred;  // per matching vertex: the candidate its faces favour most; -1 for none

    void Grant(int32_t vertex, int32_t chosen) {
        choice[vertex] = chosen;
        taken[chosen] = 1;
    }
};

// Which vertices' faces favour one candidate alone (with at least one
// face that pairs with no other).
void MarkDecisive(const Vote* votes, int64_t pairs, Assignment& a) {
    for (int64_t begin = 0, end = 0; begin < pairs; begin = end) {
        int64_t best = 0, second = 0;
        while (end < pairs && votes[end].vertex == votes[begin].vertex) {
            int64_t s = votes[end++].score;
            second = s > best ? best : s > second ? s : second;
            best = s > best ? s : best;
        }
        a.chosen_by_faces[votes[begin].vertex] = best > second && (best >> 32) > 0 ? 1 : 0;
    }
}

// Grants the voted pairs best first while both vertices are free. A
// vertex's first pair in that order is its best.
void GrantVotes(Vote* votes, int64_t pairs, Assignment& a) {
    MarkDecisive(votes, pairs, a);
    std::sort(votes, votes + pairs, [](const Vote& x, const Vote& y) {
        if (x.score != y.score) return x.score > y.score;
        return x.vertex != y.vertex ? x.vertex < y.vertex : x.chosen < y.chosen;
    });
    for (int64_t k = 0; k < pairs; ++k) {
        const Vote& v = votes[k];
        uint8_t& faces = a.chosen_by_faces[v.vertex];
        if (a.preferred[v.vertex] < 0) a.preferred[v.vertex] = v.chosen;
        bool free = a.choice[v.vertex] < 0 && !a.taken[v.chosen];
        if (free) a.Grant(v.vertex, v.chosen);
        if (faces == 1) faces = free ? 2 : 0;
    }
}

// The tied vertices no vote placed: the original vertex of their own index
// when it is a free candidate, then the lowest free candidate; when none is
// free (more matching than original vertices at the position), the one
// their faces favour, else the lowest.
bool GrantByIndex(const int32_t* first, const Positions& positions, const int32_t* partner, const uint8_t* tied,
                  int32_t n, int32_t m, Assignment& a) {
    for (int32_t i = 0; i < n && i < m; ++i) {
        if (tied[i] && a.choice[i] < 0 && first[i] == first[partner[i]] && !a.taken[i]) a.Grant(i, i);
    }
    // Each position's members are taken from its lowest free one on.
    ScopedBlock<int32_t> cursor(AllocateUnclearedTable<int32_t>(size_t(m)));
    if (!cursor.Get()) return false;
    for (int32_t r = 0; r < m; ++r) cursor[size_t(r)] = positions.starts[size_t(r)];
    for (int32_t i = 0; i < n; ++i) {
        if (!tied[i] || a.choice[i] >= 0) continue;
        const int32_t r = first[partner[i]];
        const int32_t end = positions.starts[size_t(r) + 1];
        int32_t& at = cursor[size_t(r)];
        while (at < end && a.taken[positions.members[size_t(at)]]) ++at;
        if (at < end)
            a.Grant(i, positions.members[size_t(at)]);
        else
            a.choice[i] = a.preferred[i] >= 0 ? a.preferred[i] : r;
    }
    return true;
}

}  // namespace

int32_t CoincidentTies::Find(const Vertex* original, int32_t m, const int32_t* partner, int32_t n) {
    tied = 0;
    ReleaseBlock(first);
    first = AllocateUnclearedTable<int32_t>(size_t(m));
    ScopedBlock<int32_t> size(AllocateTable<int32_t>(size_t(m)));
    if (!first || !size.Get() || !FindFirstEqualPositions(original, m, original, m, first)) return 0;
    for (int32_t w = 0; w < m; ++w) {
        if (first[w] < 0) first[w] = w;  // a NaN position is its own
        ++size[size_t(first[w])];
    }
    for (int32_t i = 0; i < n; ++i) {
        int32_t j = partner[i];
        tied += j >= 0 && j < m && size[size_t(first[j])] > 1 ? 1 : 0;
    }
    return 1;
}

int32_t CoincidentTies::Break(int32_t m, const Model* original_faces, const Model* matching_faces, int32_t n,
                              int32_t* partner, TieCounts& counts) {
    counts = TieCounts{};
    if (!first || tied == 0) return 1;
    Positions positions;
    ScopedBlock<uint8_t> tied_flags(AllocateTable<uint8_t>(size_t(n)));
    ScopedBlock<uint8_t> taken(AllocateTable<uint8_t>(size_t(m)));
    ScopedBlock<uint8_t> by_faces(AllocateTable<uint8_t>(size_t(n)));
    ScopedBlock<int32_t> choice(AllocateUnclearedTable<int32_t>(size_t(n)));
    ScopedBlock<int32_t> preferred(AllocateUnclearedTable<int32_t>(size_t(n)));
    if (!positions.Make(first, m) || !tied_flags.Get() || !taken.Get() || !by_faces.Get() || !choice.Get() ||
        !preferred.Get())
        return 0;
    for (int32_t i = 0; i < n; ++i) {
        choice[size_t(i)] = preferred[size_t(i)] = -1;
        tied_flags[size_t(i)] = partner[i] >= 0 && partner[i] < m && positions.Size(first[partner[i]]) > 1;
    }
    Assignment a{choice.Get(), taken.Get(), by_faces.Get(), preferred.Get()};
    if (original_faces && matching_faces) {
        Sides sides{{{first, nullptr, m, m}, {first, partner, n, m}}, &positions};
        ScopedBlock<Vote> votes;
        int64_t pairs = CountVotes(*original_faces, *matching_faces, sides, tied_flags.Get(), votes);
        if (pairs < 0) return 0;
        GrantVotes(votes.Get(), pairs, a);
    }
    if (!GrantByIndex(first, positions, partner, tied_flags.Get(), n, m, a)) return 0;
    for (int32_t i = 0; i < n; ++i) {
        if (!tied_flags[size_t(i)]) continue;
        partner[i] = choice[size_t(i)];
        (by_faces[size_t(i)] == 2 ? counts.broken : counts.unbroken) += 1;
    }
    return 1;
}
