// A file read, written and read again: the writer's bytes for a real input,
// and what survives the trip.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "model/model.h"
#include "reader_test_support.h"

namespace {

std::string DataFile(const char* name) { return std::string(QUANDRE_TEST_DATA) + "/round_trip/" + name; }

// Every written face as (group name, material name, corners as text), in the
// order the model holds them.
using FaceKey = std::tuple<std::string, std::string, std::string>;

std::vector<FaceKey> FaceKeys(const Model& model) {
    std::vector<FaceKey> keys;
    for (int32_t g = 0; g < model.group_count; ++g) {
        const Group& group = model.groups[g];
        for (int32_t f = 0; f < group.face_count; ++f) {
            const Face& face = group.faces[f];
            if (face.corner_count == 0) continue;
            std::string corners;
            for (int32_t c = 0; c < face.corner_count; ++c) {
                corners += std::to_string(face.vertex_indices[c]) + "/" + std::to_string(face.texcoord_indices[c]) +
                           "/" + std::to_string(face.normal_indices[c]) + " ";
            }
            std::string material = face.material_index >= 0 ? model.materials[face.material_index].name : "";
            keys.emplace_back(model.group_name_table[face.group_name_index].name, material, corners);
        }
    }
    return keys;
}

std::map<std::string, std::vector<FaceKey>> ByGroupName(const std::vector<FaceKey>& keys) {
    std::map<std::string, std::vector<FaceKey>> by_name;
    for (const FaceKey& key : keys) by_name[std::get<0>(key)].push_back(key);
    return by_name;
}

}  // namespace

// Groups named A, B, A, C are written as the sections C, B, A; inside each,
// faces without a library material come first, then the library's order.
TEST(RoundTrip, WrittenBytesOfARealInput) {
    Model model;
    ASSERT_EQ(model.LoadObj(DataFile("scene.obj").c_str()), 1);
    ASSERT_EQ(model.mtl_loaded, 1);
    ScratchFolder folder;
    ASSERT_EQ(model.WriteObjFile(folder.Join("new.obj").c_str()), 1);
    EXPECT_EQ(folder.Contents(), (Files{{"new.obj", Slurp(DataFile("new.obj"))}, {"new.mtl", Slurp(DataFile("new.mtl"))}}));
}

TEST(RoundTrip, ReadingTheWrittenFileGivesTheSameModel) {
    for (const char* input : {"scene.obj", "../../../examples/matching.obj"}) {
        SCOPED_TRACE(input);
        Model first;
        ASSERT_EQ(first.LoadObj(DataFile(input).c_str()), 1);
        std::vector<FaceKey> read = FaceKeys(first);
        std::vector<Material> materials(first.materials, first.materials + first.material_count);
        ScratchFolder folder;
        ASSERT_EQ(first.WriteObjFile(folder.Join("copy.obj").c_str()), 1);
        std::vector<FaceKey> written = FaceKeys(first);  // regrouped by the write

        Model second;
        ASSERT_EQ(second.LoadObj(folder.Join("copy.obj").c_str()), 1);
        EXPECT_EQ(second.vertex_count, first.vertex_count);
        EXPECT_EQ(second.normal_count, first.normal_count);
        EXPECT_EQ(second.texcoord_count, first.texcoord_count);
        EXPECT_EQ(second.group_name_count, first.group_name_count);
        ASSERT_EQ(second.material_count, first.material_count);
        for (int32_t i = 0; i < first.vertex_count; ++i) {
            for (float Vertex::*axis : {&Vertex::x, &Vertex::y, &Vertex::z})
                EXPECT_NEAR(second.vertices[i].*axis, first.vertices[i].*axis, 5e-7) << i;
        }
        for (int32_t i = 0; i < first.texcoord_count; ++i) {
            EXPECT_NEAR(second.texcoords[i].u, first.texcoords[i].u, 5e-7) << i;
            EXPECT_NEAR(second.texcoords[i].v, first.texcoords[i].v, 5e-7) << i;
        }
        // The same faces come back; reading reverses the order of the group
        // names, but each name's faces come back in the order they were written.
        std::vector<FaceKey> reread = FaceKeys(second);
        EXPECT_TRUE(std::multiset<FaceKey>(read.begin(), read.end()) ==
                    std::multiset<FaceKey>(reread.begin(), reread.end()));
        EXPECT_TRUE(ByGroupName(written) == ByGroupName(reread));
        for (int32_t m = 0; m < first.material_count; ++m) {
            const Material& a = materials[m];
            const Material& b = second.materials[m];
            EXPECT_STREQ(a.name, b.name);
            EXPECT_STREQ(a.diffuse_map, b.diffuse_map);
            EXPECT_EQ(a.illumination, b.illumination);
            for (int k = 0; k < 3; ++k) {
                EXPECT_NEAR(a.ambient[k], b.ambient[k], 5e-7);
                EXPECT_NEAR(a.diffuse[k], b.diffuse[k], 5e-7);
                EXPECT_NEAR(a.specular[k], b.specular[k], 5e-7);
            }
            EXPECT_NEAR(a.shininess, b.shininess, 5e-5);
        }
    }
}
