// The OBJ loader on any bytes, with a material library carried in the same
// input: "<obj text>\n----\n<mtl text>". The OBJ file is scene.obj and the
// library lib.mtl in one folder (seeds name it with "mtllib lib.mtl").
// After a load the Model must hold only indexes inside its tables, and the
// Report's counts must run on it. The same file read in small windows with
// a helper thread, which may read its second half, must give the same model.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <thread>

#include "fuzz_support.h"
#include "wavefront/obj_reader.h"

namespace {

template <typename T>
bool SameTable(const T* a, const T* b, int64_t count) {
    return count <= 0 || (a && b && std::memcmp(a, b, sizeof(T) * size_t(count)) == 0);
}

bool SameFace(const Model& a, const Face& x, const Model& b, const Face& y) {
    return x.corner_count == y.corner_count && x.group_name_index == y.group_name_index &&
           std::strcmp(a.Name(a.material_names[x.material_name].name), b.Name(b.material_names[y.material_name].name)) == 0 &&
           SameTable(x.vertex_indices, y.vertex_indices, x.corner_count) &&
           SameTable(x.texcoord_indices, y.texcoord_indices, x.corner_count) &&
           SameTable(x.normal_indices, y.normal_indices, x.corner_count);
}

// What the OBJ text alone gives, the library aside.
void CheckSameText(const Model& a, const Model& b) {
    FUZZ_CHECK(a.vertex_count == b.vertex_count && a.texcoord_count == b.texcoord_count &&
               a.normal_count == b.normal_count && a.group_count == b.group_count);
    FUZZ_CHECK(SameTable(a.vertices, b.vertices, a.vertex_count) && SameTable(a.texcoords, b.texcoords, a.texcoord_count) &&
               SameTable(a.normals, b.normals, a.normal_count));
    FUZZ_CHECK(a.has_mtllib == b.has_mtllib && std::strcmp(a.mtllib_name, b.mtllib_name) == 0);
    for (int32_t g = 0; g < a.group_count; ++g) {
        const Group& x = a.groups[g];
        const Group& y = b.groups[g];
        FUZZ_CHECK(x.face_count == y.face_count && std::strcmp(a.Name(x.name), b.Name(y.name)) == 0);
        for (int32_t f = 0; x.faces && f < x.face_count; ++f) FUZZ_CHECK(y.faces && SameFace(a, x.faces[f], b, y.faces[f]));
    }
}

// The OBJ text read through the loader's steps, `window` bytes at a time,
// with a helper serving the load.
int32_t LoadHelped(Model& model, const std::string& path, uint32_t window, ObjTables tables) {
    LoadHelp help;
    std::thread helper([&help] { help.Serve(); });
    ObjReader reader(model);
    reader.window_bytes = window;
    reader.help = &help;
    int32_t loaded = ReadObjText(reader, path.c_str()) && SurveyObjText(reader) && MakeValueTables(reader, tables) &&
                     reader.FillElements() && MakeGroupNameTable(reader);
    reader.Release();
    help.Close();
    helper.join();
    return loaded;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ScratchFolder folder;
    folder.WriteParts(data, size, {"scene.obj", "lib.mtl"});

    Model model;
    int32_t loaded = model.LoadObj(folder.Join("scene.obj").c_str());
    FUZZ_CHECK(loaded == 0 || loaded == 1);
    if (loaded) {
        FUZZ_CHECK(model.vertex_count > 0);
        CheckModel(model);
        Model helped;
        const uint32_t window = 16 + uint32_t(size % 97);
        FUZZ_CHECK(LoadHelped(helped, folder.Join("scene.obj"), window, ObjTables::kAll) == 1);
        CheckSameText(model, helped);
        model.CountIsolatedVertices();
        model.CountDuplicateVertices();
        FUZZ_CHECK(model.isolated_count >= 0 && model.isolated_count <= model.vertex_count);
        FUZZ_CHECK(model.duplicate_count >= 0 && model.duplicate_count < model.vertex_count);
        // The vertex lists alone, as a report loads them, count the same.
        Model lists;
        FUZZ_CHECK(LoadHelped(lists, folder.Join("scene.obj"), window, ObjTables::kVertexLists) == 1);
        lists.CountIsolatedVertices();
        lists.CountDuplicateVertices();
        FUZZ_CHECK(lists.isolated_count == model.isolated_count && lists.duplicate_count == model.duplicate_count);
    } else {
        FUZZ_CHECK(model.vertex_count == 0 && model.group_count == 0 && model.material_count == 0);
    }
    model.Release();
    return 0;
}
