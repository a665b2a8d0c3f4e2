// The MTL reader on any bytes, run the way the OBJ loader runs it: on a Model
// whose groups and faces name materials (with and without a name, with a
// trailing blank, a name of 127 characters) and whose text holds the library.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "platform/block.h"
#include "wavefront/obj_reader.h"

namespace {

const char kScene[] =
    "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
    "f 1 2 3\n"
    "g skin\nusemtl red\nf 1 2 3\nusemtl red wood \nf 3 2 1\n"
    "g cloth\nusemtl "
    "mmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmm"
    "mmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmm\nf 1 2 3\n"
    "usemtl\nf 2 3 1\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ScratchFolder folder;
    [[maybe_unused]] static const bool written = (folder.Write("scene.obj", kScene), true);

    Model model;
    FUZZ_CHECK(model.LoadObj(folder.Join("scene.obj").c_str()) == 1);
    FUZZ_CHECK(model.material_count == 0);
    ObjReader reader(model);
    if (size > 0) {
        reader.text.data = static_cast<unsigned char*>(AllocateBlock(size));
        FUZZ_CHECK(reader.text.data != nullptr);
        std::memcpy(reader.text.data, data, size);
        reader.text.size = static_cast<uint32_t>(size);
    }
    reader.text.read_pos = 0;
    int32_t result = reader.ReadMaterialLibrary();
    FUZZ_CHECK(result == 0 || result == 1);
    FUZZ_CHECK(result == 1 || model.material_count == 0);
    CheckModel(model);
    reader.Release();
    model.Release();
    return 0;
}
