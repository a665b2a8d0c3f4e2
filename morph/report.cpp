#include "morph/report.h"

#include <atomic>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <thread>

#include "platform/block.h"
#include "platform/file_image.h"
#include "model/model.h"
#include "model/records.h"
#include "morph/load_together.h"
#include "morph/position_summary.h"
#include "platform/parallel.h"
#include "wavefront/library_folder.h"
#include "wavefront/number_format.h"
#include "wavefront/obj_reader.h"
#include "platform/files/output_file.h"

namespace {

const char kNotLoaded[] = "Failed to load or file does not exist";

// Formats one piece at the end of the text; a piece that does not fit is cut.
void Append(ReportText& report, const char* format, ...) __attribute__((format(printf, 2, 3)));
void Append(ReportText& report, const char* format, ...) {
    int32_t room = kReportTextCapacity - report.length;
    if (room <= 1) return;
    va_list args;
    va_start(args, format);
    int written = std::vsnprintf(report.text + report.length, size_t(room), format, args);
    va_end(args);
    if (written < 0) return;
    report.length += written < room ? written : room - 1;
}

// Appends a path, noting where it stands.
void AppendPath(ReportText& report, const char* path) {
    int32_t at = report.length;
    Append(report, "%s", path);
    if (report.path_count >= 4) return;
    report.path_at[report.path_count] = at;
    report.path_length[report.path_count++] = report.length - at;
}

void AppendSection(ReportText& report, const char* title, const char* path, int32_t loaded, const Model& model) {
    Append(report, "%s\n-------------\n     object filepath: \"", title);
    AppendPath(report, path);
    Append(report, "\"\n              loaded: %s\n\n   material filepath: \"", loaded ? "yes" : kNotLoaded);
    AppendPath(report, model.mtl_path);
    Append(report, "\"\n              loaded: %s\n\n", model.mtl_loaded ? "yes" : kNotLoaded);
    Append(report,
           "     total vertices: %d\n  isolated vertices: %d\n duplicate vertices: %d\n              faces: %d\n"
           "             groups: %d\n          materials: %d\n            normals: %d\ntexture coordinates: %d\n",
           model.vertex_count, model.isolated_count, model.duplicate_count, model.TotalFaceCount(),
           model.group_name_count, model.material_count, model.normal_count, model.texcoord_count);
}

void AppendPoint(ReportText& report, const char* label, const float* c) {
    char text[3][kNumberTextCapacity + 1];
    for (int axis = 0; axis < 3; ++axis) text[axis][FormatFloatExact(text[axis], c[axis])] = '\0';
    Append(report, "%26s: %s %s %s\n", label, text[0], text[1], text[2]);
}

void AppendDetails(ReportText& report, const char* title, const Model& model) {
    Append(report, "%s\n-------------\n", title);
    PositionSummary summary;
    if (!SummarizePositions(model.vertices, model.vertex_count, summary)) {
        Append(report, "not enough memory to measure the positions\n");
        return;
    }
    Append(report, "        distinct positions: %d\n    coincident vertex sets: %d\n", summary.distinct_count,
           summary.coincident_set_count);
    if (summary.finite_count > 0) {
        AppendPoint(report, "bounding box low", summary.low);
        AppendPoint(report, "bounding box high", summary.high);
    } else {
        Append(report, "              bounding box: none\n");
    }
    if (std::isfinite(summary.smallest_distance))
        Append(report, "smallest non-zero distance: %.9g\n", summary.smallest_distance);
    else
        Append(report, "smallest non-zero distance: none\n");
}

// The bar through the loads, out of 100: the original's reading passes
// move it from 0 to kLoadedShare / 2, the matching file's on to kLoadedShare.
// Both files may be read at once on two threads: each load leaves its share
// in an atomic, and only the thread the report runs on tells the host, which
// expects its calls there. The bar never moves back.
class LoadProgress {
public:
    static constexpr int32_t kLoadedShare = 80;
    explicit LoadProgress(OperationHost* host) : host_(host), caller_(std::this_thread::get_id()) {
        for (Part& part : parts_) {
            part.owner = this;
            part.hook.on_read = Told;
            part.hook.context = &part;
        }
    }
    const ReadProgress* Hook(int32_t file) const { return &parts_[file].hook; }
    // A file whose load has ended, loaded or not, has had all its share.
    void Ended(int32_t file) { parts_[file].thousandths.store(1000, std::memory_order_relaxed); }
    // The bar at `position` unless it is already further on; the calling thread only.
    void ShowAtLeast(int32_t position) {
        if (position <= shown_) return;
        shown_ = position;
        host_->SetProgress(position, 100);
    }

private:
    struct Part {
        LoadProgress* owner = nullptr;
        ReadProgress hook;
        std::atomic<int32_t> thousandths{0};
    };
    static void Told(void* context, uint64_t done, uint64_t total) {
        Part& part = *static_cast<Part*>(context);
        if (total == 0) return;
        part.thousandths.store(int32_t((done < total ? done : total) * 1000 / total), std::memory_order_relaxed);
        LoadProgress& owner = *part.owner;
        if (std::this_thread::get_id() != owner.caller_) return;
        int32_t sum = owner.parts_[0].thousandths.load(std::memory_order_relaxed) +
                      owner.parts_[1].thousandths.load(std::memory_order_relaxed);
        owner.ShowAtLeast(sum * (kLoadedShare / 2) / 1000);
    }

    OperationHost* host_;
    std::thread::id caller_;
    Part parts_[2];
    int32_t shown_ = -1;
};

// Both models' counts of one kind, at once when there are two processors;
// the host hears the same steps in the same order either way.
void CountBoth(OperationHost* host, const char* status, const int32_t steps[2], Model& original, Model& matching,
               int32_t (Model::*count)(), bool together) {
    host->ShowStatus(status);
    host->SetProgress(steps[0], 100);
    if (together) {
        RunInParallel(2, 2, [&](int32_t k) { ((k == 0 ? original : matching).*count)(); });
    } else {
        (original.*count)();
    }
    host->ShowStatus(status);
    host->SetProgress(steps[1], 100);
    if (!together) (matching.*count)();
}

// The loads and the counts, each step announced to the host; false when the
// host asked to stop. With two processors both files are read at once, and
// the current directory ends as one load after the other leaves it. The
// counts read the vertex lists alone, so no other face table is made.
bool LoadAndCount(const char* original_path, const char* matching_path, OperationHost* host, Model& original,
                  Model& matching, int32_t& original_loaded, int32_t& matching_loaded) {
    // An original that can't be opened is known at once: the matching file
    // is then read on this thread, so that its reading moves the bar.
    FileReader probe;
    const bool together = ProcessorCount() > 1 && OpenFileReader(original_path, probe);
    CloseFileReader(probe);
    LoadProgress progress(host);
    original.read_progress = progress.Hook(0);
    matching.read_progress = progress.Hook(1);
    struct Unhook {
        Model &a, &b;
        ~Unhook() { a.read_progress = b.read_progress = nullptr; }
    } unhook{original, matching};
    host->ShowStatus("Loading original file...(please wait)");
    progress.ShowAtLeast(0);
    int32_t loaded[2] = {0, 0};
    bool moved = false;
    if (together) {
        LoadTogether([&] { return original.LoadObjVertexLists(original_path, false); }, matching, matching_path, loaded,
                     &Model::LoadObjVertexLists);
        original_loaded = loaded[0];
        moved = original_loaded && EnterLibraryFolder(original);
    } else {
        original_loaded = original.LoadObjVertexLists(original_path);
    }
    progress.Ended(0);
    if (host->ShouldStop()) return false;

    host->ShowStatus("Loading matching file...(please wait)");
    progress.ShowAtLeast(LoadProgress::kLoadedShare / 2);
    matching_loaded = together ? SettleMatchingLoad(matching, matching_path, loaded[1], moved, true,
                                                    &Model::LoadObjVertexLists)
                               : matching.LoadObjVertexLists(matching_path);
    if (host->ShouldStop()) return false;

    const int32_t isolated_steps[2] = {LoadProgress::kLoadedShare, 85};
    CountBoth(host, "Getting isolated vertices...(please wait)", isolated_steps, original, matching,
              &Model::CountIsolatedVertices, together);
    if (host->ShouldStop()) return false;
    const int32_t duplicate_steps[2] = {90, 95};
    CountBoth(host, "Getting duplicate vertices...(please wait)", duplicate_steps, original, matching,
              &Model::CountDuplicateVertices, together);
    if (host->ShouldStop()) return false;

    host->SetProgress(100, 100);
    return true;
}

// The report's text from both models as loaded and counted.
void ComposeReport(ReportText& report, const char* original_path, int32_t original_loaded, const Model& original,
                   const char* matching_path, int32_t matching_loaded, const Model& matching, bool details) {
    report.length = 0;
    report.path_count = 0;
    report.text[0] = '\0';
    Append(report, "\nQuandrelistaphor Report\n=======================\n\n");
    AppendSection(report, "Original File", original_path, original_loaded, original);
    Append(report, "\n\n");
    AppendSection(report, "Matching File", matching_path, matching_loaded, matching);
    if (!details) return;
    Append(report, "\n\nDetails\n=======\n\n");
    AppendDetails(report, "Original File", original);
    Append(report, "\n");
    AppendDetails(report, "Matching File", matching);
}

}  // namespace

int32_t WriteReportFile(const char* path, const char* text, size_t length, OutputFault* fault) {
    OutputFile file;
    if (!OpenOutputFile(file, path, fault)) return 0;
    const char* end = text + length;
    while (text < end) {
        const char* line_end = static_cast<const char*>(std::memchr(text, '\n', size_t(end - text)));
        size_t piece = line_end ? size_t(line_end - text) : size_t(end - text);
        WriteOutput(&file, text, piece);
        if (!line_end) break;
        WriteOutput(&file, "\r\n", 2);
        text = line_end + 1;
    }
    return CommitOutputFile(file);
}

int32_t MakeReport(const char* original_path, const char* matching_path, const char* report_path,
                   OperationHost* host, ReportText* text, bool details) {
    if (!original_path || !matching_path || !host) return 0;

    Model original;
    Model matching;
    // Every return from here on releases both models, the matching one first;
    // -8 (the host asked to stop) writes nothing.
    auto finish = [&](int32_t code) {
        matching.Release();
        original.Release();
        ReleaseSpareBlocks();
        return code;
    };
    int32_t original_loaded = 0;
    int32_t matching_loaded = 0;
    if (!LoadAndCount(original_path, matching_path, host, original, matching, original_loaded, matching_loaded))
        return finish(-8);

    ReportText local;
    ReportText& report = text ? *text : local;
    ComposeReport(report, original_path, original_loaded, original, matching_path, matching_loaded, matching,
                  details);
    report.loaded[0] = original_loaded;
    report.loaded[1] = matching_loaded;
    report.reason[0] = original_loaded ? 0 : original.load_error;
    report.reason[1] = matching_loaded ? 0 : matching.load_error;

    int32_t code = 1;
    if (report_path) {
        if (report_path[0] == '\0' || !WriteReportFile(report_path, report.text, size_t(report.length))) code = -1;
    }

    if (code == 1) {
        original.Clear();
        matching.Clear();
    }
    return finish(code);
}
