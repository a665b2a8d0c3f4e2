// stages_tool ORIGINAL MATCHING NEW [runs]: times the stages of a Convert one
// by one (the same members LoadObj, the writer and the operations call, in
// the same order) and prints, per stage, the least wall and CPU time over
// the runs, in seconds to the microsecond (regrouping the 100k pair takes
// under half a millisecond, which four decimals would round by a quarter):
//   stage <name> <wall> <cpu>
// Stages: positions (ORIGINAL loaded for its positions only, as Convert
// loads it); read (file image), survey (group names, the longest line and
// the counts, one walk), pass3 (values), library (MTL file), all of
// MATCHING; load_mb_s (whole LoadObj of ORIGINAL in MB/s, wall), match,
// regroup, write (OBJ + MTL text through the output files), write_mb_s,
// convert_total (positions to write), report_counts (isolated and duplicate
// counts of both models, loaded whole).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "platform/block.h"
#include "model/model.h"
#include "model/text.h"
#include "platform/file_image.h"
#include "wavefront/obj_passes.h"
#include "wavefront/obj_writer.h"
#include "wavefront/output_file.h"
#include "wavefront/path_text.h"

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

// Times one stage and keeps the least wall and CPU time seen for it.
struct Stage {
    std::string name;
    Clock start;
    explicit Stage(std::string stage_name) : name(std::move(stage_name)), start(Clock::Now()) {}
    ~Stage() {
        Clock end = Clock::Now();
        if (!g_best.count(name)) g_order.push_back(name);
        Best& best = g_best[name];
        if (end.wall - start.wall < best.wall) best.wall = end.wall - start.wall;
        if (end.cpu - start.cpu < best.cpu) best.cpu = end.cpu - start.cpu;
    }
};

// LoadObj's steps with a timer around each; returns 1 when loaded.
int32_t LoadInStages(Model& model, const char* path, const std::string& prefix) {
    model.Clear();
    model.ReleaseText();
    model.ReleaseLineBuffer();
    {
        Stage stage(prefix + "read");
        if (MapFileImage(path, model.text) != 1) return 0;  // as LoadObj takes it
    }
    CopyText(model.obj_file_name, FileNamePart(path));
    CopyText(model.obj_path, path);
    {
        Stage stage(prefix + "survey");
        if (!SurveyObjText(model) || model.vertex_count == 0) return 0;
    }
    {
        Stage stage(prefix + "pass3");
        model.AllocateGroupFaces();
        model.vertices = AllocateTable<Vertex>(size_t(model.vertex_count));
        if (model.texcoord_count > 0) model.texcoords = AllocateTable<TexCoord>(size_t(model.texcoord_count));
        if (model.normal_count > 0) model.normals = AllocateTable<Normal>(size_t(model.normal_count));
        if (model.corner_pool_size > 0) model.corner_pool = AllocateTable<int32_t>(size_t(model.corner_pool_size));
        model.material_names = AllocateTable<MaterialNameEntry>(size_t(model.material_name_count));
        model.material_name_fill = 1;
        model.current_group = model.vertex_fill = model.texcoord_fill = model.normal_fill = 0;
        model.text.read_pos = 0;
        if (!model.FillElements()) return 0;
        model.group_name_count = model.group_count;
        model.group_name_table = AllocateTable<GroupNameEntry>(size_t(model.group_name_count));
        for (int32_t k = 0; k < model.group_count; ++k) {
            model.group_name_table[k].name = model.groups[k].name;
            for (int32_t f = model.groups[k].face_fill; f < model.groups[k].face_count; ++f)
                model.groups[k].faces[f].group_name_index = k;
        }
        model.ReleaseText();
    }
    if (model.has_mtllib == 1) {
        Stage stage(prefix + "library");
        char folder[kPathCapacity];
        FolderPart(model.obj_path, folder, sizeof folder);
        CopyText(model.mtl_path, folder);
        AppendText(model.mtl_path, model.mtllib_name);
        if (ReadFileImage(model.mtl_path, model.text) == 1) {
            model.ReadMaterialLibrary();
            model.mtl_loaded = 1;
        }
        model.ReleaseText();
    }
    model.ReleaseLineBuffer();
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
    int64_t written_bytes = 0;
    for (int run = 0; run < runs; ++run) {
        {
            Model model;
            Clock start = Clock::Now();
            if (model.LoadObj(original_path) != 1) {
                std::fprintf(stderr, "could not load %s\n", original_path);
                return 1;
            }
            Clock end = Clock::Now();
            if (end.wall - start.wall < best_load) best_load = end.wall - start.wall;
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
                loaded = original.LoadObjPositions(original_path);
            }
            if (!loaded || !LoadInStages(matching, matching_path, "")) {
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
            {
                // Every run writes the files anew, as the first one does (see
                // bench/run.sh on replacing them).
                char library_path[kPathCapacity];
                char library_name[kPathCapacity];
                bool with_library = matching.material_count > 0;
                if (with_library && !MakeLibraryPath(new_path, library_path, library_name)) return 1;
                std::remove(new_path);
                if (with_library) std::remove(library_path);
                Clock start = Clock::Now();
                Stage stage("write");
                OutputFile obj;
                OutputFile mtl;
                if (!OpenOutputFile(obj, new_path) || (with_library && !OpenOutputFile(mtl, library_path))) return 1;
                int32_t ok = matching.WriteObjText(&obj, new_path);
                if (ok && with_library) ok = matching.WriteMtlText(&mtl);
                written_bytes = obj.stored + int64_t(obj.fill);
                OutputFile* set[2] = {&mtl, &obj};
                if (!ok || !(with_library ? CommitOutputFiles(set, 2) : CommitOutputFile(obj))) return 1;
                Clock end = Clock::Now();
                if (end.wall - start.wall < best_write) best_write = end.wall - start.wall;
            }
        }

        // Report takes both files whole.
        if (original.LoadObj(original_path) != 1) return 1;
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
    std::printf("stage write_mb_s %.1f 0\n", double(written_bytes) / 1e6 / best_write);
    return 0;
}
