#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "model/model.h"
#include "tests/model/hand_model.h"

namespace {

// A triangle whose first vertex index names it.
HandFace Tri(int32_t id, int32_t material) { return HandFace{material, {id, id + 1, id + 2}, {}, {}}; }

// A face by its id, with its (group name, material).
struct Seen {
    int32_t id, name, material;
    bool operator==(const Seen& o) const { return id == o.id && name == o.name && material == o.material; }
};

std::ostream& operator<<(std::ostream& out, const Seen& s) {
    return out << s.id << "(" << s.name << "," << s.material << ")";
}

// The faces of every Group in order.
std::vector<Seen> Faces(const Model& model) {
    std::vector<Seen> seen;
    for (int32_t g = 0; g < model.group_count; ++g) {
        for (int32_t f = 0; f < model.groups[g].face_count; ++f) {
            const Face& face = model.groups[g].faces[f];
            seen.push_back({face.corner_count ? face.vertex_indices[0] : -99, face.group_name_index,
                            face.material_index});
        }
    }
    return seen;
}

// A small repeatable generator: each call gives a number in [0, range).
struct Lcg {
    uint64_t state;
    int32_t operator()(uint32_t range) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<int32_t>((state >> 33) % range);
    }
};

// `count` names: prefix0, prefix1, ...
std::vector<std::string> Numbered(const char* prefix, int32_t count) {
    std::vector<std::string> names;
    for (int32_t i = 0; i < count; ++i) names.push_back(prefix + std::to_string(i));
    return names;
}

// The faces in the order regrouping must give them: a stable sort by group
// name (names outside the table last), then by material (materials outside
// the table first).
void SortAsRegrouped(std::vector<Seen>& faces, int32_t names, int32_t materials) {
    auto name_key = [&](const Seen& s) { return s.name >= 0 && s.name < names ? s.name : names; };
    auto material_key = [&](const Seen& s) { return s.material >= 0 && s.material < materials ? s.material + 1 : 0; };
    std::stable_sort(faces.begin(), faces.end(), [&](const Seen& a, const Seen& b) {
        if (name_key(a) != name_key(b)) return name_key(a) < name_key(b);
        return material_key(a) < material_key(b);
    });
}

}  // namespace

TEST(Regroup, OrdersByGroupNameThenLibraryOrderStably) {
    Model model;
    SetVertices(model, {{0, 0, 0}});
    SetMaterials(model, {"A", "B"});
    HandFace empty{0, {}, {}, {}};
    // Two names; the Group table lists name 1's faces first.
    SetGroups(model, {"first", "second"},
              {{Tri(10, 1), Tri(11, 0), Tri(12, 1), Tri(13, -1), empty, Tri(14, 7), Tri(15, 0)},
               {Tri(20, 0), Tri(21, 1), empty}});
    for (int32_t f = 0; f < 7; ++f) model.groups[0].faces[f].group_name_index = 1;
    model.groups[1].faces[0].group_name_index = 0;
    model.groups[1].faces[1].group_name_index = -3;  // outside the table,
    model.groups[0].faces[6].group_name_index = 5;   // like this one
    model.groups[0].faces[1].material_name = 3;      // the copy does not carry the name

    ASSERT_EQ(model.RegroupByMaterial(), 1);
    ASSERT_EQ(model.group_count, 1);
    EXPECT_STREQ(model.Name(model.groups[0].name), "");
    EXPECT_EQ(model.groups[0].material_index, 0);
    // Faces without a library material (-1 and the out-of-table 7) share the
    // first place of their name, in their old order; names outside the table
    // go last; records without corners are left out.
    std::vector<Seen> expected = {{20, 0, 0},  {13, 1, -1}, {14, 1, 7}, {11, 1, 0},
                                  {10, 1, 1},  {12, 1, 1},  {15, 5, 0}, {21, -3, 1}};
    EXPECT_EQ(Faces(model), expected);
    for (int32_t f = 0; f < model.groups[0].face_count; ++f) {
        EXPECT_EQ(model.groups[0].faces[f].material_name, 0);
        EXPECT_EQ(model.groups[0].faces[f].corner_count, 3);
    }
    // The tables regrouping does not own are left alone.
    EXPECT_EQ(model.group_name_count, 2);
    EXPECT_STREQ(model.Name(model.group_name_table[1].name), "second");
    EXPECT_EQ(model.material_count, 2);
}

// Moves every Group's face records into a face pool, as a model read from a
// file holds them (a Group without faces gets a spare record there).
void MoveIntoFacePool(Model& model) {
    std::vector<std::vector<Face>> records(static_cast<size_t>(model.group_count));
    for (int32_t g = 0; g < model.group_count; ++g) {
        Group& group = model.groups[g];
        records[size_t(g)].assign(group.faces, group.faces + group.face_count);
        ReleaseBlock(group.faces);  // the index lists stay with the records
        group.faces = nullptr;
    }
    ASSERT_EQ(model.AllocateGroupFaces(), 1);
    for (int32_t g = 0; g < model.group_count; ++g) {
        for (size_t f = 0; f < records[size_t(g)].size(); ++f) model.groups[g].faces[f] = records[size_t(g)][f];
    }
}

// Regrouping sorts on one of two roads, by the number of (group name,
// material) pairs, and with few pairs moves runs of faces or, when keys
// change every face or two, single faces; every road must give the order of
// a plain stable sort, whether the faces lie in arrays of their own or in a
// face pool, where they are sorted in place when every record there is kept.
TEST(Regroup, FewAndManyNameMaterialPairsGiveAStableSortOrder) {
    // kInOrder: each Group has its own name and two runs, materials 0 then 1,
    // so every face is in place already; kTwoRunsSwapped: the same with the
    // second Group's runs the other way round.
    enum Kind { kRandom, kInOrder, kTwoRunsSwapped };
    struct Shape {
        int32_t names, materials, groups, faces;  // pairs: (names + 1) x (materials + 1); faces: per group, below
        Kind kind;
        uint32_t change = 4;  // kRandom: a key changes at one face in `change`
    } shapes[] = {{3, 2, 4, 60, kRandom},      {8, 4, 8, 60, kRandom},  {300, 300, 40, 60, kRandom},
                  {2, 40000, 3, 60, kRandom},  {4, 3, 1, 200, kRandom}, {3, 2, 3, 60, kInOrder},
                  {3, 2, 3, 60, kTwoRunsSwapped}, {3, 2, 4, 2000, kRandom, 60}, {3, 2, 2, 2000, kRandom, 1}};
    // kPoolAllKept, but the last Group's faces copied to an array of its own.
    enum Layout { kOwnArrays, kPool, kPoolAllKept, kPoolButOne };
    Lcg next{5};
    for (const Shape& shape : shapes) {
        for (Layout layout : {kOwnArrays, kPool, kPoolAllKept, kPoolButOne}) {
            SCOPED_TRACE(testing::Message() << shape.names << " names, " << shape.materials << " materials, kind "
                                            << shape.kind << ", layout " << layout);
            std::vector<std::vector<HandFace>> groups(static_cast<size_t>(shape.groups));
            int32_t id = 0;
            int32_t material = 0;
            for (size_t g = 0; g < groups.size(); ++g) {
                int32_t faces = shape.faces / 2 + next(static_cast<uint32_t>(shape.faces));
                for (int32_t f = 0; f < faces; ++f, ++id) {
                    // Materials outside the table too; records without corners
                    // are left out. Keys often repeat, as they do in files, in runs.
                    if (shape.kind == kRandom && next(shape.change) == 0)
                        material = next(static_cast<uint32_t>(shape.materials) + 2) - 1;
                    if (shape.kind != kRandom) material = (f < faces / 2) == (shape.kind == kTwoRunsSwapped && g == 1);
                    bool kept = layout == kPoolAllKept || layout == kPoolButOne || next(2);
                    groups[g].push_back(kept ? HandFace{material, {id, id, id}, {}, {}}
                                             : HandFace{material, {}, {}, {}});
                }
            }
            Model model;
            SetVertices(model, {{0, 0, 0}});
            SetMaterials(model, Numbered("m", shape.materials));
            SetGroups(model, Numbered("n", shape.names), groups);
            if (layout != kOwnArrays) MoveIntoFacePool(model);
            if (layout == kPoolButOne) {
                Group& last = model.groups[model.group_count - 1];
                std::vector<Face> records(last.faces, last.faces + last.face_count);
                last.faces = AllocateTable<Face>(records.size());
                std::copy(records.begin(), records.end(), last.faces);
            }
            std::vector<Seen> expected;
            int32_t name = 0;
            for (int32_t g = 0; g < model.group_count; ++g) {
                for (int32_t f = 0; f < model.groups[g].face_count; ++f) {
                    Face& face = model.groups[g].faces[f];
                    // -2, -1, names: outside
                    if (shape.kind == kRandom && next(shape.change) == 0)
                        name = next(static_cast<uint32_t>(shape.names) + 3) - 2;
                    face.group_name_index = shape.kind == kRandom ? name : g;
                    face.material_name = 1;
                    if (face.corner_count > 0)
                        expected.push_back({face.vertex_indices[0], face.group_name_index, face.material_index});
                }
            }
            SortAsRegrouped(expected, shape.names, shape.materials);

            ASSERT_EQ(model.RegroupByMaterial(), 1);
            ASSERT_EQ(model.group_count, 1);
            EXPECT_STREQ(model.Name(model.groups[0].name), "");
            EXPECT_EQ(Faces(model), expected);
            EXPECT_GT(expected.size(), 20u);
            for (int32_t f = 0; f < model.groups[0].face_count; ++f)
                ASSERT_EQ(model.groups[0].faces[f].material_name, 0);
            // With every record of the pool kept and few faces out of place,
            // the faces are sorted in the pool and stay there; otherwise the
            // pool goes with the old Groups.
            if (layout != kPoolAllKept || shape.kind != kRandom) {
                bool in_pool = layout == kPoolAllKept;
                EXPECT_EQ(model.face_pool != nullptr, in_pool);
                EXPECT_EQ(model.InFacePool(model.groups[0].faces), in_pool);
            }
        }
    }
}

// A record without corners in the pool would be written over by a face
// sorted into its place; it goes with its lists instead, and the faces are
// sorted into a new array (the leak checker of the sanitizer build sees
// lists that are lost).
TEST(Regroup, ARecordWithoutCornersInThePoolKeepsItsListsToBeReleased) {
    Model model;
    SetVertices(model, {{0, 0, 0}});
    SetMaterials(model, {"A", "B"});
    std::vector<HandFace> first;
    for (int32_t id = 0; id < 10; ++id) first.push_back(Tri(id, 0));
    SetGroups(model, {"first", "second"}, {first, {Tri(20, 1), Tri(21, 0), Tri(22, 0), Tri(23, 0)}});
    MoveIntoFacePool(model);
    model.groups[1].faces[2].corner_count = 0;  // its lists are still there

    ASSERT_EQ(model.RegroupByMaterial(), 1);
    std::vector<Seen> expected;
    for (int32_t id = 0; id < 10; ++id) expected.push_back({id, 0, 0});
    expected.insert(expected.end(), {{21, 1, 0}, {23, 1, 0}, {20, 1, 1}});
    EXPECT_EQ(Faces(model), expected);
    EXPECT_EQ(model.face_pool, nullptr);
}

TEST(Regroup, MergeKeepsTableOrderAndLeavesASingleGroupAlone) {
    Model model;
    SetVertices(model, {{0, 0, 0}});
    SetGroups(model, {"a", "b", "c"}, {{Tri(1, 0), Tri(2, 0)}, {}, {Tri(3, 0)}});
    ASSERT_EQ(model.MergeGroups(), 1);
    ASSERT_EQ(model.group_count, 1);
    std::vector<Seen> merged = {{1, 0, 0}, {2, 0, 0}, {3, 2, 0}};
    EXPECT_EQ(Faces(model), merged);
    EXPECT_EQ(model.group_name_count, 3);  // the faceless name stays

    Group* before = model.groups;
    EXPECT_EQ(model.MergeGroups(), 1);
    EXPECT_EQ(model.groups, before);
    EXPECT_EQ(Faces(model), merged);
}

TEST(Regroup, NothingToOrder) {
    struct Case {
        const char* what;
        bool materials;
        std::vector<std::vector<HandFace>> faces;
        int32_t result;
    };
    const Case cases[] = {
        {"no material table", false, {{Tri(1, 0)}, {Tri(2, 0)}}, 0},
        {"groups without faces", true, {{}, {}}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Model model;
        SetVertices(model, {{0, 0, 0}});
        if (c.materials) SetMaterials(model, {"A"});
        SetGroups(model, {"a", "b"}, c.faces);
        Group* before = model.groups;
        std::vector<Seen> faces = Faces(model);
        EXPECT_EQ(model.RegroupByMaterial(), c.result);
        EXPECT_EQ(model.groups, before);
        EXPECT_EQ(model.group_count, 2);
        EXPECT_EQ(Faces(model), faces);
    }
}

// Copying a face is covered by the regrouping above, which copies every face.
TEST(Faces, AllocateAndRelease) {
    Model model;
    Group group{};
    EXPECT_EQ(model.AllocateFaces(group, 0), 0);
    EXPECT_EQ(group.faces, nullptr);
    ASSERT_EQ(model.AllocateFaces(group, 2), 1);
    EXPECT_EQ(group.face_count, 2);
    group.faces[1].corner_count = 3;
    group.faces[1].vertex_indices = HandIndexList({1, 2, 3}, 3);  // the group now owns the list
    ASSERT_EQ(model.AllocateFaces(group, 1), 1);  // releases the old faces first (the sanitizers see a leak)
    EXPECT_EQ(group.face_count, 1);
    EXPECT_EQ(group.faces[0].corner_count, 0);
    model.ReleaseFaces(group);
    EXPECT_EQ(group.faces, nullptr);
    EXPECT_EQ(group.face_count, 0);
    model.ReleaseFaces(group);  // nothing left: harmless
}

// A Model read from a file keeps all its Groups' face arrays in one pool:
// an array in the pool is never released on its own, the pool goes when
// regrouping retires the Groups, and nothing is released twice or lost
// (the sanitizers see both).
TEST(Faces, GroupArraysShareOnePoolUntilRegrouped) {
    Model model;
    EXPECT_EQ(model.AllocateGroupFaces(), 0);  // no Groups
    model.group_count = 3;
    model.groups = AllocateTable<Group>(3);
    const int32_t counts[3] = {2, 0, 3};
    for (int32_t g = 0; g < 3; ++g) model.groups[g].face_count = counts[g];
    ASSERT_EQ(model.AllocateGroupFaces(), 1);
    EXPECT_EQ(model.AllocateGroupFaces(), 0);  // one pool only
    EXPECT_EQ(model.face_pool_size, 6);        // a Group without faces still gets a record
    EXPECT_EQ(model.groups[0].faces, model.face_pool);
    EXPECT_EQ(model.groups[1].faces, model.face_pool + 2);
    EXPECT_EQ(model.groups[2].faces, model.face_pool + 3);
    for (int64_t f = 0; f < model.face_pool_size; ++f) EXPECT_EQ(model.face_pool[f].vertex_indices, nullptr);

    SetMaterials(model, {"A"});
    model.group_name_count = 3;
    model.group_name_table = AllocateTable<GroupNameEntry>(3);
    int32_t id = 0;
    for (int32_t g = 0; g < 3; ++g) {
        for (int32_t f = 0; f < model.groups[g].face_count; ++f, id += 3) {
            Face& face = model.groups[g].faces[f];
            face = {3, 0, 0, 2 - g, HandIndexList({id, id + 1, id + 2}, 3), HandIndexList({}, 3), HandIndexList({}, 3)};
        }
    }
    model.ReleaseFaces(model.groups[1]);  // releases no part of the pool
    EXPECT_EQ(model.groups[1].faces, nullptr);
    ASSERT_EQ(model.AllocateFaces(model.groups[1], 1), 1);  // an array of its own
    EXPECT_FALSE(model.InFacePool(model.groups[1].faces));
    EXPECT_TRUE(model.InFacePool(model.groups[2].faces));

    ASSERT_EQ(model.RegroupByMaterial(), 1);
    EXPECT_EQ(model.face_pool, nullptr);
    EXPECT_EQ(model.face_pool_size, 0);
    EXPECT_EQ(Faces(model), (std::vector<Seen>{{6, 0, 0}, {9, 0, 0}, {12, 0, 0}, {0, 2, 0}, {3, 2, 0}}));
}
