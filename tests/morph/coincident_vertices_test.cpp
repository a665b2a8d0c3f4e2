// Coincident original vertices (seams split in the base, parts that touch,
// double-sided cards) keep the base's connectivity through every pairing by
// position: random small meshes with a known truth, shuffled.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "morph/convert.h"
#include "morph/pair_vertices.h"
#include "morph/shapes.h"
#include "tests/morph/test_models.h"

namespace {

struct Mesh {
    std::vector<Position> positions;
    std::vector<std::vector<int32_t>> faces;
    int32_t indistinct = 0;  // vertices whose faces can't tell them from another
};

int32_t Add(Mesh& mesh, Position p) {
    mesh.positions.push_back(p);
    return int32_t(mesh.positions.size()) - 1;
}

// The collapsed tip of a tooth: a ring of vertices and a centre all at one
// position, a fan of degenerate triangles between them, and the ring sewn to
// the jaw by triangles that hold the tip twice, two to a jaw vertex; beside
// it a sliver, two vertices 2e-4 apart on faces of their own.
void AddTooth(Mesh& mesh, std::mt19937& random) {
    const int32_t r = 3 + int32_t(random() % 4);
    const Position tip{7, 7, 7};
    std::vector<int32_t> ring, jaw;
    for (int32_t i = 0; i < r; ++i) ring.push_back(Add(mesh, tip));
    const int32_t centre = Add(mesh, tip);
    for (int32_t i = 0; i < (r + 1) / 2; ++i) jaw.push_back(Add(mesh, {8.0f + float(i), 6, 6}));
    for (int32_t i = 0; i < r; ++i) {
        const int32_t next = ring[size_t((i + 1) % r)];
        mesh.faces.push_back({ring[size_t(i)], next, centre});
        mesh.faces.push_back({ring[size_t(i)], jaw[size_t(i / 2)], next});
    }
    const int32_t a = Add(mesh, {12, 0, 0}), b = Add(mesh, {12.0002f, 0, 0});
    mesh.faces.push_back({a, Add(mesh, {13, 1, 0}), Add(mesh, {12, 1, 0})});
    mesh.faces.push_back({b, Add(mesh, {13, -1, 0}), Add(mesh, {14, 0, 0})});
}

// A grid of quads and triangles cut along a column seam (the faces right of
// it use copies of the seam's vertices), a triangle touching the grid at one
// vertex, a double-sided card (its back a reversed copy with vertices of its
// own), a tooth, and on some trials a face repeated whole and two unused
// vertices at one position, which nothing tells apart.
Mesh Generate(std::mt19937& random, bool with_indistinct) {
    Mesh mesh;
    const int32_t w = 2 + int32_t(random() % 5), h = 1 + int32_t(random() % 4);
    const int32_t seam = 1 + int32_t(random() % (w - 1));
    std::vector<int32_t> grid, copy;
    auto cell = [&](int32_t i, int32_t j) { return size_t(j * (w + 1) + i); };
    for (int32_t j = 0; j <= h; ++j)
        for (int32_t i = 0; i <= w; ++i) grid.push_back(Add(mesh, {float(i), float(j), float(random() % 4) * 0.5f}));
    for (int32_t j = 0; j <= h; ++j) copy.push_back(Add(mesh, mesh.positions[size_t(grid[cell(seam, j)])]));
    for (int32_t j = 0; j < h; ++j)
        for (int32_t i = 0; i < w; ++i) {
            // Faces right of the seam take its copies.
            auto v = [&](int32_t a, int32_t b) { return a == seam && i >= seam ? copy[size_t(b)] : grid[cell(a, b)]; };
            if (random() % 2) {
                mesh.faces.push_back({v(i, j), v(i + 1, j), v(i + 1, j + 1), v(i, j + 1)});
            } else {
                mesh.faces.push_back({v(i, j), v(i + 1, j), v(i + 1, j + 1)});
                mesh.faces.push_back({v(i, j), v(i + 1, j + 1), v(i, j + 1)});
            }
        }
    Position touch = mesh.positions[size_t(grid[random() % grid.size()])];
    mesh.faces.push_back({Add(mesh, touch), Add(mesh, {touch.x, touch.y, 9}), Add(mesh, {touch.x + 1, 0, 9})});
    const Position card[] = {{0, 0, 20}, {1, 0, 20}, {1, 1, 20}, {0, 1, 21}};
    std::vector<int32_t> front, back;
    for (const Position& p : card) front.push_back(Add(mesh, p));
    for (int k = 3; k >= 0; --k) back.push_back(Add(mesh, card[k]));
    mesh.faces.push_back(front);
    mesh.faces.push_back(back);
    AddTooth(mesh, random);
    if (with_indistinct) {
        for (int k = 0; k < 2; ++k)
            mesh.faces.push_back({Add(mesh, {5, 5, 30}), Add(mesh, {6, 5, 30}), Add(mesh, {6, 6, 30})});
        Add(mesh, {50, 50, 50});
        Add(mesh, {50, 50, 50});
        mesh.indistinct = 8;
    }
    return mesh;
}

// The copy another program hands back: vertices shuffled, faces shuffled
// and each starting at another corner.
Mesh Shuffle(const Mesh& mesh, std::mt19937& random) {
    std::vector<int32_t> to(mesh.positions.size());
    for (size_t k = 0; k < to.size(); ++k) to[k] = int32_t(k);
    std::shuffle(to.begin(), to.end(), random);
    Mesh copy;
    copy.positions.resize(to.size());
    for (size_t k = 0; k < to.size(); ++k) copy.positions[size_t(to[k])] = mesh.positions[k];
    for (const std::vector<int32_t>& face : mesh.faces) {
        std::vector<int32_t> corners;
        const size_t turn = random() % face.size();
        for (size_t c = 0; c < face.size(); ++c) corners.push_back(to[size_t(face[(c + turn) % face.size()])]);
        copy.faces.push_back(corners);
    }
    std::shuffle(copy.faces.begin(), copy.faces.end(), random);
    return copy;
}

// The faces as cycles that start at their lowest vertex, sorted: what the
// connectivity is, whatever the order.
std::vector<std::vector<int32_t>> Cycles(std::vector<std::vector<int32_t>> faces) {
    for (std::vector<int32_t>& face : faces)
        std::rotate(face.begin(), std::min_element(face.begin(), face.end()), face.end());
    std::sort(faces.begin(), faces.end());
    return faces;
}

std::vector<std::vector<int32_t>> Faces(const Model& model) {
    std::vector<std::vector<int32_t>> faces;
    for (int32_t g = 0; g < model.group_count; ++g)
        for (int32_t f = 0; f < model.groups[g].face_count; ++f) {
            const Face& face = model.groups[g].faces[f];
            faces.emplace_back(face.vertex_indices, face.vertex_indices + face.corner_count);
        }
    return faces;
}

TEST(CoincidentVertices, ShuffledCopiesKeepTheBasesConnectivity) {
    std::mt19937 random(35);
    for (int trial = 0; trial < 400; ++trial) {
        SCOPED_TRACE(trial);
        const Mesh base = Generate(random, trial % 4 == 0);
        const bool unshuffled = trial % 10 == 1;
        const Mesh copy = unshuffled ? base : Shuffle(base, random);
        // Within the tolerance, positions come back a little off, so that
        // the sliver's vertices are each nearer the other's place at times.
        Mesh moved = copy;
        for (Position& p : moved.positions) p.x += float(int32_t(random() % 5) - 2) * 1e-4f;
        // Exact matching, within a tolerance, and with counts allowed to differ.
        for (int way = 0; way < 3; ++way) {
            Model original, matching;
            BuildModel(original, base.positions, base.faces);
            BuildModel(matching, way == 1 ? moved.positions : copy.positions, copy.faces);
            TieCounts ties;
            int32_t count = 0;
            if (way == 0) {
                ASSERT_EQ(matching.MatchVertices(original, count, nullptr, 1, &ties), 1);
            } else {
                ConvertDiagnostics diagnostics;
                PairingRules rules{way == 1 ? 1e-3 : 0.0, false, way == 2};
                ASSERT_EQ(PairVertices(matching, original, rules, count, nullptr, &diagnostics), 1);
                ties = diagnostics.coincident;
            }
            EXPECT_EQ(Cycles(Faces(matching)), Cycles(base.faces)) << "way " << way;
            // Every original vertex is some matching vertex's partner.
            std::vector<int32_t> links;
            for (int32_t k = 0; k < matching.vertex_count; ++k) links.push_back(matching.vertices[k].link);
            std::sort(links.begin(), links.end());
            for (size_t k = 0; k < links.size(); ++k) ASSERT_EQ(links[k], int32_t(k)) << "way " << way;
            // Seam copies, the touching corner, the card's 8 corners and the tooth's 4 or more are tied.
            EXPECT_GE(ties.broken + ties.unbroken, 12 + base.indistinct);
            EXPECT_LE(ties.unbroken, base.indistinct) << "way " << way;
        }
    }
}

// A copy without coincident vertices counts no ties; an unused vertex whose
// own index its faces gave to another takes the free one.
TEST(CoincidentVertices, ByIndexOnlyWhatIsFree) {
    const Position p{0, 0, 0}, q{1, 0, 0}, r{0, 1, 0};
    struct Case {
        std::vector<Position> original, matching;
        std::vector<std::vector<int32_t>> original_faces, matching_faces;
        std::vector<int32_t> links, corners;
        int32_t broken, unbroken;
    } cases[] = {{{p, q, r}, {r, p, q}, {{0, 1, 2}}, {{1, 2, 0}}, {2, 0, 1}, {0, 1, 2}, 0, 0},
                 {{p, p, q, r}, {p, p, q, r}, {{0, 2, 3}}, {{1, 2, 3}}, {1, 0, 2, 3}, {0, 2, 3}, 1, 1}};
    for (const Case& c : cases) {
        Model original, matching;
        BuildModel(original, c.original, c.original_faces);
        BuildModel(matching, c.matching, c.matching_faces);
        TieCounts ties{7, 7};
        int32_t count = 0;
        ASSERT_EQ(matching.MatchVertices(original, count, nullptr, 1, &ties), 1);
        EXPECT_EQ(ties.broken, c.broken);
        EXPECT_EQ(ties.unbroken, c.unbroken);
        EXPECT_EQ(Corners(matching), c.corners);
        for (int32_t k = 0; k < matching.vertex_count; ++k) EXPECT_EQ(matching.vertices[k].link, c.links[size_t(k)]);
    }
}

// The corpus base has a seam of 21 coincident pairs; shapes by position
// pairs its reordered copy one to one, with the base's faces.
TEST(CoincidentVertices, CorpusBaseMakesShapes) {
    const std::string corpus = QUANDRE_TEST_DATA "/corpus/";
    ScratchFolder folder;
    ShapeFamily family;
    QuietHost host;
    char message[kMessageCapacity] = {};
    ASSERT_EQ(LoadShapeFamily((corpus + "original.obj").c_str(), (corpus + "reordered.obj").c_str(), family, &host,
                              message),
              1);
    int32_t ambiguous = -1;
    TieCounts ties;
    ASSERT_EQ(PairShapeFamily(family, 0, message, &ambiguous, &ties), 1) << message;
    EXPECT_EQ(ties.broken, 42);
    EXPECT_EQ(ties.unbroken, 0);
    const std::string out = folder.Join("shape.obj");
    WrittenObjFiles files;
    ASSERT_EQ(FormatShape(family, (corpus + "reordered.obj").c_str(), out.c_str(), files, message), 1) << message;
    ASSERT_EQ(CommitShape(files, out.c_str(), message), 1) << message;
    Model base, shape;
    ASSERT_EQ(base.LoadObj((corpus + "original.obj").c_str(), false), 1);
    ASSERT_EQ(shape.LoadObj(out.c_str(), false), 1);
    EXPECT_EQ(Cycles(Faces(shape)), Cycles(Faces(base)));
    EXPECT_EQ(VertexBytes(shape), VertexBytes(base));
}

}  // namespace

namespace {

// Blender's real round trips: the spider's collapsed tooth tips, sorted at
// random, and regr01 moved by float noise with 97 vertices within the
// tolerance of two base positions. NEW has the base's faces, every base
// vertex used, and the check before the write finds nothing.
TEST(CoincidentVertices, RealRoundTripsKeepTheBasesFaces) {
    const std::string data = QUANDRE_TEST_DATA "/round_trips/";
    struct Case { const char* base; const char* copy; bool automatic; } cases[] = {
        {"spider.obj", "spider_sort_random.obj", false},
        {"spider.obj", "spider_sort_random.obj", true},
        {"regr01.obj", "regr01_blender_default.obj", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.copy) + (c.automatic ? " auto" : ""));
        ScratchFolder folder;
        const std::string out = folder.Join("new.obj");
        ConvertDiagnostics diagnostics;
        ConvertOptions options;
        options.automatic_tolerance = c.automatic;
        options.diagnostics = &diagnostics;
        QuietHost host;
        char message[kMessageCapacity] = {};
        ASSERT_EQ(ConvertFiles((data + c.base).c_str(), (data + c.copy).c_str(), out.c_str(), &host, message, &options),
                  1) << message;
        EXPECT_EQ(diagnostics.checked, 1);
        EXPECT_EQ(diagnostics.check.faces_not_in_original, 0);
        EXPECT_EQ(diagnostics.check.unused_original_vertices, 0);
        EXPECT_EQ(diagnostics.coincident.unbroken, 0);
        Model base, written;
        ASSERT_EQ(base.LoadObj((data + c.base).c_str(), false), 1);
        ASSERT_EQ(written.LoadObj(out.c_str(), false), 1);
        EXPECT_EQ(Cycles(Faces(written)), Cycles(Faces(base)));
    }
}

// The check counts the faces a pairing breaks and the vertices it leaves,
// listing the first few in the original's numbers; a face read from another
// corner is the same face, one read the other way round is not.
TEST(CoincidentVertices, CheckNamesBrokenFacesAndUnusedVertices) {
    const std::vector<Position> square = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 0}};
    const std::vector<std::vector<int32_t>> faces = {{0, 1, 2, 3}, {1, 4, 2}};
    struct Case {
        std::vector<std::vector<int32_t>> matching_faces;
        std::vector<int32_t> partner;
        int32_t broken;
        std::vector<int32_t> first_broken;
        int32_t unused;
        std::vector<int32_t> first_unused;
    } cases[] = {
        {{{2, 3, 0, 1}, {4, 2, 1}}, {0, 1, 2, 3, 4}, 0, {}, 0, {}},
        {{{3, 2, 1, 0}, {1, 4, 2}}, {0, 1, 2, 3, 4}, 1, {3, 2, 1, 0}, 0, {}},
        {{{0, 1, 2, 3}, {1, 4, 2}}, {0, 1, 2, 3, 2}, 1, {1, 2, 2}, 1, {4}},
        {{{0, 1, 2, 3}, {1, 4, 2}}, {1, 0, 2, 3, 4}, 2, {1, 0, 2, 3, 0, 4, 2}, 0, {}},
    };
    for (const Case& c : cases) {
        Model original, matching;
        BuildModel(original, square, faces);
        BuildModel(matching, square, c.matching_faces);
        PairingCheck check;
        ASSERT_EQ(CheckPairing(original, matching, c.partner.data(), check), 1);
        EXPECT_EQ(check.faces_not_in_original, c.broken);
        std::vector<int32_t> listed;
        for (int32_t k = 0; k < check.listed_faces; ++k)
            listed.insert(listed.end(), check.faces[k], check.faces[k] + check.face_corners[k]);
        EXPECT_EQ(listed, c.first_broken);
        EXPECT_EQ(check.unused_original_vertices, c.unused);
        EXPECT_EQ(std::vector<int32_t>(check.unused, check.unused + check.listed_unused), c.first_unused);
    }
}

}  // namespace
