// The OBJ loader on any bytes, with a material library carried in the same
// input: "<obj text>\n----\n<mtl text>". The OBJ file is scene.obj and the
// library lib.mtl in one folder (seeds name it with "mtllib lib.mtl").
// After a load the Model must hold only indexes inside its tables, and the
// Report's counts must run on it.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ScratchFolder folder;
    folder.WriteParts(data, size, {"scene.obj", "lib.mtl"});

    Model model;
    int32_t loaded = model.LoadObj(folder.Join("scene.obj").c_str());
    FUZZ_CHECK(loaded == 0 || loaded == 1);
    if (loaded) {
        FUZZ_CHECK(model.vertex_count > 0);
        CheckModel(model);
        model.CountIsolatedVertices();
        model.CountDuplicateVertices();
        FUZZ_CHECK(model.isolated_count >= 0 && model.isolated_count <= model.vertex_count);
        FUZZ_CHECK(model.duplicate_count >= 0 && model.duplicate_count < model.vertex_count);
    } else {
        FUZZ_CHECK(model.vertex_count == 0 && model.group_count == 0 && model.material_count == 0);
    }
    model.Release();
    return 0;
}
