#include <gtest/gtest.h>

#include <iterator>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "platform/reasons.h"
#include "reader_test_support.h"
#include "wavefront/obj_passes.h"
#include "wavefront/reason_text.h"

#if !defined(_WIN32)
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

struct Corner {
    int32_t v, t, n;
    bool operator==(const Corner& o) const { return v == o.v && t == o.t && n == o.n; }
};

std::vector<Corner> Corners(const Face& face) {
    std::vector<Corner> corners;
    for (int32_t i = 0; i < face.corner_count; ++i) {
        corners.push_back({face.vertex_indices[i], face.texcoord_indices[i], face.normal_indices[i]});
    }
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

}  // namespace

TEST(LoadObj, GroupsIndexedNewestFirstAndEarlyFacesGoToGroupZero) {
    ScratchFolder folder;
    Model model;
    ASSERT_EQ(LoadText(model, folder,
                       kThreeVertices + "f 1 2 3\ng head\nf 1 2 3\nf 1 2 3\ng body\ng head\nf 3 2 1\ng legs\nf 2 3 1\n"),
              1);
    ASSERT_EQ(model.group_count, 3);
    EXPECT_EQ(model.group_name_count, 3);
    EXPECT_EQ(model.group_names.count, 3);
    const char* names[] = {"legs", "body", "head"};
    const int32_t faces[] = {2, 0, 3};
    for (int32_t k = 0; k < 3; ++k) {
        EXPECT_STREQ(model.Name(model.groups[k].name), names[k]);
        EXPECT_STREQ(model.Name(model.group_name_table[k].name), names[k]);
        EXPECT_EQ(model.FindGroupName(names[k]), k);
        EXPECT_EQ(model.groups[k].face_count, faces[k]);
        EXPECT_EQ(model.groups[k].face_fill, faces[k]);
        EXPECT_NE(model.groups[k].faces, nullptr);  // also for the group without faces
        for (int32_t f = 0; f < model.groups[k].face_count; ++f) EXPECT_EQ(model.groups[k].faces[f].group_name_index, k);
    }
    // legs: the face before the first g line, then its own.
    EXPECT_EQ(Corners(model.groups[0].faces[0]), (std::vector<Corner>{{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}));
    EXPECT_EQ(Corners(model.groups[0].faces[1]), (std::vector<Corner>{{1, 0, 0}, {2, 0, 0}, {0, 0, 0}}));
    EXPECT_EQ(Corners(model.groups[2].faces[2]), (std::vector<Corner>{{2, 0, 0}, {1, 0, 0}, {0, 0, 0}}));
    EXPECT_STREQ(model.obj_file_name, "mesh.obj");
    EXPECT_EQ(std::string(model.obj_path), folder.path() + "mesh.obj");
}

TEST(LoadObj, GroupNamesFromTheLine) {
    struct Case {
        std::string line;
        std::string name;
    } cases[] = {
        {"", ""},                     // no g line: one unnamed group
        {"g\n", "NoName"},
        {"g\r\n", "NoName"},
        {"\ng\n", "NoName"},           // the line end is kept here, still nothing follows g
        {"\r\ng\r\n", "NoName"},
        {"g \n", ""},                 // the kept line end is something left
        {"g  head\n", "head"},
        {"\t g\thead\n", "head"},
        {"G head\n", "head"},
        {"g head torso\n", "head torso"},
        {"g head  \n", "head  "},     // trailing blanks belong to the name
        {"g head\r\n", "head"},
        {"g " + std::string(3000, 'n') + "\n", std::string(127, 'n')},
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
        if (c.line.empty()) {
            EXPECT_EQ(model.group_names.count, 0);
        }
    }
}

TEST(LoadObj, CornerFormsClampingAndRelativeIndices) {
    const std::string tables = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\nvn 0 0 1\nvn 0 1 0\nvn 1 0 0\n";
    struct Case {
        std::string face;
        std::vector<Corner> corners;
    } cases[] = {
        {"f 1 2 3", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}},
        {"f 1/3 2/2 3/1", {{0, 2, 0}, {1, 1, 0}, {2, 0, 0}}},
        {"f 1//3 2//2 3//1", {{0, 0, 2}, {1, 0, 1}, {2, 0, 0}}},
        {"f 1/2/3 2/3/1 3/1/2", {{0, 1, 2}, {1, 2, 0}, {2, 0, 1}}},
        {"fo 1 2 3 1 2", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 0, 0}, {1, 0, 0}}},
        {"F 3 2 1", {{2, 0, 0}, {1, 0, 0}, {0, 0, 0}}},
        {"FO 3/3/3 1 2", {{2, 2, 2}, {0, 0, 0}, {1, 0, 0}}},
        {"f -1/-1/-1 -2/-3/-2 -3", {{2, 2, 2}, {1, 0, 1}, {0, 0, 0}}},
        {"f -1 -2 -3\nv 3 0 0\nvt 1 1", {{2, 0, 0}, {1, 0, 0}, {0, 0, 0}}},  // counted back from the face line
        {"v 3 0 0\nvt 1 1\nf -1/-1 1/-2 -4", {{3, 3, 0}, {0, 2, 0}, {0, 0, 0}}},
        {"f 0 4 -4", {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}},                 // out of range gives 0
        {"f 2/9/9 99999999999999 -99999999999999", {{1, 0, 0}, {0, 0, 0}, {0, 0, 0}}},
        {"f 2/x/3 3/2/x x/2/3", {{1, 0, 0}, {2, 1, 0}, {0, 0, 0}}},      // unread values stay 1
        {"f\t2/3/\t3//x  1/\r\n", {{1, 2, 0}, {2, 0, 0}, {0, 0, 0}}},
        {"f +2/+3/+1 3 1", {{1, 2, 0}, {2, 0, 0}, {0, 0, 0}}},
        {"f 000000003 3/000000002 1//2", {{2, 0, 0}, {2, 1, 0}, {0, 0, 1}}},  // nine digits: the short road
        {"f 0000000003 2/1/ 1234567890", {{2, 0, 0}, {1, 0, 0}, {0, 0, 0}}},  // ten: the general one
    };
    for (const Case& c : cases) {
        ScratchFolder folder;
        Model model;
        ASSERT_EQ(LoadText(model, folder, tables + c.face + "\n"), 1) << c.face;
        ASSERT_EQ(model.groups[0].face_fill, 1) << c.face;
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
    for (int32_t i = 0; i < model.vertex_count; ++i) {
        vertices.insert(vertices.end(), {model.vertices[i].x, model.vertices[i].y, model.vertices[i].z});
        EXPECT_EQ(model.vertices[i].mark, 0);
        EXPECT_EQ(model.vertices[i].link, 0);
    }
    for (int32_t i = 0; i < model.texcoord_count; ++i)
        texcoords.insert(texcoords.end(), {model.texcoords[i].u, model.texcoords[i].v});
    for (int32_t i = 0; i < model.normal_count; ++i)
        normals.insert(normals.end(), {model.normals[i].x, model.normals[i].y, model.normals[i].z});
    EXPECT_EQ(vertices, (std::vector<float>{1, 2, 0, 1, 0, 0, 0, 0, 0, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(texcoords, (std::vector<float>{0.5f, 0, 1, 2, 7, 8, 0, 0}));
    EXPECT_EQ(normals, (std::vector<float>{1, 0, 0, 0, 0, 1, inf, -inf, 0}));
}

TEST(LoadObj, LineEndsDoNotChangeTheModel) {
    const std::string lines[] = {"v 1.5 2 3", "vt 0.25 0.75", "vn 0 0 1", "g part one", "usemtl skin",
                                 "f 1/1/1 1/1/1 1/1/1", "g", "f 1 1 1 1"};
    std::string lf, cr, crlf;
    for (const std::string& line : lines) {
        lf += line + "\n";
        cr += line + "\r";
        crlf += line + "\r\n";
    }
    std::string no_final_end = lf.substr(0, lf.size() - 1);
    std::string marked = "\xEF\xBB\xBF" + crlf;  // a UTF-8 byte-order mark before the first line
    for (const std::string& content : {lf, cr, crlf, no_final_end, marked}) {
        ScratchFolder folder;
        Model model;
        ASSERT_EQ(LoadText(model, folder, content), 1);
        EXPECT_EQ(model.vertex_count, 1);
        EXPECT_EQ(model.vertices[0].x, 1.5f);
        EXPECT_EQ(model.texcoords[0].v, 0.75f);
        EXPECT_EQ(model.normals[0].z, 1.0f);
        ASSERT_EQ(model.group_count, 2);
        EXPECT_STREQ(model.Name(model.groups[0].name), "NoName");
        EXPECT_STREQ(model.Name(model.groups[1].name), "part one");
        ASSERT_EQ(model.groups[0].face_fill, 1);
        EXPECT_EQ(model.groups[0].faces[0].corner_count, 4);
        EXPECT_STREQ(model.FaceMaterialName(model.groups[1].faces[0]), "skin");
    }
}

TEST(LoadObj, FacesWithoutCornersLeaveAnEmptyRecordAtTheEnd) {
    ScratchFolder folder;
    Model model;
    ASSERT_EQ(LoadText(model, folder, kThreeVertices + "f\nf 1 2 3\nf   \t\nfo\r\nf 3 2 1\n"), 1);
    Group& group = model.groups[0];
    EXPECT_EQ(group.face_count, 5);
    ASSERT_EQ(group.face_fill, 2);
    EXPECT_EQ(group.faces[0].vertex_indices[0], 0);
    EXPECT_EQ(group.faces[1].vertex_indices[0], 2);
    for (int f = 2; f < 5; ++f) {
        EXPECT_EQ(group.faces[f].corner_count, 0);
        EXPECT_EQ(group.faces[f].vertex_indices, nullptr);
        EXPECT_EQ(group.faces[f].group_name_index, 0);
    }
    EXPECT_EQ(model.corner_pool_fill, model.corner_pool_size);  // sized exactly
}

TEST(LoadObj, LongLinesAreReadWhole) {
    std::string face = "f";
    for (int i = 0; i < 600; ++i) face += " " + std::to_string(i % 3 + 1);  // 1200 characters
    std::string comment = "# " + std::string(3000, 'c');
    ScratchFolder folder;
    Model model;
    ASSERT_EQ(LoadText(model, folder, kThreeVertices + comment + "\n" + face + "\n"), 1);
    ASSERT_EQ(model.groups[0].face_fill, 1);
    EXPECT_EQ(model.groups[0].faces[0].corner_count, 600);
    EXPECT_EQ(model.groups[0].faces[0].vertex_indices[599], 2);
}

#if defined(__linux__)
// A line of 2^31 - 1 bytes can't have a line buffer. Its image here is one
// small file of zeros mapped side by side over and over: it takes no memory
// and reads from the cache, where a file that size would take seconds.
TEST(LoadObj, ALineTooLongForItsBufferIsTheReason) {
    const size_t size = size_t(std::numeric_limits<int32_t>::max()), piece = size_t(256) << 10;
    const size_t span = (size + piece - 1) / piece * piece;
    int file = memfd_create("zeros", 0);
    ASSERT_GE(file, 0);
    ASSERT_EQ(ftruncate(file, off_t(piece)), 0);
    char* zeros = static_cast<char*>(mmap(nullptr, span, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(zeros, MAP_FAILED);
    for (size_t at = 0; at < span; at += piece)
        ASSERT_NE(mmap(zeros + at, piece, PROT_READ, MAP_SHARED | MAP_FIXED, file, 0), MAP_FAILED);
    Model model;
    ObjReader reader(model);
    reader.text.data = reinterpret_cast<unsigned char*>(zeros);
    reader.text.size = uint32_t(size);
    EXPECT_EQ(SurveyObjText(reader), 0);
    EXPECT_EQ(model.load_error, kReasonLongLine);
    model.Clear();
    reader.text.data = nullptr;
    munmap(zeros, span);
    close(file);
}
#endif

// Each failure keeps its reason, and each reason has its own words.
TEST(LoadObj, FailuresLeaveTheModelEmptyWithTheReason) {
    ScratchFolder folder;
    std::string good = folder.Write("good.obj", kThreeVertices + "g a\nf 1 2 3\n");
    struct Case {
        std::string what;
        std::string path;
        int32_t reason;
    } cases[] = {
        {"empty file", folder.Write("empty.obj", ""), kReasonNoVertices},
        {"no vertices", folder.Write("novert.obj", "g a\nf 1 2 3\nvt 0 0\n"), kReasonNoVertices},
        {"missing file", folder.path() + "missing.obj", ENOENT},  // ERROR_FILE_NOT_FOUND is 2 too
#if !defined(_WIN32)
        {"a folder", folder.path(), kErrorIsFolder},
        {"a named pipe", folder.Join("pipe.obj"), kReasonNamedPipe},
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
        EXPECT_EQ(model.groups, nullptr) << c.what;
        EXPECT_EQ(model.group_names.count, 0) << c.what;
        EXPECT_STREQ(model.obj_path, "") << c.what;
        ASSERT_EQ(model.LoadObjPositions(good.c_str()), 1);
        EXPECT_EQ(model.load_error, 0) << c.what;
    }
    EXPECT_EQ(texts.size(), std::size(cases) - 1);  // the empty and the vertexless file share theirs
    for (int32_t own : {kReasonLongLine, kReasonFileTooLarge, kReasonFileShrank}) {
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

#include "wavefront/obj_lines.h"

// The word-at-a-time corner count must agree with a plain count.
TEST(LoadObj, CornerTokenCountAgreesWithAPlainCount) {
    const char alphabet[] = {' ', '\t', '\r', '\n', '1', '/', '\v', 'a', '\0'};
    uint64_t state = 7;
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        int length = static_cast<int>((state >> 33) % 40);
        for (int i = 0; i < length; ++i) {
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            text += alphabet[(state >> 33) % sizeof alphabet];
        }
        int64_t plain = 0;
        bool inside = false;
        for (char c : text) {
            bool separator = c == ' ' || c == '\t' || c == '\r' || c == '\n';
            if (!separator && !inside) ++plain;
            inside = !separator;
        }
        ASSERT_EQ(CountCornerTokens(text.data(), text.data() + text.size()), plain) << round;
    }
}

#include "wavefront/obj_passes.h"

// The one-walk survey must leave exactly what the group-name pass, the line
// measure, the group table and the counting pass leave when run in turn.
TEST(LoadObj, SurveyAgreesWithThePassesRunInTurn) {
    const std::string pieces[] = {"v 1 2 3", "vt 0.5 0.5", "vn 0 0 1", "f 1 2 3", "f 1/1/1 2/2/2", "F 1//1",
                            "fo 3 2 1", "f", "f ", "g head", "g body", "g", "g ", "G head", "  g\thead",
                            "g head ", "usemtl skin", "USEMTL bone", "# note", "", "  ", "\tv 4 5 6",
                            "g " + std::string(300, 'n'), "v " + std::string(1500, '7'), "gx 1"};
    const char* ends[] = {"\n", "\r\n", "\r", "\n\r"};
    uint64_t state = 11;
    auto next = [&](uint64_t range) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return (state >> 33) % range;
    };
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        int lines = static_cast<int>(next(24));
        for (int i = 0; i < lines; ++i) {
            text += pieces[next(sizeof pieces / sizeof pieces[0])];
            text += ends[next(round % 3 == 0 ? 4 : 1)];
        }
        if (next(4) == 0) text += "g tail";  // no end on the last line

        Model apart;
        ObjReader apart_reader(apart);
        SetText(apart_reader, text);
        apart_reader.CollectGroupNames();
        if (apart.group_count == 0) apart.group_count = 1;
        apart_reader.line_buffer_size = apart_reader.MeasureLongestLine();
        ASSERT_EQ(apart_reader.AllocateLineBuffer(), 1);
        apart.groups = AllocateTable<Group>(static_cast<size_t>(apart.group_count));
        for (int32_t g = 0; g < apart.group_count; ++g) apart.groups[g].material_index = -1;
        apart_reader.text.read_pos = 0;
        ASSERT_EQ(apart_reader.CountElements(), 1) << text;

        Model together;
        ObjReader together_reader(together);
        SetText(together_reader, text);
        ASSERT_EQ(SurveyObjText(together_reader), 1) << text;

        EXPECT_EQ(together.group_count, apart.group_count) << text;
        EXPECT_EQ(together.group_names.count, apart.group_names.count) << text;
        for (int32_t k = 0; k < apart.group_count; ++k) {
            EXPECT_EQ(together.groups[k].face_count, apart.groups[k].face_count) << k << "\n" << text;
            EXPECT_EQ(together.groups[k].material_index, -1);
        }
        for (int32_t k = 0; k < apart.group_names.count; ++k) {
            EXPECT_STREQ(together.GroupNameAt(k), apart.GroupNameAt(k));
            EXPECT_EQ(together.FindGroupName(apart.GroupNameAt(k)), k) << apart.GroupNameAt(k);
        }
        EXPECT_EQ(together_reader.line_buffer_size, apart_reader.line_buffer_size) << text;
        EXPECT_NE(together_reader.line_buffer, nullptr);
        EXPECT_EQ(together.vertex_count, apart.vertex_count) << text;
        EXPECT_EQ(together.texcoord_count, apart.texcoord_count) << text;
        EXPECT_EQ(together.normal_count, apart.normal_count) << text;
        EXPECT_EQ(together.corner_pool_size, apart.corner_pool_size) << text;
        EXPECT_EQ(together.material_name_count, apart.material_name_count) << text;
        if (HasFailure()) break;
    }
}

// The positions-only load must succeed, fail and count exactly as the full
// load does, and keep the same positions, groups and materials.
TEST(LoadObj, PositionsOnlyLoadAgreesWithTheFullLoad) {
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

        Model full, positions;
        int32_t loaded = full.LoadObj(path.c_str());
        ASSERT_EQ(positions.LoadObjPositions(path.c_str()), loaded) << text;
        if (!loaded) {
            EXPECT_EQ(positions.vertex_count, 0);
            continue;
        }
        ASSERT_EQ(positions.vertex_count, full.vertex_count) << text;
        for (int32_t i = 0; i < full.vertex_count; ++i) {
            const Vertex& a = full.vertices[i];
            const Vertex& b = positions.vertices[i];
            EXPECT_TRUE(std::memcmp(&a, &b, sizeof a) == 0) << i << "\n" << text;
        }
        EXPECT_EQ(positions.TotalFaceCount(), full.TotalFaceCount()) << text;
        ASSERT_EQ(positions.group_count, full.group_count) << text;
        for (int32_t g = 0; g < full.group_count; ++g) {
            EXPECT_STREQ(positions.Name(positions.groups[g].name), full.Name(full.groups[g].name));
            EXPECT_EQ(positions.groups[g].face_count, full.groups[g].face_count);
            EXPECT_EQ(positions.groups[g].faces, nullptr);
            EXPECT_STREQ(positions.Name(positions.group_name_table[g].name), full.Name(full.group_name_table[g].name));
        }
        EXPECT_EQ(positions.texcoord_count, full.texcoord_count);
        EXPECT_EQ(positions.normal_count, full.normal_count);
        EXPECT_EQ(positions.material_count, full.material_count) << text;
        EXPECT_EQ(positions.mtl_loaded, full.mtl_loaded);
        EXPECT_EQ(positions.texcoords, nullptr);
        EXPECT_EQ(positions.normals, nullptr);
        EXPECT_EQ(positions.corner_pool, nullptr);
        if (HasFailure()) break;
    }
}

// Face material names are kept once per distinct name however many there
// are, each usemtl line after the first naming it finds the same entry.
TEST(LoadObj, ManyMaterialNamesAreKeptOncePerName) {
    constexpr int kNames = 300;
    std::string text = kThreeVertices;
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < kNames; ++i) {
            int n = pass == 0 ? i : kNames - 1 - i;
            text += "usemtl m" + std::to_string(n * 7919) + "\nf 1 2 3\n";
        }
    }
    ScratchFolder folder;
    Model model;
    ASSERT_EQ(LoadText(model, folder, text), 1);
    EXPECT_EQ(model.material_name_fill, kNames + 1);
    const Group& group = model.groups[0];
    ASSERT_EQ(group.face_fill, 2 * kNames);
    for (int f = 0; f < 2 * kNames; ++f) {
        int n = f < kNames ? f : 2 * kNames - 1 - f;
        EXPECT_EQ(model.FaceMaterialName(group.faces[f]), "m" + std::to_string(n * 7919)) << f;
        EXPECT_EQ(group.faces[f].material_name, group.faces[f < kNames ? f : 2 * kNames - 1 - f].material_name);
    }
}

// Group lines are looked up in batches: many names, met again in another
// order and across batch ends, still give every face the group of the line
// before it and every group its faces in file order.
TEST(LoadObj, ManyGroupLinesGiveEveryFaceItsGroup) {
    constexpr int kNames = 150;
    const std::string long_name(200, 'x');
    std::string text = kThreeVertices + "f 1 2 3\n";  // before any g line: the newest name's group
    std::vector<std::string> line_names;
    for (int pass = 0; pass < 3; ++pass) {
        for (int i = 0; i < kNames; ++i) {
            int n = pass == 1 ? kNames - 1 - i : (i * 37 + pass) % kNames;
            std::string name = n == 5 ? long_name + std::to_string(pass) : "part_" + std::to_string(n * 7919);
            line_names.push_back(name);
            text += "g " + name + "\n";
            for (int f = 0; f < (i + pass) % 3; ++f) text += f % 2 ? "f 3 2 1\n" : "f 1 2 3\n";
        }
    }
    ScratchFolder folder;
    Model model;
    ASSERT_EQ(LoadText(model, folder, text), 1);
    ASSERT_EQ(model.group_count, kNames);  // the long names agree in their first 127 bytes

    // Expected: per group (by its list position), the corner orders of its faces in file order.
    std::vector<std::vector<int32_t>> expected(kNames);
    int32_t group = -1;
    int32_t line = 0;
    size_t at = kThreeVertices.size();
    while (at < text.size()) {
        size_t next = text.find('\n', at);
        std::string row = text.substr(at, next - at);
        at = next + 1;
        if (row[0] == 'g') {
            group = model.FindGroupName(line_names[size_t(line++)].c_str());
            ASSERT_GE(group, 0) << row;
        } else {
            expected[size_t(group < 0 ? 0 : group)].push_back(row == "f 1 2 3" ? 0 : 2);
        }
    }
    for (int32_t k = 0; k < kNames; ++k) {
        const Group& g = model.groups[k];
        ASSERT_EQ(g.face_count, static_cast<int32_t>(expected[size_t(k)].size())) << k;
        for (int32_t f = 0; f < g.face_count; ++f) {
            EXPECT_EQ(g.faces[f].group_name_index, k);
            EXPECT_EQ(g.faces[f].vertex_indices[0], expected[size_t(k)][size_t(f)]) << k << " " << f;
        }
    }
}
