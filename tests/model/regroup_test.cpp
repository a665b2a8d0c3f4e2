#include <gtest/gtest.h>

#include <algorithm>
#include <random>
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
    std::mt19937 random(5);
    auto next = [&random](uint32_t range) { return static_cast<int32_t>(random() % range); };
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
                    if (layout == kOwnArrays) {  // faces without normal lists, as the writer allows
                        ReleaseBlock(face.normal_indices);
                        face.normal_indices = nullptr;
                    }
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
        }
    }
}

// Without a material table (0) or without faces (1) the Groups stay as they are.
TEST(Regroup, NothingToOrder) {
    for (bool materials : {false, true}) {
        Model model;
        SetVertices(model, {{0, 0, 0}});
        if (materials) SetMaterials(model, {"A"});
        SetGroups(model, {"a", "b"}, materials ? std::vector<std::vector<HandFace>>{{}, {}}
                                               : std::vector<std::vector<HandFace>>{{Tri(1, 0)}, {Tri(2, 0)}});
        std::vector<Seen> faces = Faces(model);
        EXPECT_EQ(model.RegroupByMaterial(), materials ? 1 : 0);
        EXPECT_EQ(model.group_count, 2);
        EXPECT_EQ(Faces(model), faces);
    }
}
