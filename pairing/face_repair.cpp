#include "pairing/face_repair.h"

#include <algorithm>
#include <cmath>

#include "model/corners.h"
#include "pairing/equal_positions.h"
#include "pairing/face_refinement.h"
#include "pairing/mix_hash.h"
#include "platform/block.h"

FaceRepair::~FaceRepair() { ReleaseBlock(decided); }

namespace {

constexpr int32_t kRounds = 8;
// Each corner of a face is looked up by all the others, so a face's cost
// grows with the square of its corners: larger polygons (a cap, a ground
// plane) are left to their smaller neighbours to decide.
constexpr int32_t kLargestFace = 64;

// The corners of a face after `hole`, in order round it, through `map`
// (null: as they are); -1 where a corner maps to nothing.
struct Around {
    const int32_t* corners;
    int32_t count;
    int32_t hole;
    const int32_t* map;
    int32_t At(int32_t k) const {
        int32_t v = corners[(hole + 1 + k) % count];
        return map ? map[v] : v;
    }
    uint64_t Hash() const {
        uint64_t hash = uint64_t(count);
        for (int32_t k = 0; k + 1 < count; ++k) hash = MixHash(hash, uint64_t(uint32_t(At(k))), uint64_t(k));
        return hash;
    }
};

// A corner of an original face, keyed by the corners that follow it.
struct Hole {
    uint64_t hash;
    Around around;
};

bool SameAround(const Around& a, const Around& b) {
    if (a.count != b.count) return false;
    for (int32_t k = 0; k + 1 < a.count; ++k)
        if (a.At(k) != b.At(k)) return false;
    return true;
}

// The original's corners at the vertices in play, sorted by key.
struct Holes {
    ScopedBlock<Hole> entries;
    int64_t count = 0;

    bool Make(const Model& original, const uint8_t* in_play) {
        int64_t total = 0;
        ForEachFace(original, [&](const Face& face) {
            for (int32_t t = 0; face.vertex_indices && t < face.corner_count; ++t) total += InPlay(face, t, in_play);
        });
        entries.Reset(AllocateUnclearedTable<Hole>(size_t(total) + 1));
        if (!entries.Get()) return false;
        ForEachFace(original, [&](const Face& face) {
            for (int32_t t = 0; face.vertex_indices && t < face.corner_count; ++t) {
                if (!InPlay(face, t, in_play)) continue;
                Around around{face.vertex_indices, face.corner_count, t, nullptr};
                entries[size_t(count++)] = {around.Hash(), around};
            }
        });
        std::sort(entries.Get(), entries.Get() + count, [](const Hole& a, const Hole& b) {
            return a.hash != b.hash ? a.hash < b.hash : Filled(a) < Filled(b);
        });
        // Each corner once: faces written many times over (or many faces on
        // one edge) would otherwise make every lookup walk all of them.
        int64_t kept = 0;
        for (int64_t k = 0; k < count; ++k) {
            const Hole& h = entries[size_t(k)];
            if (kept > 0) {
                const Hole& last = entries[size_t(kept - 1)];
                if (last.hash == h.hash && Filled(last) == Filled(h) && SameAround(last.around, h.around)) continue;
            }
            entries[size_t(kept++)] = h;
        }
        count = kept;
        return true;
    }
    static int32_t Filled(const Hole& h) { return h.around.corners[h.around.hole]; }
    static bool InPlay(const Face& face, int32_t t, const uint8_t* in_play) {
        return face.corner_count >= 2 && face.corner_count <= kLargestFace && in_play[face.vertex_indices[t]];
    }

    // The vertex that completes the face around `wanted`; -1 when no
    // original face has those corners, or faces with them disagree.
    int32_t Completing(const Around& wanted) const {
        const uint64_t hash = wanted.Hash();
        const Hole* begin = entries.Get();
        const Hole* end = begin + count;
        const Hole* at = std::lower_bound(begin, end, hash,
                                          [](const Hole& h, uint64_t value) { return h.hash < value; });
        int32_t found = -1;
        for (; at < end && at->hash == hash; ++at) {
            if (!SameAround(at->around, wanted)) continue;
            int32_t v = at->around.corners[at->around.hole];
            if (found >= 0 && found != v) return -1;
            found = v;
        }
        return found;
    }
};

struct Vote {
    int32_t vertex;  // matching
    int32_t chosen;  // original
    int32_t count;
};

struct Votes {
    ScopedBlock<Vote> table;
    int64_t count = 0;

    // The number of the vertex's faces that vote for `chosen`.
    int32_t For(int32_t vertex, int32_t chosen) const {
        const Vote* begin = table.Get();
        const Vote* end = begin + count;
        const Vote* at = std::lower_bound(begin, end, Vote{vertex, chosen, 0}, Less);
        return at < end && at->vertex == vertex && at->chosen == chosen ? at->count : 0;
    }
    static bool Less(const Vote& a, const Vote& b) {
        return a.vertex != b.vertex ? a.vertex < b.vertex : a.chosen < b.chosen;
    }
};

struct Pairing {
    const Model& original;
    const Model& matching;
    double tolerance;
    const uint8_t* unsure;
    int32_t* partner;
    int32_t* owner;  // per original vertex, a matching vertex paired with it, or -1
    int32_t* taken;  // per original vertex, how many matching vertices are

    bool Admissible(int32_t q, int32_t w) const {
        const Vertex& a = matching.vertices[q];
        const Vertex& b = original.vertices[w];
        if (tolerance <= 0) return PositionsEqual(a, b);
        auto near = [&](float x, float y) { return x == y || std::fabs(double(x) - double(y)) <= tolerance; };
        return near(a.x, b.x) && near(a.y, b.y) && near(a.z, b.z);
    }
    void Move(int32_t q, int32_t w) {
        --taken[partner[q]];
        if (owner[partner[q]] == q) owner[partner[q]] = -1;
        partner[q] = w;
        ++taken[w];
        owner[w] = q;
    }
};

// Every vote of the matching faces that hold an unsure vertex, counted per
// pair. -1 when memory can't be had.
int64_t CountVotes(const Pairing& p, const Holes& holes, Votes& votes) {
    int64_t corners = 0;
    ForEachFace(p.matching, [&](const Face& face) {
        for (int32_t t = 0; face.vertex_indices && t < face.corner_count; ++t) corners += p.unsure[face.vertex_indices[t]];
    });
    votes.table.Reset(AllocateUnclearedTable<Vote>(size_t(corners) + 1));
    if (!votes.table.Get()) return -1;
    Vote* v = votes.table.Get();
    int64_t fill = 0;
    ForEachFace(p.matching, [&](const Face& face) {
        if (!face.vertex_indices || face.corner_count < 2 || face.corner_count > kLargestFace) return;
        for (int32_t t = 0; t < face.corner_count; ++t) {
            const int32_t q = face.vertex_indices[t];
            if (!p.unsure[q]) continue;
            int32_t w = holes.Completing(Around{face.vertex_indices, face.corner_count, t, p.partner});
            if (w >= 0 && p.Admissible(q, w)) v[fill++] = {q, w, 1};
        }
    });
    std::sort(v, v + fill, Votes::Less);
    int64_t pairs = 0;
    for (int64_t k = 0; k < fill; ++k) {
        if (pairs > 0 && v[pairs - 1].vertex == v[k].vertex && v[pairs - 1].chosen == v[k].chosen)
            ++v[pairs - 1].count;
        else
            v[pairs++] = v[k];
    }
    votes.count = pairs;
    return pairs;
}

struct Change {
    int32_t vertex;
    int32_t chosen;
    int32_t gain;
};

// One round: each unsure vertex whose faces favour another candidate moves
// there, or swaps with the vertex holding it, best gain first, each vertex
// once (none without `apply`). Marks the vertices whose partner their
// faces favour as the round found them. Returns how many moved, or -1 when
// memory can't be had.
int32_t Round(Pairing& p, const Holes& holes, uint8_t* decided, bool apply) {
    const int32_t n = p.matching.vertex_count;
    const bool one_to_one = n == p.original.vertex_count;
    Votes votes;
    if (CountVotes(p, holes, votes) < 0) return -1;
    ScopedBlock<Change> changes(AllocateUnclearedTable<Change>(size_t(votes.count) + 1));
    ScopedBlock<uint8_t> touched(AllocateTable<uint8_t>(size_t(n)));
    if (!changes.Get() || !touched.Get()) return -1;
    std::fill(decided, decided + n, uint8_t(0));
    int32_t wanted = 0;
    for (int64_t begin = 0, end = 0; begin < votes.count; begin = end) {
        const int32_t q = votes.table[size_t(begin)].vertex;
        Vote best{q, -1, 0};
        int32_t second = 0;
        for (end = begin; end < votes.count && votes.table[size_t(end)].vertex == q; ++end) {
            const Vote& v = votes.table[size_t(end)];
            if (v.count > best.count) {
                second = best.count;
                best = v;
            } else if (v.count > second) {
                second = v.count;
            }
        }
        decided[q] = best.count > second && best.chosen == p.partner[q];
        int32_t gain = best.count - votes.For(q, p.partner[q]);
        if (apply && best.count > second && best.chosen != p.partner[q] && gain > 0) changes[size_t(wanted++)] = {q, best.chosen, gain};
    }
    std::sort(changes.Get(), changes.Get() + wanted, [](const Change& a, const Change& b) {
        return a.gain != b.gain ? a.gain > b.gain : a.vertex < b.vertex;
    });
    int32_t moved = 0;
    for (int32_t k = 0; k < wanted; ++k) {
        const Change& c = changes[size_t(k)];
        const int32_t q = c.vertex, w = c.chosen, old = p.partner[q];
        if (touched[q] || p.partner[q] == w) continue;
        if (!one_to_one || p.taken[w] == 0) {
            p.Move(q, w);
            touched[q] = 1;
            ++moved;
            continue;
        }
        const int32_t r = p.owner[w];
        if (p.taken[w] != 1 || r < 0 || touched[r] || !p.unsure[r] || !p.Admissible(r, old)) continue;
        if (c.gain + votes.For(r, old) - votes.For(r, w) <= 0) continue;
        p.Move(r, old);
        p.Move(q, w);
        touched[q] = touched[r] = 1;
        moved += 2;
    }
    return moved;
}

// Whether every face of every unsure vertex is the original's with the
// partners as they are, and no original vertex is held twice where the
// counts are equal; then every unsure vertex in a face is decided.
bool AllDecided(Pairing& p, const Holes& holes, uint8_t* decided) {
    const int32_t n = p.matching.vertex_count;
    Votes votes;
    ScopedBlock<int32_t> corners(AllocateTable<int32_t>(size_t(n)));
    if (!corners.Get() || CountVotes(p, holes, votes) < 0) return false;
    ForEachFace(p.matching, [&](const Face& face) {
        if (!face.vertex_indices || face.corner_count < 2 || face.corner_count > kLargestFace) return;
        for (int32_t t = 0; t < face.corner_count; ++t) corners[size_t(face.vertex_indices[t])] += 1;
    });
    for (int32_t q = 0; q < n; ++q)
        if (p.unsure[q] && votes.For(q, p.partner[q]) != corners[size_t(q)]) return false;
    for (int32_t w = 0; n == p.original.vertex_count && w < n; ++w)
        if (p.taken[w] > 1) return false;
    for (int32_t q = 0; q < n; ++q) decided[q] = p.unsure[q] && corners[size_t(q)] > 0;
    return true;
}

// With as many matching as original vertices: a vertex the colours left
// undecided keeps its partner unless a decided one took it, and then takes
// the lowest member of its position nobody holds.
bool Refill(const int32_t* key, int32_t m, const uint8_t* decided, const uint8_t* in_question, int32_t n,
            int32_t* partner) {
    ScopedBlock<uint8_t> held(AllocateTable<uint8_t>(size_t(m)));
    ScopedBlock<int32_t> starts(AllocateTable<int32_t>(size_t(m) + 1));
    ScopedBlock<int32_t> members(AllocateUnclearedTable<int32_t>(size_t(m)));
    if (!held.Get() || !starts.Get() || !members.Get()) return false;
    for (int32_t q = 0; q < n; ++q)
        if (decided[q]) held[size_t(partner[q])] = 1;
    ScopedBlock<uint8_t> moving(AllocateTable<uint8_t>(size_t(n)));
    if (!moving.Get()) return false;
    for (int32_t q = 0; q < n; ++q) {
        if (decided[q] || !in_question[q]) continue;
        if (held[size_t(partner[q])]) moving[size_t(q)] = 1; else held[size_t(partner[q])] = 1;
    }
    for (int32_t w = 0; w < m; ++w) ++starts[size_t(key[w]) + 1];
    for (int32_t r = 0; r < m; ++r) starts[size_t(r) + 1] += starts[size_t(r)];
    ScopedBlock<int32_t> cursor(AllocateUnclearedTable<int32_t>(size_t(m)));
    if (!cursor.Get()) return false;
    std::copy(starts.Get(), starts.Get() + m, cursor.Get());
    for (int32_t w = 0; w < m; ++w) members[size_t(cursor[size_t(key[w])]++)] = w;
    std::copy(starts.Get(), starts.Get() + m, cursor.Get());
    for (int32_t q = 0; q < n; ++q) {
        if (!moving[size_t(q)]) continue;
        const int32_t r = key[partner[q]];
        int32_t& at = cursor[size_t(r)];
        while (at < starts[size_t(r) + 1] && held[size_t(members[size_t(at)])]) ++at;
        if (at == starts[size_t(r) + 1]) continue;
        partner[q] = members[size_t(at)];
        held[size_t(partner[q])] = 1;
    }
    return true;
}

}  // namespace

int32_t FaceRepair::Run(const Model& original, const Model& matching, double tolerance, const uint8_t* unsure,
                        int32_t* partner) {
    moved = 0;
    const int32_t n = matching.vertex_count;
    const int32_t m = original.vertex_count;
    ReleaseBlock(decided);
    decided = AllocateTable<uint8_t>(size_t(n));
    ScopedBlock<int32_t> owner(AllocateUnclearedTable<int32_t>(size_t(m)));
    ScopedBlock<int32_t> taken(AllocateTable<int32_t>(size_t(m)));
    ScopedBlock<uint8_t> in_play(AllocateTable<uint8_t>(size_t(m)));
    ScopedBlock<int32_t> before(AllocateUnclearedTable<int32_t>(size_t(n)));
    ScopedBlock<uint8_t> in_question(AllocateTable<uint8_t>(size_t(n)));
    if (!decided || !owner.Get() || !taken.Get() || !in_play.Get() || !before.Get() || !in_question.Get()) return 0;
    std::fill(owner.Get(), owner.Get() + m, -1);
    for (int32_t q = 0; q < n; ++q) {
        before[size_t(q)] = partner[q];
        ++taken[size_t(partner[q])];
    }
    // The candidates: where unsure vertices sit now, and every original
    // vertex nobody holds, with those that share a position with either.
    ScopedBlock<int32_t> first(AllocateUnclearedTable<int32_t>(size_t(m)));
    if (!first.Get() || !FindFirstEqualPositions(original.vertices, m, original.vertices, m, first.Get())) return 0;
    for (int32_t w = 0; w < m; ++w)
        if (first[size_t(w)] < 0) first[size_t(w)] = w;  // a NaN position is its own
    ScopedBlock<uint8_t> group_in_play(AllocateTable<uint8_t>(size_t(m)));
    if (!group_in_play.Get()) return 0;
    for (int32_t q = 0; q < n; ++q)
        if (unsure[q]) group_in_play[size_t(first[size_t(partner[q])])] = 1;
    for (int32_t w = 0; w < m; ++w)
        if (taken[size_t(w)] == 0) group_in_play[size_t(first[size_t(w)])] = 1;
    for (int32_t w = 0; w < m; ++w) in_play[size_t(w)] = group_in_play[size_t(first[size_t(w)])];
    Holes holes;
    if (!holes.Make(original, in_play.Get())) return 0;
    Pairing p{original, matching, tolerance, unsure, partner, owner.Get(), taken.Get()};
    // Partners whose faces already all agree (the common case: the cycles
    // of positions told them apart) need nothing more.
    if (AllDecided(p, holes, decided)) return 1;
    // First the colours of the faces round each position, then face by face.
    if (!RefineByFaces(original, matching, in_play.Get(), first.Get(), partner, decided)) return 0;
    for (int32_t q = 0; q < n; ++q) in_question[size_t(q)] = in_play[size_t(before[size_t(q)])];
    if (n == m && !Refill(first.Get(), m, decided, in_question.Get(), n, partner)) {
        std::copy(before.Get(), before.Get() + n, partner);
        return 0;
    }
    // What the colours decided stays decided while the rounds leave it.
    ScopedBlock<int32_t> coloured(AllocateUnclearedTable<int32_t>(size_t(n)));
    if (!coloured.Get()) return 0;
    for (int32_t q = 0; q < n; ++q) coloured[size_t(q)] = decided[q] ? partner[q] : -1;
    std::fill(taken.Get(), taken.Get() + m, 0);
    for (int32_t q = 0; q < n; ++q) {
        ++taken[size_t(partner[q])];
        owner[size_t(partner[q])] = q;
    }
    // The last round only marks what the faces decided.
    for (int32_t round = 0; round <= kRounds; ++round) {
        int32_t changed = Round(p, holes, decided, round < kRounds);
        if (changed < 0) {
            std::copy(before.Get(), before.Get() + n, partner);
            return 0;
        }
        if (changed == 0) break;
    }
    for (int32_t q = 0; q < n; ++q) {
        moved += partner[q] != before[size_t(q)];
        decided[q] = decided[q] || coloured[size_t(q)] == partner[q];
    }
    return 1;
}
