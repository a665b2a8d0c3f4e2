#include "wavefront/named_materials.h"

#include "model/corners.h"
#include "platform/block.h"

int32_t KeepMaterialNames(Model& model) {
    if (model.has_mtllib != 1 || model.mtl_loaded || model.materials || !model.material_names ||
        model.material_name_fill <= 1)
        return 1;
    const int32_t fill = model.material_name_fill;
    Material* table = AllocateTable<Material>(static_cast<size_t>(fill - 1));
    if (!table) return 0;
    for (int32_t e = 1; e < fill; ++e) {
        table[e - 1].name = model.material_names[e].name;
    }
    model.materials = table;
    model.material_count = fill - 1;
    model.library_not_found = 1;
    for (int32_t g = 0; model.groups && g < model.group_count; ++g) {
        Group& group = model.groups[g];
        for (int32_t f = 0; group.faces && f < group.face_count; ++f) {
            Face& face = group.faces[f];
            face.material_index = face.material_name > 0 && face.material_name < fill ? face.material_name - 1 : -1;
        }
    }
    return 1;
}
