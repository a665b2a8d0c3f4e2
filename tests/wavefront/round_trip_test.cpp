// A file read, written and read again: the writer's bytes for a real input,
// and what survives the trip.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "model/model.h"
#include "reader_test_support.h"

namespace {

std::string DataFile(const char* name) { return std::string(QUANDRE_TEST_DATA) + "/round_trip/" + name; }

uint32_t Bits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Every written face as (group name, material name, corners, object and
// smoothing group as text), in the order the model holds them.
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
            std::string material = face.material_index >= 0 ? model.Name(model.materials[face.material_index].name) : "";
            corners += std::string("o ") + model.FaceName(model.objects, face.object) + " s " +
                       model.FaceName(model.smoothing_groups, face.smoothing);
            keys.emplace_back(model.Name(model.group_name_table[face.group_name_index].name), material, corners);
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
    // Values that six decimals can't carry: tiny, subnormal, needing up to
    // nine digits, between 8 and 16, in every kind of table.
    ScratchFolder inputs;
    Put(inputs.Join("digits.obj"),
        "mtllib digits.mtl\nv 1.23456789 1e-7 -1e-9 0.1 0.33333334 1e-9\nv 1e-45 -1.17549435e-38 15.9990015\n"
        "v 8.0000105 0.30000004 -0.0 1 0.5 0.99999994\nvt 0.33333334 1.0000001\nvn 0.57735026 -0.57735026 0.57735026\n"
        "usemtl m\nf 1/1/1 2/1/1 3/1/1\n");
    Put(inputs.Join("digits.mtl"), "newmtl m\nKa 0.1 0.2 0.3\nKd 0.123456789 1e-8 0.5\nKs 0.8 0.8 0.8\n"
                                   "d 0.99999994\nNs 96.078431\n");
    // Objects and smoothing groups across group names and materials, faces
    // before the first of each, and a smoothing group left.
    Put(inputs.Join("objects.obj"), "mtllib digits.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\no Cube\ns 1\nusemtl m\n"
                                    "f 1 2 3\ng side\no Spike\nf 3 2 1\ns off\nf 2 3 1\no Cube\nusemtl n\nf 1 3 2\n");
    for (std::string input : {DataFile("scene.obj"), DataFile("../../../examples/matching.obj"),
                              inputs.Join("digits.obj"), inputs.Join("objects.obj")}) {
        SCOPED_TRACE(input);
        Model first;
        ASSERT_EQ(first.LoadObj(input.c_str()), 1);
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
        // Every number comes back as the very same float.
        auto same = [](const void* a, const void* b, size_t bytes) { return bytes == 0 || std::memcmp(a, b, bytes) == 0; };
        EXPECT_TRUE(same(second.vertices, first.vertices, sizeof(Vertex) * size_t(first.vertex_count)));
        EXPECT_TRUE(same(second.normals, first.normals, sizeof(Normal) * size_t(first.normal_count)));
        EXPECT_TRUE(same(second.texcoords, first.texcoords, sizeof(TexCoord) * size_t(first.texcoord_count)));
        ASSERT_EQ(second.colour_count, first.colour_count);
        EXPECT_TRUE(same(second.colours, first.colours, sizeof(VertexColour) * size_t(first.colour_count)));
        // The same faces come back; reading reverses the order of the group
        // names, but each name's faces come back in the order they were written.
        std::vector<FaceKey> reread = FaceKeys(second);
        EXPECT_TRUE(std::multiset<FaceKey>(read.begin(), read.end()) ==
                    std::multiset<FaceKey>(reread.begin(), reread.end()));
        EXPECT_TRUE(ByGroupName(written) == ByGroupName(reread));
        for (int32_t m = 0; m < first.material_count; ++m) {
            const Material& a = materials[m];
            const Material& b = second.materials[m];
            EXPECT_STREQ(first.Name(a.name), second.Name(b.name));
            EXPECT_STREQ(first.Name(a.diffuse_map), second.Name(b.diffuse_map));
            EXPECT_EQ(a.illumination, b.illumination);
            for (int k = 0; k < 3; ++k)
                EXPECT_TRUE(Bits(a.ambient[k]) == Bits(b.ambient[k]) && Bits(a.diffuse[k]) == Bits(b.diffuse[k]) &&
                            Bits(a.specular[k]) == Bits(b.specular[k])) << m << " " << k;
            EXPECT_TRUE(Bits(a.opacity) == Bits(b.opacity) && Bits(a.shininess) == Bits(b.shininess)) << m;
        }
    }
}

// One object stays one object: its `o` line once, before its groups, and the
// faces by object, then group name, then material (Blender's export with
// material groups, and objects that come back to a group and to each other).
TEST(RoundTrip, EachObjectIsWrittenOnceBeforeItsGroups) {
    ScratchFolder folder;
    Put(folder.Join("m.mtl"), "newmtl m\nKd 1 0 0\nnewmtl n\nKd 0 1 0\n");
    const std::string v = "mtllib m.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\n";
    const std::string f = "f 1 2 3 \r\n", end = "# num_faces: ";
    struct Case {
        std::string text, sections;
    } cases[] = {
        {v + "o Suzanne\ng a\nusemtl m\nf 1 2 3\ng b\nusemtl n\nf 1 2 3\nusemtl m\nf 1 2 3\n",
         "o Suzanne\r\ng b\r\n\r\nusemtl m\r\n" + f + "usemtl n\r\n" + f + end + "2\r\n\r\ng a\r\n\r\nusemtl m\r\n" + f +
             end + "1\r\n\r\n"},
        {v + "g y\nf 1 2 3\no A\ng x\nf 1 2 3\no B\nf 1 2 3\ng y\nf 1 2 3\no A\ng x\nl 1 2\nf 1 2 3\n",
         "g y\r\n\r\n" + f + end + "1\r\n\r\no A\r\ng x\r\n\r\n" + f + f + "l 1 2\r\n" + end +
             "2\r\n\r\no B\r\ng x\r\n\r\n" + f + end + "1\r\n\r\ng y\r\n\r\n" + f + end + "1\r\n\r\n"},
        // Without `g` lines the objects' names stay the parts' names (no empty "g" after "o").
        {v + "o Cube\nf 1 2 3\no Spike\nf 1 2 3\n",
         "o Cube\r\n" + f + end + "1\r\n\r\no Spike\r\n" + f + end + "1\r\n\r\n"},
    };
    for (const Case& c : cases) {
        Put(folder.Join("in.obj"), c.text);
        Model model;
        ASSERT_EQ(model.LoadObj(folder.Join("in.obj").c_str()), 1);
        ASSERT_EQ(model.WriteObjFile(folder.Join("out.obj").c_str()), 1);
        const std::string written = Slurp(folder.Join("out.obj")), tables_end = "# num_uvs: 0\r\n\r\n";
        EXPECT_EQ(written.substr(written.find(tables_end) + tables_end.size()), c.sections) << c.text;
    }
}

// Nothing cut, nothing invented: a NUL inside a material statement keeps the
// rest of its block; an `l` corner naming no vertex (past the end, 0, not a
// number) is dropped and counted, never drawn to vertex 1, and a line left
// with one goes; colours are written only for the vertices that gave one.
TEST(RoundTrip, NothingCutNothingInvented) {
    ScratchFolder folder;
    Put(folder.Join("m.mtl"), std::string("newmtl m\nNs 10\0\nillum 1\nmap_Kd a.png\n", 37));
    Put(folder.Join("in.obj"), "mtllib m.mtl\nv 0 0 0 1 0 0\nv 1 0 0\nv 0 1 0 0 0.5 1\nusemtl m\nf 1 2 3\n"
                               "l 1 9\nl 0 2 3\nl 1 x 2 -1\nl 2 3\n");
    Model model;
    ASSERT_EQ(model.LoadObj(folder.Join("in.obj").c_str()), 1);
    EXPECT_EQ(model.dropped_line_corners, 4);
    ASSERT_EQ(model.WriteObjFile(folder.Join("out.obj").c_str()), 1);
    const std::string obj = Slurp(folder.Join("out.obj"));
    EXPECT_NE(obj.find("\r\nv 0.000000 0.000000 0.000000 1.000000 0.000000 0.000000\r\nv 1.000000 0.000000 0.000000\r\n"
                       "v 0.000000 1.000000 0.000000 0.000000 0.500000 1.000000\r\n"),
              std::string::npos) << obj;
    EXPECT_NE(obj.find("f 1 2 3 \r\nl 2 3\r\nl 1 2 3\r\nl 2 3\r\n#"), std::string::npos) << obj;
    EXPECT_NE(Slurp(folder.Join("out.mtl")).find(std::string("newmtl m\r\nNs 10\0\r\nillum 1\r\nmap_Kd a.png\r\n", 41)),
              std::string::npos);
}
