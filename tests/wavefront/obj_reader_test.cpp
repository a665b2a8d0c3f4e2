#include <gtest/gtest.h>

#include <iterator>
#include <limits>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/reasons.h"
#include "reader_test_support.h"
#include "platform/files/reason_text.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace {

// Bytes as a binary file holds them (a fixed seed: the same file every run).
std::string RandomBytes(size_t count) {
    std::mt19937 random(43);
    std::string bytes(count, '\0');
    for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
    return bytes;
}

struct Corner {
    int32_t v, t, n;
    bool operator==(const Corner& o) const { return v == o.v && t == o.t && n == o.n; }
};

std::vector<Corner> Corners(const Face& face) {
    std::vector<Corner> corners;
    for (int32_t i = 0; i < face.corner_count; ++i)
        corners.push_back({face.vertex_indices[i], face.texcoord_indices[i], face.normal_indices[i]});
    return corners;
}

std::ostream& operator<<(std::ostream& out, const Corner& c) {
    return out << c.v << "/" << c.t << "/" << c.n;
}

// Loads content written as a file of the scratch folder.
int32_t LoadText(Model& model, const ScratchFolder& folder, const std::string& content) {
    return model.LoadObj(folder.Write("mesh.obj", content).c_str());
}

const std::string kThreeVertices = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";

// A load through the loader's steps, read `window` bytes at a time, as text:
// its result and reason, then every value, group and face it holds. Helped:
// another thread serves the load's help, and may read the second half.
std::string LoadInWindows(const std::string& path, uint32_t window, ObjTables tables = ObjTables::kAll,
                          bool helped = false) {
    Model model;
    LoadHelp help;
    std::thread helper;
    if (helped) helper = std::thread([&help] { help.Serve(); });
    ObjReader reader(model);
    reader.window_bytes = window;
    reader.help = helped ? &help : nullptr;
    int32_t loaded = ReadObjText(reader, path.c_str()) && SurveyObjText(reader) && MakeValueTables(reader, tables) &&
                     reader.FillElements() && MakeGroupNameTable(reader);
    reader.Release();
    help.Close();
    if (helped) helper.join();
    std::ostringstream out;
    out << std::hexfloat << loaded << " " << model.load_error << " " << model.mtllib_name;
    auto add = [&out](const float* values, int count) {
        for (int i = 0; i < count; ++i) out << " " << values[i];
    };
    for (int32_t i = 0; loaded && i < model.vertex_count; ++i) add(&model.vertices[i].x, 3);
    for (int32_t i = 0; loaded && model.texcoords && i < model.texcoord_count; ++i) add(&model.texcoords[i].u, 2);
    for (int32_t i = 0; loaded && model.normals && i < model.normal_count; ++i) add(&model.normals[i].x, 3);
    for (int32_t i = 0; loaded && model.colours && i < model.colour_count; ++i) add(&model.colours[i].r, 3);
    for (int32_t g = 0; loaded && g < model.group_count; ++g) {
        const Group& group = model.groups[g];
        out << "\ng " << model.Name(group.name) << " " << model.Name(group.material_name);
        for (int32_t f = 0; group.faces && f < group.face_count; ++f) {
            const Face& face = group.faces[f];
            out << "\nf " << model.Name(model.material_names[face.material_name].name) << " o "
                << model.FaceName(model.objects, face.object) << " s " << model.FaceName(model.smoothing_groups, face.smoothing);
            for (const Corner& corner : Corners(group.faces[f])) out << " " << corner;
        }
    }
    for (int32_t l = 0; loaded && model.polylines && l < model.polyline_count; ++l) {
        const LineElement& line = model.polylines[l];
        out << "\nl " << line.group_name_index << " " << model.FaceName(model.objects, line.object);
        for (int32_t c = 0; c < line.corner_count; ++c) out << " " << line.vertex_indices[c] << "/" << line.texcoord_indices[c];
    }
    if (loaded && model.vertex_lists_packed && !model.face_pool) {
        out << "\nlists";
        for (int64_t c = 0; c < model.corner_pool_fill / 3; ++c) out << " " << model.corner_pool[c];
    }
    return out.str();
}

}  // namespace

TEST(LoadObj, GroupNamesFromTheLine) {
    struct Case { std::string line; std::string name; } cases[] = {
        {"", ""},                     // no g line: one unnamed group
        {"g\n", "NoName"}, {"g\r\n", "NoName"},
        {"\ng\n", "NoName"},           // the line end is kept here, still nothing follows g
        {"\r\ng\r\n", "NoName"},
        {"g \n", ""},                 // the kept line end is something left
        {"g  head\n", "head"}, {"\t g\thead\n", "head"}, {"G head\n", "head"}, {"g head torso\n", "head torso"},
        {"g head  \n", "head  "},     // trailing blanks belong to the name
        {"g head\r\n", "head"}, {"g " + std::string(3000, 'n') + "\n", std::string(127, 'n')},
        {"g " + std::string(300, 'n') + "X\n", std::string(127, 'n')},
    };
    for (const Case& c : cases) {
        ScratchFolder folder;
        Model model;
        ASSERT_EQ(LoadText(model, folder, kThreeVertices + c.line + "f 1 2 3\n"), 1) << c.line;
        ASSERT_EQ(model.group_count, 1) << c.line;
        EXPECT_EQ(std::string(model.Name(model.groups[0].name)), c.name) << c.line;
        EXPECT_EQ(model.groups[0].face_count, 1) << c.line;
        EXPECT_EQ(model.groups[0].material_index, -1) << c.line;
        EXPECT_TRUE(!c.line.empty() || model.group_names.count == 0) << model.group_names.count;
    }
}

TEST(LoadObj, CornerFormsClampingAndRelativeIndices) {
    const std::string tables = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\nvn 0 0 1\nvn 0 1 0\nvn 1 0 0\n";
    constexpr int32_t N = kNoIndex;  // a texture coordinate or normal the corner doesn't give
    struct Case { std::string face; std::vector<Corner> corners; } cases[] = {
        {"f 1 2 3", {{0, N, N}, {1, N, N}, {2, N, N}}}, {"f 1/3 2/2 3/1", {{0, 2, N}, {1, 1, N}, {2, 0, N}}},
        {"f 1//3 2//2 3//1", {{0, N, 2}, {1, N, 1}, {2, N, 0}}},
        {"f 1/2/3 2/3/1 3/1/2", {{0, 1, 2}, {1, 2, 0}, {2, 0, 1}}},
        {"fo 1 2 3 1 2", {{0, N, N}, {1, N, N}, {2, N, N}, {0, N, N}, {1, N, N}}},
        {"F 3 2 1", {{2, N, N}, {1, N, N}, {0, N, N}}}, {"FO 3/3/3 1 2", {{2, 2, 2}, {0, N, N}, {1, N, N}}},
        {"f -1/-1/-1 -2/-3/-2 -3", {{2, 2, 2}, {1, 0, 1}, {0, N, N}}},
        {"f -1 -2 -3\nv 3 0 0\nvt 1 1", {{2, N, N}, {1, N, N}, {0, N, N}}},  // counted back from the face line
        {"v 3 0 0\nvt 1 1\nf -1/-1 1/-2 -4", {{3, 3, N}, {0, 2, N}, {0, N, N}}},
        {"f 0 4 -4", {{0, N, N}, {0, N, N}, {0, N, N}}},                 // a vertex out of range gives 0
        {"f 2/9/9 99999999999999 -99999999999999", {{1, N, N}, {0, N, N}, {0, N, N}}},  // others none
        {"f 2/x/3 3/2/x x/2/3", {{1, N, N}, {2, 1, N}, {0, N, N}}},      // an unread vertex stays 1
        {"f\t2/3/\t3//x  1/\r\n", {{1, 2, N}, {2, N, N}, {0, N, N}}},
        {"f +2/+3/+1 3 1", {{1, 2, 0}, {2, N, N}, {0, N, N}}},
        {"f 000000003 3/000000002 1//2", {{2, N, N}, {2, 1, N}, {0, N, 1}}},  // nine digits: the short road
        {"f 0000000003 2/1/ 1234567890", {{2, N, N}, {1, 0, N}, {0, N, N}}},  // ten: the general one
    };
    for (const Case& c : cases) {
        ScratchFolder folder;
        Model model;
        ASSERT_EQ(LoadText(model, folder, tables + c.face + "\n"), 1) << c.face;
        ASSERT_EQ(model.groups[0].face_count, 1) << c.face;
        EXPECT_EQ(Corners(model.groups[0].faces[0]), c.corners) << c.face;
    }
}

TEST(LoadObj, EveryElementLineKeepsItsSlot) {
    ScratchFolder folder;
    Model model;
    ASSERT_EQ(LoadText(model, folder,
                       "v 1 2\nv 1 abc 3\nv abc\nV 4 5 6\n  v\t7 8 9 extra\n"
                       "vt 0.5\nvt 1 2 3\nVT 7 8\nvt\n"
                       "vn 1\nVN 0 0 1\nvn 1e400 -1e400 1e-400\n"
                       "f 1 2 3\n"),
              1);
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> vertices, texcoords, normals;
    for (int32_t i = 0; i < model.vertex_count; ++i)
        vertices.insert(vertices.end(), {model.vertices[i].x, model.vertices[i].y, model.vertices[i].z});
    for (int32_t i = 0; i < model.texcoord_count; ++i)
        texcoords.insert(texcoords.end(), {model.texcoords[i].u, model.texcoords[i].v});
    for (int32_t i = 0; i < model.normal_count; ++i)
        normals.insert(normals.end(), {model.normals[i].x, model.normals[i].y, model.normals[i].z});
    EXPECT_EQ(vertices, (std::vector<float>{1, 2, 0, 1, 0, 0, 0, 0, 0, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(texcoords, (std::vector<float>{0.5f, 0, 1, 2, 7, 8, 0, 0}));
    EXPECT_EQ(normals, (std::vector<float>{1, 0, 0, 0, 0, 1, inf, -inf, 0}));
}


// Each failure keeps its reason, and each reason has its own words.
TEST(LoadObj, FailuresLeaveTheModelEmptyWithTheReason) {
    ScratchFolder folder;
    std::string good = folder.Write("good.obj", kThreeVertices + "g a\nf 1 2 3\n");
    struct Case { std::string what; std::string path; int32_t reason; } cases[] = {
        {"empty file", folder.Write("empty.obj", ""), kReasonNoVertices},
        {"no vertices", folder.Write("novert.obj", "g a\nf 1 2 3\nvt 0 0\n"), kReasonNoVertices},
        {"random bytes", folder.Write("random.obj", RandomBytes(4096)), kReasonNotObjText},
        {"a NUL after a vertex", folder.Write("zero.obj", std::string("v 0 0 0\n\0\0f 1 1 1\n", 18)), kReasonNotObjText},
        {"an ASCII STL file", folder.Write("stl.obj", "solid cube\n facet normal 0 0 1\n  vertex 0 0 0\n"),
         kReasonNotObjText},
        {"missing file", folder.path() + "missing.obj", ENOENT},  // ERROR_FILE_NOT_FOUND is 2 too
#if !defined(_WIN32)
        {"a folder", folder.path(), kErrorIsFolder}, {"a named pipe", folder.Join("pipe.obj"), kReasonNamedPipe},
#endif
        {"a too long path", std::string(300, 'a'), kErrorNameTooLong},
    };
#if !defined(_WIN32)
    ASSERT_EQ(mkfifo(folder.Join("pipe.obj").c_str(), 0600), 0);
#endif
    std::set<std::string> texts;
    for (const Case& c : cases) {
        Model model;
        ASSERT_EQ(model.LoadObj(good.c_str()), 1);
        EXPECT_EQ(model.LoadObj(c.path.c_str()), 0) << c.what;
        EXPECT_EQ(model.load_error, c.reason) << c.what;
        char text[256];
        ReasonText(model.load_error, text, sizeof text);
        texts.insert(text);
        EXPECT_NE(text[0], '\0') << c.what;
        EXPECT_EQ(model.vertex_count, 0) << c.what;
        EXPECT_TRUE(!model.groups && model.group_names.count == 0 && !model.obj_path[0]) << c.what;
        ASSERT_EQ(model.LoadObjPositions(good.c_str()), 1);
        EXPECT_EQ(model.load_error, 0) << c.what;
    }
    EXPECT_EQ(texts.size(), std::size(cases) - 3);  // the empty and vertexless file share theirs, as do the non-OBJ ones
    for (int32_t own : {kReasonLongLine, kReasonFileTooLarge, kReasonFileShrank, kReasonFileChanged}) {
        char text[256];
        ReasonText(own, text, sizeof text);
        EXPECT_TRUE(texts.insert(text).second) << own;
    }
    Model untouched;
    ASSERT_EQ(untouched.LoadObj(good.c_str()), 1);
    EXPECT_EQ(untouched.LoadObj(nullptr), 0);
    EXPECT_EQ(untouched.vertex_count, 3);  // an absent path leaves the Model as it was
}

TEST(LoadObj, LibraryPathRules) {
    ScratchFolder folder;
    const std::string library = "newmtl skin\nKd 0.5 0.5 0.5\n";
    folder.Write("models/scene.mtl", library);
    folder.Write("libs/shared.mtl", library);
    const std::string mesh = kThreeVertices + "usemtl skin\nf 1 2 3\n";
    folder.Write("models/rel.obj", "mtllib scene.mtl\n" + mesh);
    folder.Write("models/abs.obj", "mtllib " + folder.path() + "libs/shared.mtl\n" + mesh);
    folder.Write("models/gone.obj", "mtllib gone.mtl\n" + mesh);
    folder.Write("models/two.obj", "mtllib gone.mtl\nmtllib scene.mtl\n" + mesh);
    folder.Write("models/blank.obj", "mtllib\n" + mesh);
    // A byte-order mark hides neither a first mtllib line nor a first newmtl line.
    folder.Write("models/marked.obj", "\xEF\xBB\xBFmtllib marked.mtl\n" + mesh);
    folder.Write("models/marked.mtl", "\xEF\xBB\xBF" + library);

    struct Case {
        std::string start;     // current directory for the load
        std::string obj_path;  // as passed
        std::string mtl_path;
        int32_t loaded;
    } cases[] = {
        {folder.path(), folder.path() + "models/rel.obj", folder.path() + "models/scene.mtl", 1},
        {folder.path(), "models/rel.obj", "models/scene.mtl", 1},       // relative OBJ path with a folder
        {folder.path() + "models", "rel.obj", "scene.mtl", 1},          // bare name
        {folder.path(), folder.path() + "models/abs.obj", folder.path() + "libs/shared.mtl", 1},
        {folder.path(), "models/gone.obj", "models/gone.mtl", 0},       // missing: still loads
        {folder.path(), "models/two.obj", "models/scene.mtl", 1},       // the last mtllib counts
        {folder.path(), "models/blank.obj", "models/", 0},              // a folder is no library
        {folder.path(), "models/marked.obj", "models/marked.mtl", 1},
    };
    for (const Case& c : cases) {
        std::error_code error;
        std::filesystem::current_path(c.start, error);
        ASSERT_FALSE(error) << c.start;
        Model model;
        ASSERT_EQ(model.LoadObj(c.obj_path.c_str()), 1) << c.obj_path;
        EXPECT_EQ(model.has_mtllib, 1) << c.obj_path;
        EXPECT_EQ(std::string(model.mtl_path), c.mtl_path) << c.obj_path;
        EXPECT_EQ(model.mtl_loaded, c.loaded) << c.obj_path;
        EXPECT_EQ(model.material_count, c.loaded) << c.obj_path;
        EXPECT_EQ(model.groups[0].faces[0].material_index, c.loaded ? 0 : -1) << c.obj_path;
        EXPECT_EQ(model.groups[0].material_index, c.loaded ? 0 : -1) << c.obj_path;
        EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(folder.path() + "models"))
            << c.obj_path;  // the OBJ's folder is current
    }
}



// The positions-only and vertex-list loads must succeed, fail and count
// exactly as the full load does, and keep the same positions, groups and
// materials; the vertex-list load keeps the full load's vertex lists too,
// packed as they are, which is all that counting vertices reads.
TEST(LoadObj, LighterLoadsAgreeWithTheFullLoad) {
    const std::string pieces[] = {"v 1 2 3", "v -0 1e-3 7", "vt 0.5 0.5", "vn 0 0 1", "f 1 2 3", "f 1/1/1 2/2/2",
                                  "f -1 -2 -3 -1", "f", "g head", "g body", "g", "usemtl skin", "usemtl bone",
                                  "# note", "", "mtllib mesh.mtl", "fo 1 2"};
    uint64_t state = 5;
    auto next = [&](uint64_t range) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return (state >> 33) % range;
    };
    ScratchFolder folder;
    folder.Write("mesh.mtl", "newmtl skin\nKd 1 0 0\nnewmtl bone\n");
    for (int round = 0; round < 400; ++round) {
        std::string text;
        int lines = static_cast<int>(next(20));
        for (int i = 0; i < lines; ++i) text += pieces[next(sizeof pieces / sizeof pieces[0])] + "\n";
        std::string path = folder.Write("mesh.obj", text);

        Model full, positions, lists;
        int32_t loaded = full.LoadObj(path.c_str());
        ASSERT_EQ(positions.LoadObjPositions(path.c_str()), loaded) << text;
        ASSERT_EQ(lists.LoadObjVertexLists(path.c_str()), loaded) << text;
        if (!loaded) {
            EXPECT_EQ(positions.vertex_count, 0);
            EXPECT_EQ(lists.vertex_count, 0);
            continue;
        }
        for (Model* light : {&positions, &lists}) {
            ASSERT_EQ(light->vertex_count, full.vertex_count) << text;
            EXPECT_EQ(std::memcmp(light->vertices, full.vertices, sizeof(Vertex) * size_t(full.vertex_count)), 0)
                << text;
            EXPECT_EQ(light->TotalFaceCount(), full.TotalFaceCount()) << text;
            ASSERT_EQ(light->group_count, full.group_count) << text;
            for (int32_t g = 0; g < full.group_count; ++g) {
                EXPECT_STREQ(light->Name(light->groups[g].name), full.Name(full.groups[g].name));
                EXPECT_EQ(light->groups[g].face_count, full.groups[g].face_count);
                EXPECT_EQ(light->groups[g].faces, nullptr);
                EXPECT_STREQ(light->Name(light->group_name_table[g].name), full.Name(full.group_name_table[g].name));
            }
            EXPECT_EQ(light->texcoord_count, full.texcoord_count);
            EXPECT_EQ(light->normal_count, full.normal_count);
            EXPECT_EQ(light->material_count, full.material_count) << text;
            EXPECT_EQ(light->mtl_loaded, full.mtl_loaded);
            EXPECT_EQ(light->texcoords, nullptr);
            EXPECT_EQ(light->normals, nullptr);
        }
        EXPECT_EQ(positions.corner_pool, nullptr);
        ASSERT_EQ(lists.corner_pool_fill, full.corner_pool_fill) << text;
        EXPECT_EQ(lists.vertex_lists_packed, full.vertex_lists_packed) << text;
        const int64_t corners = full.corner_pool_fill / 3;
        if (corners > 0) {
            EXPECT_EQ(std::memcmp(lists.corner_pool, full.corner_pool, sizeof(int32_t) * size_t(corners)), 0) << text;
        }
        if (HasFailure()) break;
    }
}

// Every window size, from the least up to the whole file, gives the model
// the file read whole gives, whatever its line ends, and so does every
// such load cut in two for a helper.
TEST(LoadObj, WindowsGiveTheWholeFilesModel) {
    const std::string body = "mtllib lib.mtl\nv 1 2 3\nv 4 5 6\n  v 7 8 9\nvt 0.5 0.25\nvn 0 0 1\ng a\nusemtl m1\n"
                             "f 1/1/1 2/1/1 3/1/1\ng b\nusemtl m2\nf 3 2 1\nl 1 2/1 -1/9\ng a\nf -1 -2 -3 1\n";
    auto ends = [](std::string text, const std::string& end) {
        for (size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += end.size()) text.replace(at, 1, end);
        return text;
    };
    std::string many, objects;  // the second with colours, objects and smoothing groups
    for (int i = 0; i < 40; ++i) {
        std::string n = std::to_string(i);
        many += "v " + n + " 0 1\ng g" + std::to_string(i % 7) + "\nusemtl m" + std::to_string(i % 3) + "\nf -1 -1 -1\n";
        objects += "v " + n + " 0 1 0.5 1 0\no ob " + std::to_string(i % 5) + "\ns " + std::to_string(i % 2) + "\nf -1 -1 -1\n";
    }
    const std::string texts[] = {
        body, ends(body, "\r\n"), ends(body, "\r"), ends(body, "\n\r"), "\xEF\xBB\xBF" + body + "\xEF\xBB\xBFv 5 5 5\n",
        "\n\n\r\n" + ends(body, "\n\n") + "\r\r\n\n", body + "v 3 3 3", body + "x", body + "\r", ends(body, "\r\n") + "v",
        "v 1 2 3\ng " + std::string(300, 'n') + "\nf 1 1 1 " + std::string(200, ' ') + "1\nv 2 2 2\n", many,
        "\xEF\xBB\xBFg a\n", "", "v 1 2 3\nf\ng a\nf  \nf 1 1 1\ng b\nusemtl m\nf 1 1 1\nf -1 1 1\n",
        objects, "o one\ns 1\n" + many,  // the second part starts inside an object
    };
    ScratchFolder folder;
    for (const std::string& text : texts) {
        std::string path = folder.Write("mesh.obj", text);
        const std::string whole = LoadInWindows(path, kObjWindowBytes);
        ASSERT_EQ(whole.substr(0, 2), text.find('v') == std::string::npos ? "0 " : "1 ") << text;
        const std::string positions = LoadInWindows(path, kObjWindowBytes, ObjTables::kPositions);
        const std::string lists = LoadInWindows(path, kObjWindowBytes, ObjTables::kVertexLists);
        for (uint32_t window = 1; window <= text.size() + 2; ++window) {
            ASSERT_EQ(LoadInWindows(path, window), whole) << "window " << window << "\n" << text;
            ASSERT_EQ(LoadInWindows(path, window, ObjTables::kAll, true), whole)
                << "helped, window " << window << "\n" << text;
            ASSERT_EQ(LoadInWindows(path, window, ObjTables::kPositions), positions)
                << "window " << window << "\n" << text;
            ASSERT_EQ(LoadInWindows(path, window, ObjTables::kVertexLists, true), lists)
                << "helped, window " << window << "\n" << text;
        }
    }
}

// A file that changes between the passes is not loaded, whether a helper
// reads its second half or not: a length that changed, a material name the
// survey never met; and, with a helper, lines that no longer meet at the cut.
TEST(LoadObj, FileChangedBetweenThePassesFails) {
    const std::string base = kThreeVertices + "usemtl m1\nf 1 2 3\nusemtl m2\nf 3 2 1\n";
    struct Case { std::string changed; bool helped_only; } cases[] = {
        {base + "v 0 0 1\n", false},
        {"v 0 0 0\n", false},
        {kThreeVertices + "usemtl m1\nf 1 2 3\nusemtl m3\nf 3 2 1\n", false},
        {"v 0 0 0\nv 1 0 0\nvt 0 10\nusemtl m1\nf 1 2 3\nusemtl m2\nf 3 2 1\n", true},
    };
    ScratchFolder folder;
    for (const Case& c : cases) {
        for (bool helped : {false, true}) {
            if (c.helped_only && !helped) continue;
            std::string path = folder.Write("mesh.obj", base);
            Model model;
            LoadHelp help;
            std::thread helper([&help] { help.Serve(); });
            ObjReader reader(model);
            reader.window_bytes = 8;
            reader.help = helped ? &help : nullptr;
            ASSERT_TRUE(ReadObjText(reader, path.c_str()) && SurveyObjText(reader)) << c.changed;
            folder.Write("mesh.obj", c.changed);
            EXPECT_TRUE(MakeValueTables(reader, ObjTables::kAll) && !reader.FillElements() && model.load_error == kReasonFileChanged)
                << c.changed << " helped " << helped;
            reader.Release();
            help.Close();
            helper.join();
        }
    }
}
