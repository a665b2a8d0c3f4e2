#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "file_test_support.h"
#include "model/model.h"
#include "platform/text.h"
#include "tests/model/hand_model.h"
#include "wavefront/obj_writer.h"
#include "platform/files/output_file.h"

namespace {

std::string Golden(const char* name) { return Slurp(std::string(QUANDRE_TEST_DATA) + "/writer/" + name); }

// The short example: three vertices with a texture coordinate each, one
// group name, one material, one triangle.
void BuildShortModel(Model& model) {
    SetVertices(model, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    SetTexcoords(model, {{0, 0}, {1, 0}, {0, 1}});
    SetMaterials(model, {"skin"});
    model.materials[0].diffuse_map = HandName(model, "skin.bmp");
    SetGroups(model, {"body"}, {{HandFace{0, {0, 1, 2}, {0, 1, 2}, {}}}});
}

// Every section rule at once: sections in table order, a name with a space,
// the empty name, an unused name, material runs, a face without a library
// material, a record without corners, missing texture indexes.
void BuildSectionsModel(Model& model) {
    SetVertices(model, {{0, 0, 0}, {1.23456789f, -2, 0.0000001f}, {0.5f, -0.0f, 100}, {-0.0000001f, 3.25f, -1}});
    SetNormals(model, {{0, 0, 1}});
    SetTexcoords(model, {{0, 0}, {1, 1}});
    SetMaterials(model, {"mA", "mB", ""});
    model.materials[0].diffuse_map = HandName(model, "a.bmp");
    Material& b = model.materials[1];
    const float ambient[] = {0.2f, 0.3f, 0.4f};
    for (int c = 0; c < 3; ++c) {
        b.ambient[c] = ambient[c];
        b.diffuse[c] = 0.5f;
        b.specular[c] = 1.0f;
    }
    b.opacity = 0.75f;
    b.illumination = 1;
    b.shininess = 12.5f;
    b.diffuse_map = HandName(model, "kd.bmp");
    b.opacity_map = HandName(model, "d.bmp");
    b.bump_map = HandName(model, "bump map.bmp");
    b.specular_map = HandName(model, "ks.bmp");
    SetGroups(model, {"C", "left arm", "A", "", "unused"},
              {{HandFace{1, {0, 1, 2}, {0, 1, 0}, {}}},
               {HandFace{0, {0, 2, 3}, {}, {}}, HandFace{-1, {1, 2, 3}, {}, {}}, HandFace{0, {}, {}, {}}},
               {HandFace{0, {0, 1, 2}, {}, {}}, HandFace{1, {1, 2, 3}, {}, {}}, HandFace{0, {0, 2, 3}, {}, {}}},
               {HandFace{0, {0, 1, 2, 3}, {}, {}}},
               {}});
}

// Table lengths that no small chunk size divides, sections of several
// lengths (one only a record without corners) and material runs that cross
// chunk boundaries.
void BuildLongModel(Model& model) {
    std::vector<std::array<float, 3>> positions, normals;
    std::vector<std::array<float, 2>> texcoords;
    for (int i = 0; i < 37; ++i) positions.push_back({i * 0.37f, -i / 7.0f, 1e-7f * i});
    for (int i = 0; i < 23; ++i) normals.push_back({0, i / 23.0f, 1});
    for (int i = 0; i < 29; ++i) texcoords.push_back({i / 29.0f, 0.5f});
    SetVertices(model, positions);
    SetNormals(model, normals);
    SetTexcoords(model, texcoords);
    SetMaterials(model, {"m0", "m1", "m2"});
    std::vector<std::vector<HandFace>> groups(3);
    for (int f = 0; f < 33; ++f) {
        HandFace face{f / 4 % 4 - 1, {f % 37, (f + 5) % 37, (f + 11) % 37}, {f % 29, 0, 1}, {f % 23, 2, 3}};
        groups[f % 5 == 1 ? 2 : 0].push_back(face);
    }
    groups[1].push_back(HandFace{0, {}, {}, {}});
    SetGroups(model, {"first", "empty", "last"}, groups);
}

}  // namespace

// Lines formatted in chunks on several threads come out byte for byte as
// one thread writes them, wherever the chunk boundaries fall; the records
// the plan is told of add up to the model's v, vt, vn and f lines.
TEST(WriterTest, ChunkedWritingKeepsTheBytes) {
    const int32_t layouts[][2] = {{1, 1}, {2, 1}, {2, 2}, {2, 3}, {3, 4}, {4, 5}, {2, 7}, {2, 32}};
    ScratchFolder folder, one_thread;
    Model reference;
    BuildLongModel(reference);
    ASSERT_EQ(reference.WriteObjFile(one_thread.Join("long.obj").c_str()), 1);
    const std::string long_bytes = Slurp(one_thread.Join("long.obj"));
    const std::string sections_bytes = Golden("sections.obj");
    for (const auto& layout : layouts) {
        WritePlan plan;
        plan.threads = layout[0], plan.chunk_lines = layout[1];
        int64_t told = 0;
        plan.on_written = [&](int32_t records) { told += records; };
        SCOPED_TRACE(testing::Message() << plan.threads << " threads, chunks of " << plan.chunk_lines);
        Model model, sections;
        BuildLongModel(model);
        BuildSectionsModel(sections);
        ASSERT_EQ(WriteObjFileWithFault(model, folder.Join("long.obj").c_str(), nullptr, plan), 1);
        std::istringstream lines(long_bytes);
        int64_t records = 0;
        for (std::string line; std::getline(lines, line);)
            records += line.rfind("v", 0) == 0 || line.rfind("f ", 0) == 0;
        EXPECT_EQ(told, records);
        ASSERT_EQ(WriteObjFileWithFault(sections, folder.Join("sections.obj").c_str(), nullptr, plan), 1);
        EXPECT_EQ(Slurp(folder.Join("long.obj")), long_bytes);
        EXPECT_EQ(Slurp(folder.Join("sections.obj")), sections_bytes);
    }
}

// A stop asked for between blocks ends the write there: nothing more is
// formatted, the target is never made, no temporary stays, and the reason
// says it was stopped. One thread or several alike.
TEST(WriterTest, StopEndsTheWriteBetweenBlocks) {
    for (int32_t threads : {1, 2}) {
        SCOPED_TRACE(threads);
        ScratchFolder folder;
        Model model;
        BuildLongModel(model);
        WritePlan plan;
        plan.threads = threads, plan.chunk_lines = 2;
        int32_t asked = 0;
        int64_t told = 0;
        plan.stop = [&] { return int32_t(++asked > 3); };
        plan.on_written = [&](int32_t records) { told += records; };
        OutputFault fault;
        EXPECT_EQ(WriteObjFileWithFault(model, folder.Join("stopped.obj").c_str(), &fault, plan), 0);
        EXPECT_EQ(fault.error, kReasonStopped);
        EXPECT_EQ(asked, 4) << "the first yes ends it";
        EXPECT_LT(told, 37 + 23 + 29 + 34);
        EXPECT_TRUE(folder.Contents().empty());
    }
}

TEST(WriterTest, ModelsMatchGoldenFiles) {
    struct Case {
        void (*build)(Model&);
        std::string golden, written;  // file names without extension
    } cases[] = {{BuildShortModel, "short", "new"}, {BuildSectionsModel, "sections", "sections"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.golden);
        ScratchFolder folder;
        Model model;
        c.build(model);
        ASSERT_EQ(model.WriteObjFile(folder.Join(c.written + ".obj").c_str()), 1);
        EXPECT_EQ(folder.Contents(), (Files{{c.written + ".obj", Golden((c.golden + ".obj").c_str())},
                                            {c.written + ".mtl", Golden((c.golden + ".mtl").c_str())}}));
    }
}

TEST(WriterTest, WithoutLibraryFacesStayInReadOrderAndNoLibraryIsWritten) {
    struct Case { bool texcoords, normals; const char* face_line; };
    const Case cases[] = {
        {true, true, "f 2/1/2 1/3/1 3/1/1 \r\n"}, {true, false, "f 2/1 1/3 3/1 \r\n"},
        {false, true, "f 2//2 1//1 3//1 \r\n"},
        {false, false, "f 2 1 3 \r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.face_line);
        ScratchFolder folder;
        Model model;
        SetVertices(model, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
        if (c.texcoords) SetTexcoords(model, {{0, 0}, {1, 0}, {0, 1}});
        if (c.normals) SetNormals(model, {{0, 0, 1}, {0, 1, 0}});
        // Material indexes but no library: read order is kept, no usemtl.
        SetGroups(model, {"a", "b"},
                  {{HandFace{1, {1, 0, 2}, {0, 2, 0}, {1, 0, 0}}, HandFace{0, {0, 1, 2}, {}, {}}},
                   {HandFace{0, {2, 1, 0}, {}, {}}}});
        ASSERT_EQ(model.WriteObjFile(folder.Join("plain.obj").c_str()), 1);
        Files files = folder.Contents();
        ASSERT_EQ(files.size(), 1u);
        const std::string& text = files["plain.obj"];
        EXPECT_EQ(text.find("mtllib"), std::string::npos);
        EXPECT_EQ(text.find("usemtl"), std::string::npos);
        EXPECT_NE(text.find("# num_vertex_normals: " + std::to_string(c.normals ? 2 : 0) + "\r\n"),
                  std::string::npos);
        EXPECT_NE(text.find("# num_uvs: " + std::to_string(c.texcoords ? 3 : 0) + "\r\n\r\n"), std::string::npos);
        size_t a = text.find("g a\r\n\r\n"), first = text.find(c.face_line), b = text.find("g b\r\n\r\n");
        EXPECT_TRUE(a < first && first < b && b != std::string::npos);
        EXPECT_NE(text.find("# num_faces: 1\r\n\r\n", b), std::string::npos);  // b's own face
        EXPECT_NE(text.find("# num_faces: 3\r\n# num_groups: 2\r\n\r\n"), std::string::npos);
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::count(text.begin(), text.end(), '\r'));
    }
}

TEST(WriterTest, LibraryNameRules) {
    struct Case {
        const char* path;
        const char* library_path;  // null: no library can be named
        const char* library_name;
    };
    const std::string long_path = std::string(250, 'p') + ".mtl";  // 254 characters, 258 with ".mtl"
    const std::string long_obj = std::string(250, 'p') + ".obj";   // its library is as long
    const std::string long_library = std::string(250, 'p') + ".mtl";
    const Case cases[] = {
        {"new.obj", "new.mtl", "new.mtl"}, {"dir/sub/new.obj", "dir/sub/new.mtl", "new.mtl"},
        {"C:\\art\\head.obj", "C:\\art\\head.mtl", "head.mtl"}, {"C:head.obj", "C:head.mtl", "head.mtl"},
        {"x.OBJ", "x.mtl", "x.mtl"}, {"dir/Scene.Obj", "dir/Scene.mtl", "Scene.mtl"},
        {"result", "result.mtl", "result.mtl"},  // other names keep every character
        {"abcde", "abcde.mtl", "abcde.mtl"}, {"abcd", "abcd.mtl", "abcd.mtl"}, {"dir/a.b", "dir/a.b.mtl", "a.b.mtl"},
        {"dir.obj/x", "dir.obj/x.mtl", "x.mtl"}, {"x.objx", "x.objx.mtl", "x.objx.mtl"},
        {"longfolder/.obj", "longfolder/.obj.mtl", ".obj.mtl"}, {"x.mtl", "x.mtl.mtl", "x.mtl.mtl"},
        {"dir/X.MTL", "dir/X.MTL.mtl", "X.MTL.mtl"}, {"", nullptr, ""},
        {long_obj.c_str(), long_library.c_str(), long_library.c_str()}, {long_path.c_str(), nullptr, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        char library_path[kPathCapacity];
        char library_name[kPathCapacity];
        EXPECT_EQ(MakeLibraryPath(c.path, library_path, library_name), c.library_path ? 1 : 0);
        EXPECT_TRUE(!c.library_path || std::string(library_path) == c.library_path) << library_path;
        EXPECT_STREQ(library_name, c.library_name);
    }
}

TEST(WriterTest, RefusesWithoutPathOrVertices) {
    ScratchFolder folder;
    Model empty;
    EXPECT_EQ(empty.WriteObjFile(folder.Join("a.obj").c_str()), 0);
    Model model;
    BuildShortModel(model);
    EXPECT_EQ(model.WriteObjFile(nullptr), 0);
    EXPECT_TRUE(folder.Contents().empty());
}
