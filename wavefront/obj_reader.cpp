// LoadObj: the whole OBJ file taken once (mapped or read), three passes over
// its image, then the material library it names. LoadObjPositions: the same
// without the face, corner, texture coordinate and normal tables.
#include <cstring>

#include "model/block.h"
#include "model/model.h"
#include "model/text.h"
#include "wavefront/current_directory.h"
#include "wavefront/file_image.h"
#include "wavefront/obj_passes.h"
#include "wavefront/path_text.h"

namespace {

// The three passes and the tables between them. The first two passes are
// one walk: group names, the longest line and the counts. Without
// `keep_faces` the face, corner, texture coordinate and normal tables are
// not made, so the third pass stores only positions, groups and materials.
int32_t Parse(Model& model, bool keep_faces) {
    if (!SurveyObjText(model)) return 0;
    if (model.vertex_count == 0) return 0;

    // Every group's face array, one without faces included, in one block.
    if (keep_faces && !model.AllocateGroupFaces()) return 0;
    model.vertices = AllocateTable<Vertex>(static_cast<size_t>(model.vertex_count));
    if (!model.vertices) return 0;
    if (model.texcoord_count > 0 && keep_faces) {
        model.texcoords = AllocateTable<TexCoord>(static_cast<size_t>(model.texcoord_count));
        if (!model.texcoords) return 0;
    }
    if (model.normal_count > 0 && keep_faces) {
        model.normals = AllocateTable<Normal>(static_cast<size_t>(model.normal_count));
        if (!model.normals) return 0;
    }
    if (model.corner_pool_size > 0 && keep_faces) {
        model.corner_pool = AllocateTable<int32_t>(static_cast<size_t>(model.corner_pool_size));
        if (!model.corner_pool) return 0;
    }
    // At most one entry per usemtl line; the table grows with the distinct
    // names from a few entries on, so many usemtl lines of few names cost nothing.
    if (model.material_name_count > kFirstMaterialNames) model.material_name_count = kFirstMaterialNames;
    model.material_names = AllocateTable<MaterialNameEntry>(static_cast<size_t>(model.material_name_count));
    if (!model.material_names) return 0;
    model.material_name_fill = 1;  // entry 0 is the empty name

    model.current_group = model.vertex_fill = model.texcoord_fill = model.normal_fill = 0;
    model.text.read_pos = 0;
    if (!model.FillElements()) return 0;

    model.group_name_count = model.group_count;
    model.group_name_table = AllocateTable<GroupNameEntry>(static_cast<size_t>(model.group_name_count));
    if (!model.group_name_table) return 0;
    for (int32_t k = 0; k < model.group_count; ++k) {
        Group& group = model.groups[k];
        model.group_name_table[k].name = group.name;
        // The faces read were given k as they were stored; the records left
        // empty get it here.
        if (!group.faces) continue;
        for (int32_t f = group.face_fill; f < group.face_count; ++f) group.faces[f].group_name_index = k;
    }
    return 1;
}

// The material library. Its path is the OBJ file's folder followed by the
// library name, or the library name alone when it is absolute. The library
// is read before the OBJ file's folder becomes the current directory, so a
// relative OBJ path with a folder part finds its library through the same
// current directory that found the OBJ file.
void LoadMaterialLibrary(Model& model) {
    char folder[kPathCapacity];
    FolderPart(model.obj_path, folder, sizeof folder);

    bool path_whole = true;
    if (IsAbsolutePath(model.mtllib_name)) {
        CopyText(model.mtl_path, model.mtllib_name);
    } else {
        CopyText(model.mtl_path, folder);
        path_whole = AppendText(model.mtl_path, model.mtllib_name) == 1;
    }

    // A path cut to fit would name another file: such a library is not read.
    bool read = path_whole && ReadFileImage(model.mtl_path, model.text) == 1;
    if (folder[0]) MakeCurrentDirectory(folder);
    if (read) {
        model.text.read_pos = 0;
        model.ReadMaterialLibrary();
        model.mtl_loaded = 1;
    }
    model.ReleaseText();
}

// LoadObj and LoadObjPositions.
int32_t Load(Model& model, const char* path, bool keep_faces) {
    if (!path) return 0;
    model.Clear();
    model.ReleaseText();
    model.ReleaseLineBuffer();
    // A path that does not fit obj_path can't be kept as given.
    if (std::strlen(path) >= static_cast<size_t>(kPathCapacity)) return 0;
    if (MapFileImage(path, model.text) != 1) {
        model.Clear();
        model.ReleaseText();
        return 0;
    }
    CopyText(model.obj_file_name, FileNamePart(path));
    CopyText(model.obj_path, path);

    // A file cut short while it was parsed leaves a model of bytes it no
    // longer has: that load fails like a short read.
    int32_t parsed = Parse(model, keep_faces) && FileImageIntact(model.text);
    model.ReleaseText();
    if (!parsed) {
        model.Clear();
        model.ReleaseText();
        model.ReleaseLineBuffer();
        return 0;
    }
    if (model.has_mtllib == 1) LoadMaterialLibrary(model);
    model.ReleaseText();
    model.ReleaseLineBuffer();
    return 1;
}

}  // namespace

int32_t Model::LoadObj(const char* path) { return Load(*this, path, true); }

int32_t Model::LoadObjPositions(const char* path) { return Load(*this, path, false); }
