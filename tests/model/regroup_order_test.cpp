// Regrouping sorts by (group name, material) on one of two roads, by the
// number of such pairs; both must give the order of a plain stable sort.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "model/model.h"
#include "tests/model/hand_model.h"

namespace {

struct Placed {
    int32_t id, name, material;
    bool operator==(const Placed& o) const { return id == o.id && name == o.name && material == o.material; }
};

std::ostream& operator<<(std::ostream& out, const Placed& p) {
    return out << p.id << "(" << p.name << "," << p.material << ")";
}

TEST(Regroup, FewAndManyNameMaterialPairsGiveAStableSortOrder) {
    struct Shape {
        int32_t names, materials, groups;  // pairs: (names + 1) x (materials + 1)
    } shapes[] = {{3, 2, 4}, {8, 4, 8}, {300, 300, 40}, {2, 40000, 3}};
    uint64_t state = 5;
    auto next = [&state](uint32_t range) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<int32_t>((state >> 33) % range);
    };
    for (const Shape& shape : shapes) {
        std::vector<std::string> names, materials;
        for (int32_t i = 0; i < shape.names; ++i) names.push_back("n" + std::to_string(i));
        for (int32_t i = 0; i < shape.materials; ++i) materials.push_back("m" + std::to_string(i));
        std::vector<std::vector<HandFace>> groups(static_cast<size_t>(shape.groups));
        std::vector<std::vector<int32_t>> name_of(groups.size());
        int32_t id = 0;
        for (auto& group : groups) {
            int32_t faces = next(60);
            for (int32_t f = 0; f < faces; ++f) {
                // Materials and names outside the tables too.
                int32_t material = next(static_cast<uint32_t>(shape.materials) + 2) - 1;
                if (next(2)) {
                    group.push_back(HandFace{material, {id, id, id}, {}, {}});
                } else {
                    group.push_back(HandFace{material, {}, {}, {}});  // no corners: left out
                }
                ++id;
            }
        }
        Model model;
        SetVertices(model, {{0, 0, 0}});
        SetMaterials(model, materials);
        SetGroups(model, names, groups);
        std::vector<Placed> expected;
        for (int32_t g = 0; g < model.group_count; ++g) {
            for (int32_t f = 0; f < model.groups[g].face_count; ++f) {
                Face& face = model.groups[g].faces[f];
                face.group_name_index = next(static_cast<uint32_t>(shape.names) + 1);  // == names: outside
                if (face.corner_count > 0)
                    expected.push_back({face.vertex_indices[0], face.group_name_index, face.material_index});
            }
        }
        auto material_key = [&](const Placed& p) {
            return p.material >= 0 && p.material < shape.materials ? p.material + 1 : 0;
        };
        std::stable_sort(expected.begin(), expected.end(), [&](const Placed& a, const Placed& b) {
            if (a.name != b.name) return a.name < b.name;
            return material_key(a) < material_key(b);
        });

        ASSERT_EQ(model.RegroupByMaterial(), 1);
        ASSERT_EQ(model.group_count, 1);
        std::vector<Placed> seen;
        for (int32_t f = 0; f < model.groups[0].face_count; ++f) {
            const Face& face = model.groups[0].faces[f];
            seen.push_back({face.vertex_indices[0], face.group_name_index, face.material_index});
        }
        EXPECT_EQ(seen, expected) << shape.names << " names, " << shape.materials << " materials";
        EXPECT_GT(expected.size(), 20u);
    }
}

}  // namespace
