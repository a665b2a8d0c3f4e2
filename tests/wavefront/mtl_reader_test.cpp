#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "reader_test_support.h"

namespace {

// Reads a library on its own (no groups or faces to resolve).
Model& ReadLibrary(Model& model, const std::string& content) {
    ObjReader reader(model);
    SetText(reader, content);
    reader.ReadMaterialLibrary();
    return model;
}

void ExpectColour(const float* colour, float r, float g, float b, float, const std::string& what) {
    EXPECT_TRUE(colour[0] == r && colour[1] == g && colour[2] == b) << what;
}

}  // namespace

TEST(ReadMaterialLibrary, DefaultsAndValues) {
    Model model;
    ReadLibrary(model,
                "# library\nnewmtl plain\n"
                "newmtl red\nKa 0.2 0.3 0.4\nKd 0.5 0.5 0.5\nKs 1 0 0\nNs 10\nd 0.25\nillum 3\n"
                "map_Kd wood.bmp\nmap_d alpha.png\nmap_Ks spec.tga extra\nmap_bump bump.bmp\n"
                "map_Ka ignored.bmp\nmap_refl ignored.bmp\nunknown 1 2 3\n");
    ASSERT_EQ(model.material_count, 2);
    const Material& plain = model.materials[0];
    EXPECT_STREQ(model.Name(plain.name), "plain");
    ExpectColour(plain.ambient, 0, 0, 0, 0, "ambient default");
    ExpectColour(plain.diffuse, 1, 1, 1, 1, "diffuse default");
    ExpectColour(plain.specular, 0, 0, 0, 0, "specular default");
    EXPECT_EQ(plain.shininess, 128.0f);
    EXPECT_EQ(plain.opacity, 1.0f);
    EXPECT_EQ(plain.illumination, 2);
    EXPECT_STREQ(model.Name(plain.diffuse_map), "");

    const Material& red = model.materials[1];
    EXPECT_STREQ(model.Name(red.name), "red");
    ExpectColour(red.ambient, 0.2f, 0.3f, 0.4f, 1, "Ka");
    ExpectColour(red.diffuse, 0.5f, 0.5f, 0.5f, 1, "Kd");
    ExpectColour(red.specular, 1, 0, 0, 1, "Ks");
    EXPECT_EQ(red.shininess, 10.0f);
    EXPECT_EQ(red.opacity, 0.25f);
    EXPECT_EQ(red.illumination, 3);
    EXPECT_STREQ(model.Name(red.diffuse_map), "wood.bmp");
    EXPECT_STREQ(model.Name(red.opacity_map), "alpha.png");
    EXPECT_STREQ(model.Name(red.specular_map), "spec.tga");
    EXPECT_STREQ(model.Name(red.bump_map), "bump.bmp");
}

TEST(ReadMaterialLibrary, KeywordsInAnyCaseButValueFormatsExact) {
    struct Case {
        std::string line;
        float diffuse_red;  // of the one material
        std::string diffuse_map;
    } cases[] = {
        {"Kd 0.5 0 0", 0.5f, ""},
        {"kd 0.5 0 0", 1.0f, ""},         // recognised, format needs "Kd"
        {"KD 0.5 0 0", 1.0f, ""},
        {"Kd 0.5 0", 1.0f, ""},           // too few numbers
        {"Kd 0.5 x 0", 1.0f, ""}, {"  Kd\t0.5 0 0 junk", 0.5f, ""}, {"MAP_KD wood.bmp", 1.0f, "wood.bmp"},
        {"map_Kd my wood.bmp", 1.0f, "my"}, {"map_Kd -s 1 1 1 wood.bmp", 1.0f, "-s"},
        {"map_Kd wood.bmp\nmap_Kd", 1.0f, ""},  // an empty name empties the field
    };
    for (const Case& c : cases) {
        Model model;
        ReadLibrary(model, "NEWMTL red\n" + c.line + "\n");
        ASSERT_EQ(model.material_count, 1) << c.line;
        EXPECT_STREQ(model.Name(model.materials[0].name), "red") << c.line;
        EXPECT_EQ(model.materials[0].diffuse[0], c.diffuse_red) << c.line;
        EXPECT_EQ(std::string(model.Name(model.materials[0].diffuse_map)), c.diffuse_map) << c.line;
    }
    Model lower_case_ka;
    ReadLibrary(lower_case_ka, "newmtl a\nka 0.2 0.2 0.2\nIllum 5\nILLUM 4\n");
    ExpectColour(lower_case_ka.materials[0].ambient, 0, 0, 0, 0, "ka");
    EXPECT_EQ(lower_case_ka.materials[0].illumination, 2);
}

// Face and group material names as read, and the materials they name.
TEST(ReadMaterialLibrary, FaceAndGroupMaterialsResolveToTheFirstMatch) {
    ScratchFolder folder;
    folder.Write("lib.mtl", "newmtl\nnewmtl skin\nKd 1 0 0\nnewmtl skin\nnewmtl cloth \nnewmtl Cloth\n");
    std::string obj = folder.Write("mesh.obj",
                                   "mtllib lib.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\nusemtl skin\n"
                                   "g a\nf 1 2 3\nusemtl cloth\nf 1 2 3\n"
                                   "g b\nf 1 2 3\nusemtl cloth \nf 1 2 3\nusemtl Cloth\nf 1 2 3\nusemtl " +
                                       std::string(200, 'm') + "\nf 1 2 3\nusemtl skin\nf 1 2 3\nusemtl\nf 1 2 3\n"
                                       "g c\n");
    Model model;
    ASSERT_EQ(model.LoadObj(obj.c_str()), 1);
    EXPECT_EQ(model.mtl_loaded, 1);
    ASSERT_EQ(model.material_count, 5);
    struct Expected {
        const char* group;
        std::vector<std::pair<std::string, int32_t>> faces;  // material name and index of each
        const char* material_name;
        int32_t material_index;
    } groups[] = {
        // The newest group also holds the face before the first g line: no
        // usemtl yet, the empty name, which names the nameless material.
        {"c", {{"", 0}}, "", 0},
        // usemtl holds across g lines; names match exactly, trailing blanks
        // and case included, and the first of equal names wins; a long name
        // is cut to 127 characters.
        {"b", {{"cloth", -1}, {"cloth ", 3}, {"Cloth", 4}, {std::string(127, 'm'), -1}, {"skin", 1}, {"", 0}}, "", 0},
        {"a", {{"skin", 1}, {"cloth", -1}}, "cloth", -1},
    };
    for (int32_t g = 0; g < 3; ++g) {
        const Group& group = model.groups[g];
        const Expected& e = groups[g];
        SCOPED_TRACE(e.group);
        EXPECT_STREQ(model.Name(group.name), e.group);
        ASSERT_EQ(group.face_count, static_cast<int32_t>(e.faces.size()));
        for (int32_t f = 0; f < group.face_count; ++f) {
            EXPECT_EQ(model.FaceMaterialName(group.faces[f]), e.faces[f].first) << f;
            EXPECT_EQ(group.faces[f].material_index, e.faces[f].second) << f;
        }
        EXPECT_STREQ(model.Name(group.material_name), e.material_name);
        EXPECT_EQ(group.material_index, e.material_index);
    }
}

// Each block keeps its statements as written, in order, without comments,
// blank lines or line-end styles; lines longer than the value lines' buffer whole.
TEST(ReadMaterialLibrary, BlocksKeepTheirStatementsAsWritten) {
    const std::string longName = "map_Kd " + std::string(600, 'n') + ".png";
    struct Case {
        std::string library;
        std::vector<std::string> statements;  // per material
    } cases[] = {
        {"# Blender\nnewmtl a\nNs 250.000000\r\n\t Ke 0 0 0\nmap_Bump -bm 0.500000 normal.png\n\n# c\nnewmtl b\n",
         {"Ns 250.000000\r\nKe 0 0 0\r\nmap_Bump -bm 0.500000 normal.png\r\n", ""}},
        {"newmtl a\r\nmap_Kd textures/base color.png  \r\nNi 1.45\r\n", {"map_Kd textures/base color.png  \r\nNi 1.45\r\n"}},
        {"Kd 1 0 0\nnewmtl a\n" + longName + "\n", {longName + "\r\n"}},
        // A NUL inside a statement: it and every later statement of the block stay.
        {std::string("newmtl a\nNs 10\0\nillum 1\nd 0.5\nmap_Kd a.png\n", 43),
         {std::string("Ns 10\0\r\nillum 1\r\nd 0.5\r\nmap_Kd a.png\r\n", 38)}},
    };
    for (const Case& c : cases) {
        Model model;
        ReadLibrary(model, c.library);
        ASSERT_EQ(model.material_count, int32_t(c.statements.size())) << c.library;
        for (int32_t m = 0; m < model.material_count; ++m) {
            EXPECT_EQ(model.materials[m].has_statements, 1);
            const Material& material = model.materials[m];
            EXPECT_EQ(std::string(model.Name(material.statements), material.statements ? material.statements_length : 0),
                      c.statements[size_t(m)]) << c.library;
        }
    }
}
