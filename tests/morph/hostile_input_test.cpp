// Hostile inputs through the whole Convert and Report: huge lines, huge counts, huge numbers, long names, garbage, NUL
// bytes, paths that are not files. Every case must end with a clear code or a sound result, within a bounded amount of
// memory, and without damaging any file that was there before: on a failure every file keeps its bytes and nothing is
// added (no temporary); on success only the new OBJ and MTL files change.
//
// Peak memory is the growth of the process's resident high-water mark over the run (Linux: VmHWM, reset through
// /proc/self/clear_refs); the bound is 20 times the bytes of the input files plus 64 MB (twice that under
// AddressSanitizer). A case that adds many small lines to a plain file names that plain file too: each added line may
// cost the Convert at most 50 bytes more than the plain file does (twice that under AddressSanitizer).
#include <gtest/gtest.h>

#include <sys/stat.h>
#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>
#endif

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "model/model.h"
#include "platform/text.h"
#include "morph/convert.h"
#include "morph/report.h"
#include "platform/files/reason_text.h"
#include "test_models.h"

namespace {

namespace fs = std::filesystem;

// Whether file permissions stop this process: not as root, and never on
// Windows, where chmod only sets the read-only attribute.
bool PermissionsBind() {
#if defined(_WIN32)
    return false;
#else
    return geteuid() != 0;
#endif
}

const char kTriangle[] = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
const char kEarlierObj[] = "earlier new.obj\r\n";
const char kEarlierMtl[] = "earlier new.mtl\r\n";
const char kEarlierReport[] = "earlier report\r\n";

// text followed by count lines made by line(i).
std::string Lines(std::string text, int count, const std::function<std::string(int)>& line) {
    for (int i = 0; i < count; ++i) text += line(i);
    return text;
}

// Pseudo-random bytes of every value except 'v' and 'V', so no vertex line
// can arise by chance and the outcome is fixed.
std::string Garbage(size_t bytes, unsigned seed) {
    std::mt19937 random(seed);
    std::string t(bytes, '\0');
    for (char& c : t) {
        c = static_cast<char>(random() & 0xFF);
        if (c == 'v' || c == 'V') c = 'x';
    }
    return t;
}

// VmRSS or VmHWM of /proc/self/status in bytes; -1 when unknown.
int64_t StatusBytes(const char* field) {
    std::FILE* file = std::fopen("/proc/self/status", "r");
    if (!file) return -1;
    char line[256];
    int64_t result = -1;
    size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, file)) {
        if (std::strncmp(line, field, length) == 0 && line[length] == ':') {
            result = std::atoll(line + length + 1) * 1024;
            break;
        }
    }
    std::fclose(file);
    return result;
}

// The growth of the resident high-water mark over run; -1 where the mark can't be reset or read.
#if defined(__SANITIZE_ADDRESS__)
extern "C" void __sanitizer_purge_allocator();
#endif

int64_t PeakGrowth(const std::function<void()>& run) {
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer's allocator keeps freed blocks, so what a run before
    // freed would make this one's growth depend on the order of the runs.
    __sanitizer_purge_allocator();
#endif
    std::FILE* file = std::fopen("/proc/self/clear_refs", "w");
    bool reset = file && std::fputs("5", file) >= 0;
    if (file && std::fclose(file) != 0) reset = false;
    int64_t before = StatusBytes("VmRSS");
    run();
    int64_t peak = StatusBytes("VmHWM");
    if (!reset || before < 0 || peak < 0) return -1;
    return peak > before ? peak - before : 0;
}

// What a case sets up: the three fields of the window, and which of the
// files it wrote are inputs (their bytes count towards the memory bound).
struct Scene {
    ScratchFolder& folder;
    std::string original, matching, result;
    uint64_t input_bytes = 0;

    std::string Input(const std::string& name, const std::string& bytes) {
        input_bytes += bytes.size();
        return folder.Write(name, bytes);
    }
};

struct HostileCase {
    const char* name;
    std::function<void(Scene&)> make;
    int32_t convert;           // expected Convert code
    int32_t result_vertices;   // on success: vertices of the new file
    // The same scene without its `added_lines` extra lines, when given.
    std::function<void(Scene&)> plain = nullptr;
    int32_t added_lines = 0;
};

void Pair(Scene& s, const std::string& text) {
    s.original = s.Input("original.obj", text);
    s.matching = s.Input("matching.obj", text);
}

const std::vector<HostileCase>& Cases() {
    static const std::vector<HostileCase> cases = {
        {"100 MB single line",
         [](Scene& s) {
             // One group line whose name is 100 MB long. One file serves as
             // both inputs (it is read twice): a second copy would only slow the test.
             s.original = s.matching =
                 s.Input("both.obj", std::string(kTriangle) + "g " + std::string(100u << 20, 'n') + "\nf 3 2 1\n");
             s.input_bytes *= 2;
         }, 1, 3},
        // A name costs the records that hold it a few bytes, not a fixed array
        // each: names much shorter than such an array stay within the bound.
        {"200000 distinct group names",
         [](Scene& s) { Pair(s, Lines(kTriangle, 200000, [](int i) { return "g " + std::to_string(i) + "\nf 1 2 3\n"; })); },
         1, 3},
        {"100000 distinct materials",
         [](Scene& s) {
             Pair(s, Lines(std::string("mtllib many.mtl\n") + kTriangle, 100000,
                           [](int i) { return "usemtl m" + std::to_string(i) + "\nf 1 2 3\n"; }));
             s.Input("many.mtl", Lines("", 100000, [](int i) { return "newmtl m" + std::to_string(i) + "\n"; }));
         }, 1, 3},
        {"a usemtl line before each of 400000 faces",
         [](Scene& s) {
             Pair(s, Lines(std::string("mtllib two.mtl\n") + kTriangle, 400000,
                           [](int i) { return i % 2 ? "usemtl b\nf 1 2 3\n" : "usemtl a\nf 1 2 3\n"; }));
             s.Input("two.mtl", "newmtl a\nnewmtl b\n");
         },
         1, 3,
         [](Scene& s) {
             Pair(s, Lines(std::string("mtllib two.mtl\n") + kTriangle + "usemtl a\n", 400000,
                           [](int) { return "f 1 2 3\n"; }));
             s.Input("two.mtl", "newmtl a\nnewmtl b\n");
         },
         400000},
        {"10000 materials",
         [](Scene& s) {
             Pair(s, Lines(std::string("mtllib many.mtl\n") + kTriangle, 10000,
                           [](int i) { return "usemtl m" + std::to_string(i) + "\nf 1 2 3\n"; }));
             s.Input("many.mtl", Lines("", 10000, [](int i) {
                 return "newmtl m" + std::to_string(i) + "\nKd 0.5 0.5 0.5\nmap_Kd m.bmp\n";
             }));
         }, 1, 3},
        {"1000000 faces of one corner", [](Scene& s) { Pair(s, Lines(kTriangle, 1000000, [](int) { return "f 2\n"; })); },
         1, 3},
        {"corner numbers of 14 digits",
         [](Scene& s) {
             Pair(s, std::string(kTriangle) + "vt 0 0\nvn 0 0 1\n"
                                              "f 99999999999999 -99999999999999 2\n"
                                              "f 1/99999999999999/-99999999999999 2/-99999999999999/99999999999999 3\n"
                                              "f 2147483648 -2147483649 4294967298\n");
         }, 1, 3},
        {"names of 10000 characters",
         [](Scene& s) {
             Pair(s, "mtllib " + std::string(10000, 'L') + ".mtl\n" + kTriangle + "g " + std::string(10000, 'G') +
                         "\nusemtl " + std::string(10000, 'M') + "\nf 1 2 3\nvt " + std::string(10000, '1') +
                         " 2\nf 1/1 2/1 3/1\n");
         }, 1, 3},
        {"binary garbage without vertices", [](Scene& s) { Pair(s, Garbage(1u << 20, 7)); }, -2, 0},
        // A binary file is refused as not an OBJ file, whatever lines it may hold.
        {"binary garbage around a triangle",
         [](Scene& s) { Pair(s, Garbage(1u << 19, 8) + "\n" + kTriangle + Garbage(1u << 19, 9)); }, -2, 0},
        {"NUL bytes inside lines past the opening ones",
         [](Scene& s) {
             static const char obj[] =
                 "mtllib lib\0.mtl\nv 0 0 0\nv 1\0 0 0\nv 0 1 0\nv 1 1 1\0\ng he\0ad\nusemtl sk\0in\n"
                 "f 1 2\0 3\nf 1 2 3 4\n\0\0\0\nf\0 1 2 3\n";
             static const char mtl[] = "newmtl sk\0in\nKd 1\0 0 0\n";
             Pair(s, Lines("", 2000, [](int) { return "# a comment line that fills the opening lines\n"; }) +
                         std::string(obj, sizeof obj - 1));
             s.Input("lib", std::string(mtl, sizeof mtl - 1));
         }, 1, 4},
        {"a v line of 1000000 numbers",
         [](Scene& s) { Pair(s, Lines("v", 1000000, [](int) { return " 7"; }) + "\n" + kTriangle); }, 1, 4},
        // Unreadable inputs. A file without read permission stops root (as in the build containers) from nothing, so a
        // real failure that holds for every user stands in: a file that opens but can't be read (/proc/self/mem).
#if !defined(_WIN32)
        {"matching opens but can't be read",
         [](Scene& s) {
             s.original = s.Input("original.obj", kTriangle);
             s.matching = "/proc/self/mem";
         }, -3, 0},
#endif
        {"original without read permission (skipped in effect as root)",
         [](Scene& s) {
             Pair(s, kTriangle);
             if (PermissionsBind()) chmod(s.original.c_str(), 0);
         }, 0, 3},  // 0: decided at run time
        {"missing library",
         [](Scene& s) { Pair(s, std::string("mtllib nowhere.mtl\nusemtl skin\n") + kTriangle); }, 1, 3},
        {"library target is a directory",
         [](Scene& s) {
             Pair(s, std::string("mtllib a.mtl\nusemtl skin\n") + kTriangle);
             s.Input("a.mtl", "newmtl skin\n");
             fs::create_directory(s.folder.Join("new.mtl"));
         }, -4, 0},
        // A read-only folder: as root, chmod does not stop writing, so a
        // folder that no user can create files in stands in (/proc/self).
        {"read-only target folder",
         [](Scene& s) {
             Pair(s, kTriangle);
             if (PermissionsBind()) {
                 s.result = s.folder.Write("locked/new.obj", kEarlierObj);
                 chmod(s.folder.Join("locked").c_str(), 0555);
             } else {
#if defined(_WIN32)
                 s.result = s.folder.Join("missing\\new.obj");
#else
                 s.result = "/proc/self/new.obj";
#endif
             }
         }, -4, 0},
        // The original is never written over: the save fails, saying so.
        {"new path is the original",
         [](Scene& s) {
             s.original = s.Input("original.obj", std::string("mtllib a.mtl\nusemtl skin\n") + kTriangle);
             s.matching = s.Input("matching.obj", "mtllib b.mtl\nv 0 1 0\nv 0 0 0\nv 1 0 0\nusemtl cloth\nf 3 1 2\n");
             s.Input("a.mtl", "newmtl skin\n");
             s.Input("b.mtl", "newmtl cloth\n");
             s.result = s.original;
         }, -4, 3},
    };
    return cases;
}

struct HostileInput : ::testing::TestWithParam<size_t> {};

TEST_P(HostileInput, ConvertAndReportEndCleanly) {
    const HostileCase& c = Cases()[GetParam()];
    SCOPED_TRACE(c.name);
    ScratchFolder folder;
    Scene scene{folder, "", "", folder.Join("new.obj")};
    c.make(scene);
    int32_t expected = c.convert;
    if (expected == 0) expected = PermissionsBind() ? -2 : 1;
    // Earlier files at the default targets, unless a case made its own.
    if (!fs::exists(folder.Join("new.obj"))) folder.Write("new.obj", kEarlierObj);
    if (!fs::exists(folder.Join("new.mtl"))) folder.Write("new.mtl", kEarlierMtl);
    const Files before = folder.Contents();

    QuietHost host;
    const char* original = scene.original.c_str();
    const char* matching = scene.matching.c_str();
    char message[kMessageCapacity] = "There was an error creating the morph.";
    int32_t code = 0;
    int64_t convert_peak =
        PeakGrowth([&] { code = ConvertFiles(original, matching, scene.result.c_str(), &host, message); });
    EXPECT_EQ(code, expected) << message;

    Files after = folder.Contents();
    if (code == -2 || code == -3) {  // the file that failed says why
        Model failed;
        EXPECT_EQ(failed.LoadObj(code == -2 ? original : matching), 0);
        char reason[256];
        ReasonText(failed.load_error, reason, sizeof reason);
        EXPECT_NE(reason[0], '\0') << failed.load_error;
    }
    if (code != 1) {
        EXPECT_TRUE(after == before) << "a failed run changed, added or removed a file";
        if (code == -4) {
            // The design's text, and after it what refused the write, if anything did.
            const std::string said = "There was an error saving the new morph file:\r\n\r\nfilepath: \"" + scene.result + "\"\r\n";
            EXPECT_EQ(std::string(message).substr(0, said.size()), said);
        }
    } else {
        // Only the new file and its library may have changed or appeared.
        for (std::string name : {fs::path(scene.result).filename().string(),
                                 fs::path(scene.result).replace_extension(".mtl").filename().string()}) {
            if (before.count(name)) after[name] = before.at(name);
            else after.erase(name);
        }
        EXPECT_TRUE(after == before) << "a file other than the new OBJ and MTL changed, appeared or went";
        Model result;
        ASSERT_EQ(result.LoadObj(scene.result.c_str()), 1);
        EXPECT_EQ(result.vertex_count, c.result_vertices);
    }

    // Report loads the same inputs and never fails on them.
    std::string report_path = folder.Write("report.txt", kEarlierReport);
    int32_t report_code = 0;
    int64_t report_peak = PeakGrowth([&] { report_code = MakeReport(original, matching, report_path.c_str(), &host, nullptr); });
    EXPECT_EQ(report_code, 1);
    EXPECT_NE(Slurp(report_path), kEarlierReport);

    // AddressSanitizer pads and quarantines every heap block: twice the room.
#if defined(__SANITIZE_ADDRESS__)
    const uint64_t room = 2;
#else
    const uint64_t room = 1;
#endif
    uint64_t bound = room * (20 * scene.input_bytes + (64u << 20));
    for (int64_t peak : {convert_peak, report_peak}) {
        EXPECT_TRUE(peak < 0 || uint64_t(peak) <= bound) << peak << " bytes, at most " << bound;
    }
    if (c.plain && convert_peak >= 0) {
        ScratchFolder plain_folder;
        Scene plain{plain_folder, "", "", plain_folder.Join("new.obj")};
        c.plain(plain);
        int32_t plain_code = 0;
        int64_t plain_peak = PeakGrowth([&] {
            plain_code = ConvertFiles(plain.original.c_str(), plain.matching.c_str(), plain.result.c_str(), &host, message);
        });
        ASSERT_EQ(plain_code, 1) << message;
        EXPECT_LE(convert_peak, plain_peak + int64_t(room * 50) * c.added_lines)
            << "bytes per added line: " << double(convert_peak - plain_peak) / c.added_lines;
    }
    if (PermissionsBind()) chmod(folder.Join("locked").c_str(), 0755);
}

std::string CaseName(const ::testing::TestParamInfo<size_t>& info) {
    std::string name;
    for (const char* p = Cases()[info.param].name; *p && *p != '('; ++p) {
        if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
        else if (!name.empty() && name.back() != '_') name += '_';
    }
    while (!name.empty() && name.back() == '_') name.pop_back();
    return name;
}

INSTANTIATE_TEST_SUITE_P(Shapes, HostileInput, ::testing::Range<size_t>(0, Cases().size()), CaseName);

}  // namespace
