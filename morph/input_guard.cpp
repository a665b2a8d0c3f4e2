#include "morph/input_guard.h"

#include <cstdio>

#include "morph/convert.h"
#include "platform/path_text.h"
#include "platform/same_file.h"
#include "wavefront/obj_writer.h"

int32_t SparesInputs(const char* new_path, const RunInput* inputs, int32_t count, char* message) {
    char library_path[kPathCapacity];
    char library_name[kPathCapacity];
    const bool has_library = MakeLibraryPath(new_path, library_path, library_name) != 0;
    for (int32_t i = 0; i < count; ++i) {
        const char* input = inputs[i].path;
        if (!input || !input[0]) continue;
        const char* which = SameFile(new_path, input) ? "new file" : nullptr;
        if (!which && has_library && SameFile(library_path, input)) which = "new file's material library";
        if (!which) continue;
        std::snprintf(message, kMessageCapacity,
                      "There was an error saving the new morph file:\r\n\r\nfilepath: \"%s\"\r\n\r\n"
                      "The %s is the %s, which is never written over.\r\n",
                      new_path, which, inputs[i].called);
        return 0;
    }
    return 1;
}

int32_t SparesLoadedInputs(const char* new_path, const Model& original, const Model& matching, char* message) {
    auto library = [](const Model& model) {
        return model.mtl_loaded && IsAbsolutePath(model.mtl_path) ? model.mtl_path : nullptr;
    };
    const RunInput inputs[] = {{library(original), "original file's material library"},
                               {library(matching), "matching file's material library"}};
    return SparesInputs(new_path, inputs, 2, message);
}
