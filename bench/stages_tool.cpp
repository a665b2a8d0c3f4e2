// stages_tool ORIGINAL MATCHING NEW [runs]: times the stages of a Convert one
// by one, each through the functions the product itself calls, and prints,
// per stage, the least wall and CPU time over the runs, in seconds to the
// microsecond (regrouping the 100k pair takes under half a millisecond,
// which four decimals would round by a quarter):
//   stage <name> <wall> <cpu>
// Stages: positions (ORIGINAL loaded for its positions only, as Convert
// loads it); of MATCHING, through the loader's own steps: read (the file
// opened and its first window read: the whole file when it fits one),
// survey (group names, the longest line and the counts, one walk, reading
// the rest of a larger file window by window), values (the values pass,
// reading such a file again, and the group-name table), library (the
// material library) and load (their sum); load_mb_s (LoadObj of ORIGINAL in MB/s,
// wall), match, regroup, write (WriteObjFile: OBJ + MTL, each run a fresh
// file), write_mb_s, convert_total (positions to write), report_counts
// (isolated and duplicate counts of both models, loaded as report loads them).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "model/model.h"
#include "wavefront/obj_reader.h"
#include "wavefront/obj_passes.h"
#include "wavefront/obj_writer.h"

namespace {

struct Clock {
    double wall;
    double cpu;
    static Clock Now() {
        timespec cpu_time;
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu_time);
        double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
        return {wall, double(cpu_time.tv_sec) + double(cpu_time.tv_nsec) * 1e-9};
    }
};

struct Best {
    double wall = 1e30;
    double cpu = 1e30;
};
std::map<std::string, Best> g_best;
std::vector<std::string> g_order;

// Keeps the least wall and CPU time seen for a stage.
void Record(const std::string& name, double wall, double cpu) {
    if (!g_best.count(name)) g_order.push_back(name);
    Best& best = g_best[name];
    if (wall < best.wall) best.wall = wall;
    if (cpu < best.cpu) best.cpu = cpu;
}

Clock Since(const Clock& start) {
    Clock now = Clock::Now();
    return {now.wall - start.wall, now.cpu - start.cpu};
}

// Times one stage, from its construction to the end of its scope.
struct Stage {
    std::string name;
    Clock start;
    explicit Stage(std::string stage_name) : name(std::move(stage_name)), start(Clock::Now()) {}
    ~Stage() {
        Clock taken = Since(start);
        Record(name, taken.wall, taken.cpu);
    }
};

// Loads `model` through the loader's own steps, each timed as a stage:
// read, survey, values (the values pass and the group-name table) and
// library, and their sum as load. Returns 1 when loaded. The current
// directory stays as it is, so relative paths keep meaning the same files.
int32_t LoadInStages(Model& model, const char* path) {
    ObjReader reader(model);
    Stage load("load");
    int32_t ok = 0;
    {
        Stage stage("read");
        ok = ReadObjText(reader, path);
    }
    if (ok) {
        Stage stage("survey");
        ok = SurveyObjText(reader);
    }
    if (ok) {
        Stage stage("values");
        ok = MakeValueTables(reader, ObjTables::kAll) && reader.FillElements() && MakeGroupNameTable(reader);
    }
    if (!ok) {
        reader.Release();
        model.Clear();
        return 0;
    }
    Stage stage("library");
    LoadMaterialLibrary(reader, false);
    return 1;
}

double FileMegabytes(const char* path) {
    struct stat info;
    if (stat(path, &info) != 0) return 0.0;
    return double(info.st_size) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s ORIGINAL MATCHING NEW [runs]\n", argv[0]);
        return 2;
    }
    const char* original_path = argv[1];
    const char* matching_path = argv[2];
    const char* new_path = argv[3];
    int runs = argc > 4 ? std::atoi(argv[4]) : 3;
    if (runs < 1) runs = 1;

    double best_load = 1e30;
    double best_write = 1e30;
    double written_megabytes = 0;
    for (int run = 0; run < runs; ++run) {
        {
            Model model;
            Clock start = Clock::Now();
            if (model.LoadObj(original_path, false) != 1) {
                std::fprintf(stderr, "could not load %s\n", original_path);
                return 1;
            }
            Clock load = Since(start);
            if (load.wall < best_load) best_load = load.wall;
        }

        // Convert takes the original's positions only and the matching
        // file whole.
        Model original;
        Model matching;
        {
            Stage total("convert_total");
            int32_t loaded = 0;
            {
                Stage stage("positions");
                loaded = original.LoadObjPositions(original_path, false);
            }
            if (!loaded || !LoadInStages(matching, matching_path)) {
                std::fprintf(stderr, "could not load the pair\n");
                return 1;
            }
            int32_t match_count = 0;
            {
                Stage stage("match");
                if (matching.MatchVertices(original, match_count, nullptr) != 1) {
                    std::fprintf(stderr, "matching failed after %d vertices\n", match_count);
                    return 1;
                }
            }
            {
                Stage stage("regroup");
                matching.RegroupByMaterial();
            }
            // Every run writes the files anew, as the first one does (see
            // bench/run.sh on replacing them).
            char library_path[kPathCapacity];
            char library_name[kPathCapacity];
            if (!MakeLibraryPath(new_path, library_path, library_name)) return 1;
            std::remove(new_path);
            std::remove(library_path);
            Clock start = Clock::Now();
            {
                Stage stage("write");
                if (matching.WriteObjFile(new_path) != 1) {
                    std::fprintf(stderr, "could not write %s\n", new_path);
                    return 1;
                }
            }
            Clock write = Since(start);
            if (write.wall < best_write) best_write = write.wall;
            written_megabytes = FileMegabytes(new_path);
        }

        // Report takes each file's positions and vertex lists.
        if (original.LoadObjVertexLists(original_path, false) != 1 ||
            matching.LoadObjVertexLists(matching_path, false) != 1)
            return 1;
        {
            Stage stage("report_counts");
            original.CountIsolatedVertices();
            matching.CountIsolatedVertices();
            original.CountDuplicateVertices();
            matching.CountDuplicateVertices();
        }
    }

    for (const std::string& name : g_order) {
        std::printf("stage %s %.6f %.6f\n", name.c_str(), g_best[name].wall, g_best[name].cpu);
    }
    std::printf("stage load_mb_s %.1f 0\n", FileMegabytes(original_path) / best_load);
    std::printf("stage write_mb_s %.1f 0\n", written_megabytes / best_write);
    return 0;
}
