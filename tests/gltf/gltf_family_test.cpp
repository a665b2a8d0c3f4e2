// A family written as glTF and read back with tinygltf's own loader: the
// corners split into vertices, the targets' differences, names, weights and
// materials, in both forms; a file that can't be written leaves nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <tuple>

#include <tiny_gltf.h>

#include "gltf/family_document.h"
#include "gltf/family_materials.h"
#include "gltf/gltf_family.h"
#include "model/model.h"
#include "tests/wavefront/file_test_support.h"

namespace {

// A cube whose six faces each have their own four texture coordinates and
// their own normal (every corner of a vertex differs: 24 glTF vertices), the
// top and bottom of one material, the sides of another; one side is a
// triangle pair's polygon with a fifth corner at the first one's position.
const char kCube[] =
    "mtllib cube.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\nv 1 0 1\nv 1 1 1\nv 0 1 1\n"
    "vn 0 0 -2\nvn 0 0 1\nvn 0 -1 0\nvn 1 0 0\nvn 0 1 0\nvn -1 0 0\n"
    "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvt 0.5 0.5\nvt 0.25 0.75\n"
    "usemtl red\nf 1/1/1 4/4/1 3/3/1 2/2/1\nf 5/1/2 6/2/2 7/3/2 8/4/2\n"
    "usemtl blue\nf 1/5/3 2/6/3 6/3/3 5/4/3\nf 2/5/4 3/6/4 7/3/4 6/4/4\nf 3/1/5 4/2/5 8/3/5 7/4/5\n"
    "f 4/1/6 1/2/6 5/6/6 8/5/6\n";
const char kLibrary[] = "newmtl red\nKd 1 0 0\nmap_Kd maps\\red#1.png\nnewmtl blue\nKd 0 0 2\nd 0.5\n";

using Corner = std::tuple<float, float, float, float, float, float, float, float>;  // position, uv, normal

// The distinct corners of each material, read from the model without the writer's split.
std::vector<std::set<Corner>> ExpectedCorners(const Model& model) {
    std::vector<std::set<Corner>> corners(size_t(model.material_count));
    for (int32_t g = 0; g < model.group_count; ++g)
        for (int32_t f = 0; f < model.groups[g].face_count; ++f) {
            const Face& face = model.groups[g].faces[f];
            for (int32_t c = 0; c < face.corner_count; ++c) {
                const Vertex& v = model.vertices[face.vertex_indices[c]];
                const TexCoord& t = model.texcoords[face.texcoord_indices[c]];
                const Normal& n = model.normals[face.normal_indices[c]];
                const float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
                corners[size_t(face.material_index)].insert(
                    {v.x, v.y, v.z, t.u, 1 - t.v, n.x / length, n.y / length, n.z / length});
            }
        }
    return corners;
}

const float* Floats(const tinygltf::Model& document, int accessor_index) {
    const tinygltf::Accessor& accessor = document.accessors[size_t(accessor_index)];
    const tinygltf::BufferView& view = document.bufferViews[size_t(accessor.bufferView)];
    return reinterpret_cast<const float*>(document.buffers[size_t(view.buffer)].data.data() + view.byteOffset +
                                          accessor.byteOffset);
}

// Where the targets put each vertex: grown by half and moved; moved apart along x.
float Target(int32_t t, float coordinate, int32_t axis) {
    return t == 0 ? coordinate * 1.5f + 0.1f : coordinate + (axis == 0 ? 0.3f : -0.7f);
}

}  // namespace

TEST(GltfFamily, ReadBackWholeInBothForms) {
    ScratchFolder folder;
    Put(folder.Join("cube.obj"), kCube);
    Put(folder.Join("cube.mtl"), kLibrary);
    Model base;
    ASSERT_TRUE(base.LoadObj(folder.Join("cube.obj").c_str(), false));
    ASSERT_TRUE(base.RegroupByMaterial());
    std::vector<float> moved[2];
    for (int32_t t = 0; t < 2; ++t)
        for (int32_t k = 0; k < base.vertex_count; ++k)
            for (int32_t c = 0; c < 3; ++c) moved[t].push_back(Target(t, (&base.vertices[k].x)[c], c));
    const GltfTarget targets[] = {{"smile", moved[0].data()}, {"wide\xff", moved[1].data()}};
    const std::vector<std::set<Corner>> expected = ExpectedCorners(base);
    for (const char* name : {"family.glb", "family.GLTF"}) {
        SCOPED_TRACE(name);
        WrittenGltfFiles files;
        const std::string path = folder.Join(name);
        ASSERT_EQ(FormatGltfFamily(base, targets, 2, path.c_str(), files), 1);
        ASSERT_EQ(CommitGltfFiles(files), 1);
        tinygltf::Model document;
        tinygltf::TinyGLTF loader;
        std::string error, warning;
        const bool binary = !IsGltfJsonPath(name);
        ASSERT_TRUE(binary ? loader.LoadBinaryFromFile(&document, &error, &warning, path)
                           : loader.LoadASCIIFromFile(&document, &error, &warning, path))
            << error;
        EXPECT_EQ(document.buffers[0].uri, binary ? "" : "family.bin");
        ASSERT_EQ(document.meshes.size(), 1u);
        const tinygltf::Mesh& mesh = document.meshes[0];
        EXPECT_EQ(mesh.name, "cube");
        EXPECT_EQ(mesh.weights, std::vector<double>(2, 0.0));
        const tinygltf::Value& names = mesh.extras.Get("targetNames");
        ASSERT_EQ(names.ArrayLen(), 2u);
        EXPECT_EQ(names.Get(0).Get<std::string>(), "smile");
        EXPECT_EQ(names.Get(1).Get<std::string>(), "wide\xEF\xBF\xBD");
        ASSERT_EQ(mesh.primitives.size(), 2u);
        for (const tinygltf::Primitive& primitive : mesh.primitives) {
            const tinygltf::Material& material = document.materials[size_t(primitive.material)];
            const int32_t m = base.FindMaterial(material.name.c_str());
            ASSERT_GE(m, 0);
            const size_t count = document.accessors[size_t(primitive.attributes.at("POSITION"))].count;
            EXPECT_EQ(count, expected[size_t(m)].size());  // each distinct corner once, as the membership below shows
            EXPECT_EQ(document.accessors[size_t(primitive.indices)].count, material.name == "red" ? 12u : 24u);
            const float* p = Floats(document, primitive.attributes.at("POSITION"));
            const float* t = Floats(document, primitive.attributes.at("TEXCOORD_0"));
            const float* n = Floats(document, primitive.attributes.at("NORMAL"));
            std::set<Corner> seen;
            for (size_t k = 0; k < count; ++k)
                seen.insert({p[3 * k], p[3 * k + 1], p[3 * k + 2], t[2 * k], t[2 * k + 1], n[3 * k], n[3 * k + 1],
                             n[3 * k + 2]});
            EXPECT_EQ(seen, expected[size_t(m)]);
            ASSERT_EQ(primitive.targets.size(), 2u);
            for (int32_t target = 0; target < 2; ++target) {
                const float* d = Floats(document, primitive.targets[size_t(target)].at("POSITION"));
                for (size_t k = 0; k < 3 * count; ++k) ASSERT_EQ(p[k] + d[k], Target(target, p[k], int32_t(k % 3)));
            }
        }
        const tinygltf::Material& red = document.materials[size_t(mesh.primitives[0].material)];
        const tinygltf::Material& blue = document.materials[size_t(mesh.primitives[1].material)];
        EXPECT_EQ(red.pbrMetallicRoughness.baseColorFactor, (std::vector<double>{1, 0, 0, 1}));
        EXPECT_EQ(blue.pbrMetallicRoughness.baseColorFactor, (std::vector<double>{0, 0, 1, 0.5}));
        EXPECT_EQ(blue.alphaMode, "BLEND");
        EXPECT_EQ(blue.pbrMetallicRoughness.baseColorTexture.index, -1);
        const int texture = red.pbrMetallicRoughness.baseColorTexture.index;
        ASSERT_GE(texture, 0);
        EXPECT_EQ(document.images[size_t(document.textures[size_t(texture)].source)].uri, "maps/red%231.png");
    }
    // A file in a folder that isn't there: nothing written, nothing left.
    WrittenGltfFiles files;
    EXPECT_EQ(FormatGltfFamily(base, targets, 2, folder.Join("none/family.gltf").c_str(), files), -1);
    EXPECT_EQ(FilesIn(folder.path()).size(), 5u);  // the cube, its library and the two families
    // Lines and a face of two corners make no mesh: said, nothing written.
    Put(folder.Join("lines.obj"), "v 0 0 0\nv 1 0 0\nv 1 1 0\nl 1 2 3\nf 1 2\n");
    Model lines;
    ASSERT_TRUE(lines.LoadObj(folder.Join("lines.obj").c_str(), false));
    EXPECT_EQ(FormatGltfFamily(lines, targets, 0, folder.Join("lines.glb").c_str(), files), -2);
    EXPECT_EQ(FilesIn(folder.path()).size(), 6u);
}

TEST(GltfFamily, DeltasAddUpInFloatWhereAnyCan) {
    // Where some float difference near the exact one takes `from` to `to`,
    // DeltaTo finds one; where none does (a move across zero from far), the
    // nearest. Both kinds occur in the table.
    const float cases[][2] = {{1.0f, 1.5f}, {3.1f, -7.3e-3f}, {1e6f, 1e6f + 0.0625f}, {-2.5f, 1e-3f},
                              {0.1f, 0.7f}, {0.3f, 0.1f}, {1.0f, 1e-8f}, {-7.7f, 7.9f}};
    int32_t reachable = 0;
    for (const auto& c : cases) {
        bool any = false;
        float d = float(double(c[1]) - double(c[0]));
        for (int32_t k = 0; k < 8; ++k) d = std::nextafter(d, -INFINITY);
        for (int32_t k = 0; k < 17; ++k, d = std::nextafter(d, INFINITY)) any |= c[0] + d == c[1];  // 8 ulps either way
        const float delta = DeltaTo(c[0], c[1]);
        EXPECT_EQ(c[0] + delta == c[1], any) << c[0] << " to " << c[1];
        if (!any) {
            EXPECT_EQ(delta, float(double(c[1]) - double(c[0])));
        }
        reachable += any;
    }
    EXPECT_GT(reachable, 0);
    EXPECT_LT(reachable, 8);
    EXPECT_EQ(FileUri("maps\\a b%#\xC3\xA9.png"), "maps/a%20b%25%23%C3%A9.png");
}
