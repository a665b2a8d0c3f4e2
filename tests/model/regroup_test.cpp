#include <gtest/gtest.h>

#include <vector>

#include "model/model.h"
#include "tests/model/hand_model.h"

namespace {

// A triangle whose first vertex index names it.
HandFace Tri(int32_t id, int32_t material) { return HandFace{material, {id, id + 1, id + 2}, {}, {}}; }

// The ids of the single Group's faces, with (group name, material) of each.
struct Seen {
    int32_t id, name, material;
    bool operator==(const Seen& o) const { return id == o.id && name == o.name && material == o.material; }
};
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

}  // namespace

TEST(Regroup, OrdersByGroupNameThenLibraryOrderStably) {
    Model model;
    SetVertices(model, {{0, 0, 0}});
    SetMaterials(model, {"A", "B"});
    // Two names; the Group table lists name 1's faces first.
    SetGroups(model, {"first", "second"}, {{Tri(10, 1), Tri(11, 0), Tri(12, 1), Tri(13, 0)}, {Tri(20, 0)}});
    // Move name 1's faces behind: group 0 holds name 1, group 1 holds name 0.
    for (int32_t f = 0; f < 4; ++f) model.groups[0].faces[f].group_name_index = 1;
    model.groups[1].faces[0].group_name_index = 0;

    ASSERT_EQ(model.RegroupByMaterial(), 1);
    ASSERT_EQ(model.group_count, 1);
    EXPECT_EQ(model.groups[0].name[0], '\0');
    EXPECT_EQ(model.groups[0].material_index, 0);
    std::vector<Seen> expected = {{20, 0, 0}, {11, 1, 0}, {13, 1, 0}, {10, 1, 1}, {12, 1, 1}};
    EXPECT_EQ(Faces(model), expected);
    // The tables regrouping does not own are left alone.
    EXPECT_EQ(model.group_name_count, 2);
    EXPECT_STREQ(model.group_name_table[1].name, "second");
    EXPECT_EQ(model.material_count, 2);
}

TEST(Regroup, KeepsFacesWithoutALibraryMaterialFirstAndDropsRecordsWithoutCorners) {
    Model model;
    SetVertices(model, {{0, 0, 0}});
    SetMaterials(model, {"A", "B"});
    HandFace empty{-1, {}, {}, {}};
    SetGroups(model, {"g"}, {{Tri(1, 1), Tri(2, -1), Tri(3, 7), Tri(4, 0), Tri(5, -1), empty, empty}});
    model.groups[0].faces[1].material_name = 3;  // the copy does not carry the name

    ASSERT_EQ(model.RegroupByMaterial(), 1);
    ASSERT_EQ(model.group_count, 1);
    EXPECT_EQ(model.groups[0].face_count, 5);
    // -1 and the out-of-table 7 share the first place, in their old order.
    std::vector<Seen> expected = {{2, 0, -1}, {3, 0, 7}, {5, 0, -1}, {4, 0, 0}, {1, 0, 1}};
    EXPECT_EQ(Faces(model), expected);
    for (int32_t f = 0; f < model.groups[0].face_count; ++f) {
        EXPECT_EQ(model.groups[0].faces[f].material_name, 0);
        EXPECT_EQ(model.groups[0].faces[f].corner_count, 3);
    }
}

TEST(Regroup, GroupNamesOutsideTheTableGoLast) {
    Model model;
    SetVertices(model, {{0, 0, 0}});
    SetMaterials(model, {"A"});
    SetGroups(model, {"a", "b"}, {{Tri(1, 0), Tri(2, 0)}, {Tri(3, 0)}});
    model.groups[0].faces[0].group_name_index = 5;
    model.groups[0].faces[1].group_name_index = -3;
    ASSERT_EQ(model.RegroupByMaterial(), 1);
    std::vector<Seen> expected = {{3, 1, 0}, {1, 5, 0}, {2, -3, 0}};
    EXPECT_EQ(Faces(model), expected);
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

TEST(Regroup, SingleGroupIsStillReplacedByAnOrderedOne) {
    Model model;
    SetVertices(model, {{0, 0, 0}});
    SetMaterials(model, {"A", "B"});
    SetGroups(model, {"only"}, {{Tri(1, 1), Tri(2, 0)}});
    CopyText(model.groups[0].name, "only");
    ASSERT_EQ(model.RegroupByMaterial(), 1);
    EXPECT_EQ(model.groups[0].name[0], '\0');
    std::vector<Seen> expected = {{2, 0, 0}, {1, 0, 1}};
    EXPECT_EQ(Faces(model), expected);
}

TEST(Faces, CopyAllocateAndRelease) {
    Model model;
    Face source{};
    source.corner_count = 3;
    source.material_index = 4;
    source.material_name = 2;
    source.group_name_index = 6;
    source.vertex_indices = HandIndexList({1, 2, 3}, 3);
    Face copy{};
    Model::CopyFace(copy, source);
    EXPECT_EQ(copy.corner_count, 3);
    EXPECT_EQ(copy.vertex_indices, source.vertex_indices);  // taken over, not duplicated
    EXPECT_EQ(copy.texcoord_indices, nullptr);
    EXPECT_EQ(copy.material_index, 4);
    EXPECT_EQ(copy.group_name_index, 6);
    EXPECT_EQ(copy.material_name, 0);

    Group group{};
    EXPECT_EQ(model.AllocateFaces(group, 0), 0);
    EXPECT_EQ(group.faces, nullptr);
    ASSERT_EQ(model.AllocateFaces(group, 2), 1);
    EXPECT_EQ(group.face_count, 2);
    group.faces[1] = copy;  // the group now owns the list
    ASSERT_EQ(model.AllocateFaces(group, 1), 1);  // releases the old faces first
    EXPECT_EQ(group.face_count, 1);
    EXPECT_EQ(group.faces[0].corner_count, 0);
    model.ReleaseFaces(group);
    EXPECT_EQ(group.faces, nullptr);
    EXPECT_EQ(group.face_count, 0);
    model.ReleaseFaces(group);  // nothing left: harmless
}
