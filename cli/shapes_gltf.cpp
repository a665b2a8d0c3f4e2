#include "cli/shapes_gltf.h"

#include <cstdio>
#include <cstring>

#include "cli/console_host.h"
#include "cli/paths.h"
#include "platform/same_file.h"
#include "platform/text.h"
#include "gltf/gltf_family.h"

namespace {

// Whether `path` is a file of the run, named in `what` when it is.
bool OfTheRun(const FileList& list, const char* path, const char*& what, const char*& which) {
    for (const FileList::Entry& entry : list.entries) {
        if (SameFile(path, entry.input)) return what = "an input file", which = entry.input, true;
        if (entry.output[0] && SameFile(path, entry.output)) return what = "a new file", which = entry.output, true;
    }
    return false;
}

}  // namespace

int ReadGltfOption(const Arguments& arguments, FileList& list, GltfRequest& request) {
    const char* given = arguments.Option("--gltf");
    if (!given) return 0;
    if (!given[0] || EndsInSeparator(given)) return Usage("--gltf FAMILY.glb needs a file name");
    if (!MakeAbsolute(given, request.path)) return MakeAbsolutePaths(&given, 1, &request.path);
    char buffer_path[kPathCapacity];
    char buffer_name[kPathCapacity];
    if (IsGltfJsonPath(request.path) && !MakeGltfBufferPath(request.path, buffer_path, buffer_name))
        return Usage("--gltf path too long for its .bin file beside it");
    // A folder that can't take the file is said now, not after every shape was written.
    char folder[kPathCapacity];
    FolderPart(request.path, folder, sizeof folder);
    if ((list.reason = FolderRefusal(folder)) != 0) {
        std::snprintf(list.problem, sizeof list.problem, "the glTF file's folder can't be written to: %s (%s)", folder,
                      std::strerror(list.reason));
        std::fprintf(stderr, "quandrelistaphor: %s\n", list.problem);
#ifdef _WIN32
        list.reason = 0;  // a C library code, not the system's: the text has its words
#endif
        return 2;
    }
    const char* files[] = {request.path, IsGltfJsonPath(request.path) ? buffer_path : nullptr};
    for (const char* file : files) {
        const char* what = nullptr;
        const char* which = nullptr;
        if (!file || !OfTheRun(list, file, what, which)) continue;
        std::snprintf(list.problem, sizeof list.problem, "The glTF file would replace %s:\r\n\r\nfilepath: \"%s\"\r\n",
                      what, which);
        list.reason = kReasonReplacesInput;
        PrintMessage(stderr, list.problem);
        return 2;
    }
    request.given = true;
    return 0;
}

int PrepareGltf(GltfRequest& request, const Model& base, const FileList& list, RunOutput output) {
    if (!request.given) return 0;
    request.base = &base;
    const int32_t count = int32_t(list.entries.size()) - list.first_output;
    for (int32_t k = 0; k < count; ++k) request.new_paths.push_back(list.entries[size_t(list.first_output + k)].output);
    if (request.targets.Make(count, base.vertex_count)) return 0;
    const char message[] = "There is not enough memory to keep the shapes for the glTF file.\r\n";
    if (output.json)
        PrintRunFailureJson("shapes", ExitStatus(-4), message, 0, output);
    else
        PrintMessage(stderr, message);
    return ExitStatus(-4);
}

void WriteGltf(GltfRequest& request, FileRun& run) {
    if (!request.given) return;
    char message[kMessageCapacity];
    char notice[kMessageCapacity];
    int32_t error = 0;
    int32_t targets = 0;
    for (int32_t k = 0; k < request.targets.count; ++k) targets += request.targets.kept[size_t(k)];
    const int32_t code = WriteShapesGltf(*request.base, request.targets, request.new_paths.data(), request.path,
                                         message, &error, notice);
    run.EndGltf(request.path, code, targets, message, error, notice);
}
