// A piece is paired part by part as a whole mesh is, with three differences:
// growth crosses no edge the cut left on the piece's border (the original
// face beyond it belongs to what was not exported); a part is seeded only by
// what the user or the positions say; and a part seeded by positions pairs
// only where they all agree, as a piece fits many places of a large
// original (turned over about its unmoved border, say). Colours can't seed
// a piece: along the cut its vertices have other neighbourhoods than the
// original's, so no colour of it is one the original has. The shift a sculpt of the
// whole mesh adds is not taken off either: the piece's mean lies wherever
// the piece was cut, not where the original's does.
#include "pairing/topology/piece_match.h"

#include <initializer_list>

#include "platform/block.h"
#include "pairing/topology/face_growth.h"
#include "pairing/topology/growth_tables.h"
#include "pairing/topology/mesh_parts.h"
#include "pairing/topology/part_pairing.h"
#include "pairing/topology/user_seed.h"
#include "pairing/unique_positions.h"

namespace {

TopologyFace Describe(const MeshAdjacency& mesh, int32_t face) {
    TopologyFace described{face, 0, {}};
    if (face < 0) return described;
    described.corner_count = CornerCount(mesh, face);
    for (int32_t i = 0; i < described.corner_count && i < kTopologyCornerCapacity; ++i) {
        described.vertices[i] = mesh.corner_vertices[mesh.face_starts[face] + i];
    }
    return described;
}

struct PieceMatcher {
    const TopologyMesh& original_mesh;
    const TopologyMesh& piece_mesh;
    const TopologyOptions& options;
    TopologyMatch& result;
    PieceSeeding& seeding;
    MeshAdjacency original, piece;
    MeshParts parts;
    Growth growth;
    int32_t* hints = nullptr;
    int32_t* user_seed = nullptr;  // per part: the user's seed for it, or -1
    SeedAlignment* alignments = nullptr;

    PieceMatcher(const TopologyMesh& original_in, const TopologyMesh& piece_in, const TopologyOptions& options_in,
                 TopologyMatch& result_in, PieceSeeding& seeding_in)
        : original_mesh(original_in), piece_mesh(piece_in), options(options_in), result(result_in),
          seeding(seeding_in) {}

    ~PieceMatcher() {
        ReleaseAdjacency(original);
        ReleaseAdjacency(piece);
        ReleaseParts(parts);
        ReleaseGrowthTables(growth);
        for (int32_t* table : {hints, user_seed}) ReleaseBlock(table);
        ReleaseBlock(alignments);
    }

    int32_t Fail(int32_t failure) {
        if (result.failure == kTopologyPaired) result.failure = failure;
        return 0;
    }

    bool Prepare(int32_t* partner) {
        growth.original = &original;
        growth.shape = &piece;
        growth.partner = partner;
        growth.cut_out = true;
        growth.strict_only = true;
        growth.original_positions = original_mesh.positions;
        growth.shape_positions = piece_mesh.positions;
        hints = MinusOnes(size_t(piece.vertex_count));
        user_seed = MinusOnes(size_t(parts.count));
        return MakeGrowthTables(growth) && hints && user_seed;
    }

    // The caller's candidates, none naming an original vertex twice; or the
    // vertices at positions each mesh holds once.
    bool MakeHints() {
        const bool positions = original_mesh.positions && piece_mesh.positions;
        if (!options.candidates && positions &&
            !PairUniquePositions(original_mesh.positions, original.vertex_count, piece_mesh.positions,
                                 piece.vertex_count, hints)) {
            return false;
        }
        if (options.candidates) {  // growth.claimed counts for now
            HintsFromCandidates(options.candidates, nullptr, piece.vertex_count, original.vertex_count,
                                growth.claimed, hints);
        }
        for (int32_t b = 0; b < piece.vertex_count; ++b) seeding.hinted_count += hints[b] >= 0;
        growth.hints = hints;
        return true;
    }

    int32_t PlaceUserSeeds() {
        if (options.seed_count <= 0) return 1;
        alignments = AllocateUnclearedTable<SeedAlignment>(size_t(options.seed_count));
        if (!options.seeds || !alignments) return Fail(options.seeds ? kTopologyNoMemory : kTopologyBadInput);
        for (int32_t s = 0; s < options.seed_count; ++s) {
            const TopologySeed& seed = options.seeds[s];
            if (!SeedInRange(seed, original.vertex_count, piece.vertex_count)) return Fail(kTopologyBadInput);
            if (!AlignUserSeed(original, piece, seed.original, seed.shape, alignments[s])) {
                return Fail(kTopologyBadSeed);
            }
            user_seed[parts.part_of[piece.face_of[alignments[s].shape_corner]]] = s;
        }
        return 1;
    }

    // The user's seed; else of the part's vertices with a free hint, the one
    // whose original vertex has the fewest corners (each an alignment to try).
    PartSeed ChooseSeed(int32_t part) const {
        if (user_seed[part] >= 0) return FixedSeed(piece, alignments[user_seed[part]]);
        PartSeed seed;
        int32_t fewest = INT32_MAX;
        for (int32_t k = parts.starts[part]; k < parts.starts[part + 1] && fewest > 1; ++k) {
            int32_t f = parts.faces[k];
            for (int32_t c = piece.face_starts[f]; c < piece.face_starts[f + 1]; ++c) {
                int32_t b = piece.corner_vertices[c], a = hints[b];
                if (a < 0 || growth.claimed[a] >= 0) continue;
                int32_t corners = original.vertex_starts[a + 1] - original.vertex_starts[a];
                if (corners >= fewest) continue;
                fewest = corners;
                seed.shape_vertex = b;
                seed.candidates[0] = a;
                seed.candidate_count = 1;
            }
        }
        return seed;
    }

    TopologyPart Listed(int32_t part, const PartPairing& pairing) const {
        return {parts.faces[parts.starts[part]], parts.starts[part + 1] - parts.starts[part], pairing.chosen,
                pairing.other < 0 ? 0 : pairing.other};
    }

    static void List(TopologyPart* list, int32_t& count, const TopologyPart& part) {
        if (count < kTopologyListCapacity) list[count] = part;
        ++count;
    }

    void PairOnePart(int32_t part) {
        PartSeed seed = ChooseSeed(part);
        PartPairing pairing;
        if (seed.shape_vertex < 0) {
            List(result.unseeded, result.unseeded_count, Listed(part, pairing));
            Fail(kTopologyUnseeded);
            return;
        }
        ++(seed.fixed ? seeding.user_seeded : seeding.hint_seeded);
        if (!PairPart(growth, parts, part, seed, pairing)) {
            if (pairing.stopped.shape_face < 0 && !seed.fixed) {  // whole, but only against the positions
                ++seeding.misplaced;
                UndoGrowth(growth, pairing.stopped);
            } else if (result.shape_face.face < 0) {
                result.shape_face = Describe(piece, pairing.stopped.shape_face);
                result.original_face = Describe(original, pairing.stopped.original_face);
                result.symmetric_difference = pairing.tied;
            }
            Fail(kTopologyFaceDiffers);
            return;
        }
        CountTurnedFaces(part, pairing.direction);
        if (pairing.symmetric) List(result.symmetric, result.symmetric_count, Listed(part, pairing));
    }

    // As a whole mesh's: the way most faces of a part run is the part's.
    void CountTurnedFaces(int32_t part, int32_t seed_direction) {
        int32_t turned = 0, way = PartWay(growth, parts, part, seed_direction, turned);
        if (way < 0) ++result.reversed_part_count;
        for (int32_t k = parts.starts[part]; turned > 0 && k < parts.starts[part + 1]; ++k) {
            int32_t f = parts.faces[k];
            if (growth.face_direction[f] == way) continue;
            if (result.turned_face_count++ == 0 || f < result.turned_face.face) result.turned_face = Describe(piece, f);
        }
    }

    // Vertices in no face pair by their hints alone.
    void Finish() {
        for (int32_t b = 0; b < piece.vertex_count; ++b) {
            bool lone = piece.vertex_starts[b + 1] == piece.vertex_starts[b];
            int32_t a = lone ? hints[b] : -1;
            if (a >= 0 && growth.partner[b] < 0 && growth.claimed[a] < 0) growth.partner[b] = a, growth.claimed[a] = b;
            if (growth.partner[b] >= 0) {
                ++result.paired_count;
            } else if (result.unpaired_count++ == 0) {
                result.first_unpaired = b;
            }
        }
        if (result.unpaired_count > 0) Fail(kTopologyUnpairedVertices);
        if (result.turned_face_count > 0 && options.refuse_turned_faces) Fail(kTopologyTurnedFaces);
    }

    int32_t Match(int32_t* partner) {
        int32_t built = BuildAdjacency(original_mesh, original);
        if (built > 0) built = BuildAdjacency(piece_mesh, piece);
        if (built <= 0) return Fail(built < 0 ? kTopologyBadInput : kTopologyNoMemory);
        if (!FindParts(piece, parts) || !Prepare(partner) || !MakeHints()) return Fail(kTopologyNoMemory);
        result.part_count = parts.count;
        if (!PlaceUserSeeds()) return 0;
        for (int32_t p = 0; p < parts.count; ++p) PairOnePart(p);
        Finish();
        return result.failure == kTopologyPaired ? 1 : 0;
    }
};

}  // namespace

int32_t MatchPieceByTopology(const TopologyMesh& original, const TopologyMesh& piece, const TopologyOptions& options,
                             int32_t* partner, TopologyMatch& result, PieceSeeding& seeding) {
    result = TopologyMatch{};
    seeding = PieceSeeding{};
    if (!partner || piece.vertex_count < 0) {
        result.failure = kTopologyBadInput;
        return 0;
    }
    for (int32_t b = 0; b < piece.vertex_count; ++b) partner[b] = -1;
    if (piece.vertex_count > original.vertex_count) {
        result.failure = kTopologyCountsDiffer;
        return 0;
    }
    PieceMatcher matcher(original, piece, options, result, seeding);
    return matcher.Match(partner);
}
