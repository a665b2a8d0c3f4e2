// Matching by connectivity, part by part. Each part of the shape is seeded by
// the surest means at hand: a seed the user gave; a vertex an earlier part
// already paired; a vertex whose position means only one original vertex;
// and failing those, a vertex whose refined colour few vertices share. Colours
// are refined only when some part needs them.
#include "pairing/topology/topology_match.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "platform/block.h"
#include "pairing/topology/alike_parts.h"
#include "pairing/topology/colour_seeds.h"
#include "pairing/topology/face_growth.h"
#include "pairing/topology/growth_tables.h"
#include "pairing/topology/join_by_growth.h"
#include "pairing/topology/mesh_parts.h"
#include "pairing/topology/part_pairing.h"
#include "pairing/topology/split_quads.h"
#include "pairing/topology/topology_face_order.h"
#include "pairing/topology/topology_vertex_order.h"
#include "pairing/unique_positions.h"
#include "pairing/topology/user_seed.h"

namespace {

// A seed vertex with more corners than this in the original makes more
// alignments than a part given among parts alike.
constexpr int32_t kCrowdedCorners = 16;

// Parts read ahead of the one being paired, and of each the corners read.
constexpr int32_t kLookAhead = 8;
constexpr int32_t kLookAheadCorners = 8;

// Counts every part, lists the first few.
void List(TopologyPart* list, int32_t& count, const TopologyPart& part) {
    if (count < kTopologyListCapacity) list[count] = part;
    ++count;
}

template <typename Mesh>
TopologyFace Describe(const Mesh& mesh, int32_t face) {
    TopologyFace described{face, 0, {}};
    if (face < 0) return described;
    described.corner_count = mesh.face_starts[face + 1] - mesh.face_starts[face];
    for (int32_t i = 0; i < described.corner_count && i < kTopologyCornerCapacity; ++i) {
        described.vertices[i] = mesh.corner_vertices[mesh.face_starts[face] + i];
    }
    return described;
}

// As many vertices, more faces and more triangles: what splitting quads
// into triangles makes.
bool LooksSplit(const TopologyMesh& original, const TopologyMesh& shape) {
    if (shape.face_count <= original.face_count || !IsWellFormed(original) || !IsWellFormed(shape)) return false;
    int64_t triangles[2] = {};
    const TopologyMesh* meshes[2] = {&original, &shape};
    for (int32_t k = 0; k < 2; ++k) {
        for (int32_t f = 0; f < meshes[k]->face_count; ++f) {
            triangles[k] += meshes[k]->face_starts[f + 1] - meshes[k]->face_starts[f] == 3;
        }
    }
    return triangles[1] > triangles[0];
}

struct Matcher {
    const TopologyMesh& original_mesh;
    const TopologyMesh& shape_mesh;
    const TopologyOptions& options;
    TopologyMatch& result;
    MeshAdjacency original, shape;
    JoinedQuads joined;  // of the shape's faces, when its quads were split
    FaceOrder order;     // of the shape's faces, when they lay scattered
    VertexOrder numbers;  // of the shape's vertices, when they lay scattered
    TopologyMesh shape_view;  // the shape as matched: faces joined, laid out and numbered anew
    int32_t* own_partner = nullptr;  // in the view's numbers, when they are not the caller's
    MeshParts parts;
    Growth growth;
    int32_t* hints = nullptr;
    int32_t* user_seed = nullptr;    // per part: the user's seed for it, or -1
    int32_t* part_hinted = nullptr;  // per part: its first vertex with a hint, or -1
    int32_t paired_parts = 0;        // parts tried so far
    int32_t first_turned = -1;       // the turned face lowest in the caller's numbers
    SeedAlignment* alignments = nullptr;  // per user seed
    ColourSeeds colours;
    AlikeParts alike;

    Matcher(const TopologyMesh& original_in, const TopologyMesh& shape_in, const TopologyOptions& options_in,
            TopologyMatch& result_in)
        : original_mesh(original_in), shape_mesh(shape_in), options(options_in), result(result_in) {}

    ~Matcher() {
        ReleaseAdjacency(original);
        ReleaseAdjacency(shape);
        ReleaseFaceOrder(order);
        ReleaseVertexOrder(numbers);
        ReleaseJoinedQuads(joined);
        ReleaseParts(parts);
        ReleaseGrowthTables(growth);
        for (int32_t* table : {hints, user_seed, part_hinted, own_partner}) ReleaseBlock(table);
        ReleaseBlock(alignments);
        ReleaseColourSeeds(colours);
        ReleaseAlikeParts(alike);
    }

    int32_t Fail(int32_t failure) {
        if (result.failure == kTopologyPaired) result.failure = failure;
        return 0;
    }

    bool Prepare(int32_t* partner) {
        growth.original = &original;
        growth.shape = &shape;
        if (numbers.mesh_vertex) partner = own_partner = MinusOnes(size_t(shape.vertex_count));
        growth.partner = partner;
        growth.original_positions = original_mesh.positions;
        growth.shape_positions = shape_view.positions;
        user_seed = MinusOnes(size_t(parts.count));
        part_hinted = MinusOnes(size_t(parts.count));
        return MakeGrowthTables(growth) && partner && user_seed && part_hinted;
    }

    // The caller's candidates without those naming an original vertex twice,
    // or the vertices at positions each mesh holds once.
    bool MakeHints() {
        bool from_positions = original_mesh.positions && shape_view.positions;
        if (!options.candidates && !from_positions) return true;
        hints = AllocateUnclearedTable<int32_t>(size_t(shape.vertex_count) + 1);
        if (!hints) return false;
        growth.hints = hints;  // strict tries stop where a pair goes against one
        if (!options.candidates) {
            return PairUniquePositions(original_mesh.positions, original.vertex_count, shape_view.positions,
                                       shape.vertex_count, hints) != 0;
        }
        // growth.claimed counts for now.
        HintsFromCandidates(options.candidates, numbers.mesh_vertex, shape.vertex_count, original.vertex_count,
                            growth.claimed, hints);
        return true;
    }

    int32_t PlaceUserSeeds() {
        if (options.seed_count <= 0) return 1;
        if (!options.seeds) return Fail(kTopologyBadInput);
        alignments = AllocateUnclearedTable<SeedAlignment>(size_t(options.seed_count));
        if (!alignments) return Fail(kTopologyNoMemory);
        for (int32_t s = 0; s < options.seed_count; ++s) {
            const TopologySeed& seed = options.seeds[s];
            if (!SeedInRange(seed, original.vertex_count, shape.vertex_count)) return Fail(kTopologyBadInput);
            int32_t own[3] = {ViewVertex(numbers, seed.shape[0]), ViewVertex(numbers, seed.shape[1]),
                              ViewVertex(numbers, seed.shape[2])};
            if (!AlignUserSeed(original, shape, seed.original, own, alignments[s])) {
                return Fail(kTopologyBadSeed);
            }
            user_seed[parts.part_of[shape.face_of[alignments[s].shape_corner]]] = s;
        }
        return 1;
    }

    template <typename Visit>
    void ForEachPartVertex(int32_t part, Visit visit) const {
        for (int32_t k = parts.starts[part]; k < parts.starts[part + 1]; ++k) {
            int32_t f = parts.faces[k];
            for (int32_t c = shape.face_starts[f]; c < shape.face_starts[f + 1]; ++c) {
                if (!visit(shape.corner_vertices[c])) return;
            }
        }
    }

    // Colours for the parts that neither a user's seed nor a hint seeds.
    bool ColourWhereNeeded() {
        ScopedBlock<uint8_t> needs(AllocateTable<uint8_t>(size_t(parts.count) + 1));
        if (!needs.Get()) return false;
        bool any = false;
        for (int32_t p = 0; p < parts.count; ++p) {
            if (hints) ForEachPartVertex(p, [&](int32_t b) {
                if (hints[b] >= 0) part_hinted[p] = b;
                return part_hinted[p] < 0;
            });
            needs[p] = user_seed[p] < 0 && part_hinted[p] < 0;
            any = any || needs[p];
        }
        bool made = !any || FindColourSeeds(original, shape, parts, needs.Get(), kFewCandidates, colours);
        if (any && made) {
            growth.original_colours = colours.original;
            growth.shape_colours = colours.shape;
            made = PairAlikeParts(original, shape, parts, needs.Get(), colours.original, colours.shape,
                                  original_mesh.positions, shape_view.positions, alike) != 0;
            result.alike_part_count = alike.alike_count;
            result.ambiguous_part_count = alike.ambiguous_count;
        }
        return made;
    }

    PartSeed ChooseSeed(int32_t part) const {
        if (user_seed[part] >= 0) return FixedSeed(shape, alignments[user_seed[part]]);
        PartSeed seed;
        // A vertex shared with a part paired before, or with a free hint; of
        // those, the one whose original vertex has the fewest corners: each
        // is an alignment to try, and a vertex on a crowded edge may have
        // thousands.
        int32_t fewest = INT32_MAX;
        auto pick = [&](int32_t b, int32_t a) {
            int32_t corners = original.vertex_starts[a + 1] - original.vertex_starts[a];
            if (corners >= fewest) return;
            fewest = corners;
            seed.shape_vertex = b;
            seed.candidates[0] = a;
            seed.candidate_count = 1;
        };
        if (paired_parts > 0 || part_hinted[part] >= 0) ForEachPartVertex(part, [&](int32_t b) {
            if (growth.partner[b] >= 0) {
                pick(b, growth.partner[b]);
            } else if (hints && hints[b] >= 0 && growth.claimed[hints[b]] < 0) {
                pick(b, hints[b]);
            }
            return fewest > 1;
        });
        if ((seed.shape_vertex < 0 || fewest > kCrowdedCorners) && Alike(part, seed)) return seed;
        if (seed.shape_vertex < 0 && colours.part_vertex && colours.part_vertex[part] >= 0) {
            seed = Coloured(colours.part_vertex[part]);
        }
        return seed;
    }

    // A seed from the original part given this one among parts alike: its
    // first vertex not paired yet, and that part's free vertices of its
    // colour.
    bool Alike(int32_t part, PartSeed& seed) const {
        int32_t given = alike.original_part ? alike.original_part[part] : -1;
        if (given < 0) return false;
        PartSeed found;
        ForEachPartVertex(part, [&](int32_t b) {
            if (growth.partner[b] >= 0) return true;
            found.candidate_count = AlikeCandidates(alike, original, given, colours.shape[b], colours.original,
                                                    growth.claimed, found.candidates, kSeedCandidates);
            found.shape_vertex = b;
            return false;
        });
        if (found.candidate_count == 0) return false;
        found.coloured = true;
        seed = found;
        return true;
    }

    PartSeed Coloured(int32_t b) const {
        PartSeed seed;
        seed.shape_vertex = b;
        seed.coloured = true;
        seed.candidate_count = ColourCandidates(colours, b, growth.claimed, original_mesh.positions,
                                                shape_view.positions, growth.shift, seed.candidates, kSeedCandidates);
        return seed;
    }

    // On a mesh that only a few places tell apart, where it differs makes
    // vertices distinctive too, so a colour seed may lie beside the
    // difference and have only wrong candidates. A seed far from where its
    // tries stopped is tried as well, and the try that differs least is the
    // one reported: a right seed differs only where the meshes do. On a
    // symmetric mesh no colour is rare (a cube's corners are eight), and a
    // seed on the face that differs names its neighbours instead, so any
    // colour that fits the candidates does.
    bool TryFarSeed(int32_t part, PartPairing& pairing) {
        if (pairing.stopped.shape_face < 0) return false;
        int32_t b = FarColourSeed(colours, shape, pairing.stopped.shape_face, kSeedCandidates);
        if (b == -2) Fail(kTopologyNoMemory);
        if (b < 0) return false;
        // The first try's pairs are parked, not grown again, should it stay
        // the one reported; a pairing found from the far seed needs none.
        PartPairing first = pairing;
        ParkGrowth(growth, first.stopped);
        if (PairPart(growth, parts, part, Coloured(b), pairing)) return true;
        if (pairing.stopped.shape_face >= 0 && DiffersLess(pairing.across, first.across)) return false;
        UndoGrowth(growth, pairing.stopped);
        RestoreGrowth(growth, first.stopped);
        std::swap(growth.faces, growth.parked_faces);  // the lists name the pairs in place again
        std::swap(growth.vertices, growth.parked_vertices);
        pairing = first;
        return false;
    }

    // A shape face as the caller numbers it.
    int32_t MeshFace(int32_t face) const {
        if (face >= 0 && order.mesh_face) face = order.mesh_face[face];
        return face >= 0 && joined.mesh_face ? joined.mesh_face[face] : face;
    }

    TopologyPart Listed(int32_t part, const PartPairing& pairing) const {
        int32_t first = MeshFace(parts.faces[parts.starts[part]]);
        for (int32_t k = parts.starts[part] + 1; order.mesh_face && k < parts.starts[part + 1]; ++k) {
            first = std::min(first, MeshFace(parts.faces[k]));
        }
        return {first, parts.starts[part + 1] - parts.starts[part], pairing.chosen,
                pairing.other < 0 ? 0 : pairing.other};
    }

    void PairOnePart(int32_t part) {
        PartSeed seed = ChooseSeed(part);
        PartPairing pairing;
        if (seed.shape_vertex < 0 || (!seed.fixed && seed.candidate_count == 0)) {
            List(result.unseeded, result.unseeded_count, Listed(part, pairing));
            Fail(kTopologyUnseeded);
            return;
        }
        ++paired_parts;  // what it pairs, even up to where it fails, may seed the next
        if (!PairPart(growth, parts, part, seed, pairing) && !(seed.coloured && TryFarSeed(part, pairing))) {
            if (result.shape_face.face < 0 && result.original_face.face < 0) {
                result.shape_face = DescribeShapeFace(pairing.stopped.shape_face);
                result.original_face = Describe(original, pairing.stopped.original_face);
                result.symmetric_difference = pairing.tied;
            }
            Fail(kTopologyFaceDiffers);
            return;
        }
        CountTurnedFaces(part, pairing.direction);
        if (pairing.symmetric) {
            List(result.symmetric, result.symmetric_count, Listed(part, pairing));
        }
    }

    // The way most of a part's faces run is the part's (on a tie, the way its
    // seed face runs); faces that run the other way were turned over.
    void CountTurnedFaces(int32_t part, int32_t seed_direction) {
        int32_t turned = 0, way = PartWay(growth, parts, part, seed_direction, turned);
        if (way < 0) ++result.reversed_part_count;
        if (turned == 0) return;
        for (int32_t k = parts.starts[part]; k < parts.starts[part + 1]; ++k) {
            int32_t f = parts.faces[k];
            if (growth.face_direction[f] == way) continue;
            ++result.turned_face_count;
            if (first_turned < 0 || MeshFace(f) < MeshFace(first_turned)) first_turned = f;
        }
    }

    void PairParts() {
        for (int32_t s = 0; s < options.seed_count; ++s) {
            int32_t part = parts.part_of[shape.face_of[alignments[s].shape_corner]];
            if (user_seed[part] == s) PairOnePart(part);
        }
        for (int32_t p = 0; p < parts.count; ++p) {
            if (p + 2 * kLookAhead < parts.count) Prefetch(p + 2 * kLookAhead);
            if (p + kLookAhead < parts.count) PrefetchPartners(p + kLookAhead);
            if (p + kLookAhead / 2 < parts.count) PrefetchCorners(p + kLookAhead / 2);
            if (user_seed[p] < 0) PairOnePart(p);
        }
    }

    // Parts come in the order of the shape's faces, but its vertices may be
    // numbered in any order: on a mesh of many small parts, each part's
    // first reads of its vertices' tables would each wait on memory.
    void Prefetch(int32_t part) const {
        int32_t given = alike.original_part ? alike.original_part[part] : -1;
        if (given >= 0) __builtin_prefetch(alike.original_parts.starts + given);
        int32_t corners = 0;
        ForEachPartVertex(part, [&](int32_t b) {
            __builtin_prefetch(growth.partner + b);
            __builtin_prefetch(shape.vertex_starts + b);
            if (hints) __builtin_prefetch(hints + b);
            if (growth.shape_colours) __builtin_prefetch(growth.shape_colours + b);
            if (growth.shape_positions) __builtin_prefetch(growth.shape_positions + 3 * size_t(b));
            return ++corners < kLookAheadCorners;
        });
    }

    // And later, once the shape's tables are at hand, what a part's likely
    // partners read: their hints' vertices, or the original part alike.
    void PrefetchPartners(int32_t part) const {
        int32_t corners = 0;
        if (hints) ForEachPartVertex(part, [&](int32_t b) {
            int32_t a = hints[b];
            if (a >= 0) {
                __builtin_prefetch(growth.claimed + a);
                __builtin_prefetch(original.vertex_starts + a);
                if (growth.original_positions) __builtin_prefetch(growth.original_positions + 3 * size_t(a));
            }
            return ++corners < kLookAheadCorners;
        });
        int32_t given = alike.original_part && colours.original ? alike.original_part[part] : -1;
        if (given < 0) return;
        const MeshParts& from = alike.original_parts;
        for (int32_t k = from.starts[given]; k < from.starts[given + 1] && corners < kLookAheadCorners; ++k) {
            int32_t f = from.faces[k];
            for (int32_t c = original.face_starts[f]; c < original.face_starts[f + 1] && corners < kLookAheadCorners;
                 ++c, ++corners) {
                int32_t a = original.corner_vertices[c];
                __builtin_prefetch(growth.claimed + a);
                __builtin_prefetch(colours.original + a);
                __builtin_prefetch(original.vertex_starts + a);
            }
        }
    }

    // Last, the corners round a part's vertices and round their hints'.
    void PrefetchCorners(int32_t part) const {
        int32_t corners = 0;
        ForEachPartVertex(part, [&](int32_t b) {
            __builtin_prefetch(shape.vertex_corners + shape.vertex_starts[b]);
            int32_t a = hints ? hints[b] : -1;
            if (a >= 0) __builtin_prefetch(original.vertex_corners + original.vertex_starts[a]);
            return ++corners < kLookAheadCorners;
        });
    }

    // Vertices in no face can only be paired by their hints; then every
    // original face must have been reached.
    void Finish() {
        for (int32_t b = 0; b < shape.vertex_count; ++b) {
            bool lone = shape.vertex_starts[b + 1] == shape.vertex_starts[b];
            int32_t a = hints && lone ? hints[b] : -1;
            if (a >= 0 && growth.partner[b] < 0 && growth.claimed[a] < 0) growth.partner[b] = a, growth.claimed[a] = b;
        }
        for (int32_t f = 0; f < original.face_count && result.failure == kTopologyPaired; ++f) {
            if (growth.face_claimed[f] >= 0) continue;
            result.original_face = Describe(original, f);
            Fail(kTopologyFaceDiffers);
        }
        for (int32_t b = 0; b < shape.vertex_count; ++b) {
            if (growth.partner[b] >= 0) {
                ++result.paired_count;
            } else if (result.unpaired_count++ == 0) {
                result.first_unpaired = MeshVertex(numbers, b);
            }
        }
        if (result.unpaired_count > 0) Fail(kTopologyUnpairedVertices);
        if (first_turned >= 0) result.turned_face = DescribeShapeFace(first_turned);
        if (result.turned_face_count > 0 && options.refuse_turned_faces) Fail(kTopologyTurnedFaces);
    }

    // A face of the shape view in the caller's face and vertex numbers.
    TopologyFace DescribeShapeFace(int32_t face) const {
        TopologyFace described = Describe(shape, face);
        described.face = MeshFace(face);
        for (int32_t i = 0; i < described.corner_count && i < kTopologyCornerCapacity; ++i) {
            described.vertices[i] = MeshVertex(numbers, described.vertices[i]);
        }
        return described;
    }

    // The shape's mean position less the original's, over finite positions.
    void FindShift() {
        const TopologyMesh* meshes[2] = {&shape_view, &original_mesh};
        for (int32_t k = 0; k < 2 && meshes[1]->positions && meshes[0]->positions; ++k) {
            double sum[3] = {};
            int64_t count = 0;
            const float* p = meshes[k]->positions;
            for (int32_t v = 0; v < meshes[k]->vertex_count; ++v, p += 3) {
                if (!std::isfinite(p[0] + p[1] + p[2])) continue;
                for (int32_t axis = 0; axis < 3; ++axis) sum[axis] += p[axis];
                ++count;
            }
            for (int32_t axis = 0; axis < 3 && count > 0; ++axis) {
                growth.shift[axis] += (k ? -1 : 1) * sum[axis] / double(count);
            }
        }
    }

    int32_t Run(int32_t* partner) {
        int32_t paired = Match(partner);
        for (int32_t b = 0; own_partner && b < shape.vertex_count; ++b) {
            partner[MeshVertex(numbers, b)] = own_partner[b];
        }
        return paired;
    }

    int32_t Match(int32_t* partner) {
        TopologyMesh joined_view, laid_out;
        int32_t join = JoinSplitQuads(original_mesh, shape_mesh, joined, joined_view);
        bool split = join < 0 && LooksSplit(original_mesh, shape_mesh);
        if (split) {  // the triangles lie in no order the file tells: joined by the edges they share
            int32_t first = joined.first_unjoined;
            join = JoinByGrowth(original_mesh, shape_mesh, options.candidates, joined, joined_view);
            if (join < 0 && first >= 0) joined.first_unjoined = first;
        }
        if (join == 0) return Fail(kTopologyNoMemory);
        result.joined_face_count = joined.joined_count;
        result.joined_polygon_count = joined.joined_polygon_count;
        if (join < 0 && split) {
            result.unjoined_face_count = shape_mesh.face_count - original_mesh.face_count;
            result.unjoined_face = Describe(shape_mesh, joined.first_unjoined);
        }
        if (!OrderFacesByPlace(joined_view, order, laid_out)) return Fail(kTopologyNoMemory);
        if (!OrderVerticesByFaces(laid_out, numbers, shape_view)) return Fail(kTopologyNoMemory);
        int32_t built = BuildAdjacency(original_mesh, original);
        if (built > 0) built = BuildAdjacency(shape_view, shape);
        if (built <= 0) return Fail(built < 0 ? kTopologyBadInput : kTopologyNoMemory);
        if (!FindParts(shape, parts) || !Prepare(partner) || !MakeHints()) return Fail(kTopologyNoMemory);
        result.part_count = parts.count;
        FindShift();
        if (!PlaceUserSeeds()) return 0;
        if (!ColourWhereNeeded()) return Fail(kTopologyNoMemory);
        PairParts();
        Finish();
        return result.failure == kTopologyPaired ? 1 : 0;
    }
};

}  // namespace

int32_t MatchByTopology(const TopologyMesh& original, const TopologyMesh& shape, const TopologyOptions& options,
                        int32_t* partner, TopologyMatch& result) {
    result = TopologyMatch{};
    if (!partner || shape.vertex_count < 0) {
        result.failure = kTopologyBadInput;
        return 0;
    }
    for (int32_t b = 0; b < shape.vertex_count; ++b) partner[b] = -1;
    if (original.vertex_count != shape.vertex_count) {
        result.failure = kTopologyCountsDiffer;
        return 0;
    }
    Matcher matcher(original, shape, options, result);
    return matcher.Run(partner);
}
