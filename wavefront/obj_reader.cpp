// LoadObj: the OBJ file read (a window at a time when large), two passes over
// its text, then the material library it names. LoadObjPositions: the same
// without the face, corner, texture coordinate and normal tables.
#include "wavefront/obj_reader.h"

#include <cstring>

#include "platform/block.h"
#include "platform/text.h"
#include "platform/current_directory.h"
#include "platform/reasons.h"
#include "wavefront/library_folder.h"
#include "wavefront/obj_opening.h"
#include "wavefront/obj_passes.h"
#include "platform/path_text.h"

void ValuesCut::Release() {
    ReleaseBlock(face_fills);
    ReleaseBlock(group_entries);
    *this = ValuesCut{};
}

void ObjReader::Release() {
    // A helper may be reading into the model: it finishes first.
    if (cut_offered) help->Settle(false);
    cut_offered = 0;
    cut.Release();
    material_index.Release();
    object_index.Release();
    smoothing_index.Release();
    ReleaseText();
    ReleaseLineBuffer();
    ReleaseBlock(group_line_ordinals);
    group_line_ordinals = nullptr;
    group_line_count = 0;
    ReleaseBlock(group_entries);
    group_entries = nullptr;
}

void ObjReader::ReleaseText() {
    ReleaseFileImage(text);
    CloseFileReader(file);
    window_capacity = 0;
    text.read_pos = 0;
}

void ObjReader::ReleaseLineBuffer() {
    ReleaseBlock(line_buffer);
    line_buffer = nullptr;
}

int32_t ObjReader::AllocateLineBuffer() {
    ReleaseLineBuffer();
    if (line_buffer_size <= 0) return 1;
    line_buffer = static_cast<char*>(AllocateBlock(static_cast<size_t>(line_buffer_size)));
    return line_buffer ? 1 : 0;
}

int32_t ReadObjText(ObjReader& reader, const char* path) {
    Model& model = reader.model;
    // No path: refused before anything is emptied.
    if (!path) {
        model.load_error = kErrorInvalid;
        return 0;
    }
    model.Clear();
    reader.Release();
    model.load_error = 0;
    // A path that does not fit obj_path can't be kept as given.
    if (std::strlen(path) >= static_cast<size_t>(kPathCapacity)) {
        model.load_error = kErrorNameTooLong;
        return 0;
    }
    // Read, not mapped: the passes over a copy cost far fewer TLB misses
    // than over the page cache's small pages, more than the copy costs. A
    // large file is read a window at a time, through one block that the
    // next load takes again, rather than into as much fresh memory.
    if (!reader.OpenText(path)) return 0;
    // A file read whole was closed at once; a larger one opens with its first window.
    if (!LooksLikeObjText(reader.text.data, reader.text.size, !reader.file.file)) {
        model.load_error = kReasonNotObjText;
        return 0;
    }
    CopyText(model.obj_file_name, FileNamePart(path));
    CopyText(model.obj_path, path);
    return 1;
}

namespace {

// The tables the values pass fills, in the order a file's lines usually
// fill them, for the helper; and the second part of the pass when the
// survey cut it and there are faces to read.
void OfferValueTables(ObjReader& reader) {
    if (!reader.help) return;
    const Model& model = reader.model;
    void* blocks[] = {model.vertices, model.texcoords, model.normals, model.face_pool, model.corner_pool};
    size_t sizes[] = {sizeof(Vertex) * size_t(model.vertex_count), sizeof(TexCoord) * size_t(model.texcoord_count),
                      sizeof(Normal) * size_t(model.normal_count), sizeof(Face) * size_t(model.face_pool_size),
                      sizeof(int32_t) * size_t(model.corner_pool_size)};
    reader.cut_offered = reader.cut.offset > 0 && model.corner_pool;
    reader.help->Offer(blocks, sizes, 5, reader.cut_offered ? ReadSecondPart : nullptr, &reader);
}

}  // namespace

int32_t MakeValueTables(ObjReader& reader, ObjTables tables) {
    Model& model = reader.model;
    if (model.vertex_count == 0) {
        model.load_error = kReasonNoVertices;
        return 0;
    }
    const bool whole = tables == ObjTables::kAll;
    // Every group's face array, one without faces included, in one block.
    if (whole && !model.AllocateGroupFaces()) return 0;
    model.vertices = AllocateTable<Vertex>(static_cast<size_t>(model.vertex_count));
    if (!model.vertices) return 0;
    if (model.texcoord_count > 0 && whole) {
        model.texcoords = AllocateTable<TexCoord>(static_cast<size_t>(model.texcoord_count));
        if (!model.texcoords) return 0;
    }
    if (model.normal_count > 0 && whole) {
        model.normals = AllocateTable<Normal>(static_cast<size_t>(model.normal_count));
        if (!model.normals) return 0;
    }
    if (model.polyline_count > 0 && whole) {
        model.polylines = AllocateTable<LineElement>(static_cast<size_t>(model.polyline_count));
        model.polyline_pool = AllocateTable<int32_t>(static_cast<size_t>(model.polyline_pool_size) + 1);
        if (!model.polylines || !model.polyline_pool) return 0;
    }
    if (reader.coloured && whole) {
        model.colours = AllocateUnclearedTable<VertexColour>(static_cast<size_t>(model.vertex_count));
        if (!model.colours) return 0;
        for (int32_t i = 0; i < model.vertex_count; ++i) model.colours[i] = NoColour();
        model.colour_count = model.vertex_count;
    }
    // Without face records the pool holds the vertex lists alone, packed as
    // a whole load packs them at its start.
    if (tables == ObjTables::kVertexLists) model.corner_pool_size /= 3;
    if (model.corner_pool_size > 0 && tables != ObjTables::kPositions) {
        model.corner_pool = AllocateTable<int32_t>(static_cast<size_t>(model.corner_pool_size));
        if (!model.corner_pool) return 0;
    }
    reader.current_group = reader.vertex_fill = reader.texcoord_fill = reader.normal_fill = 0;
    reader.text.read_pos = 0;
    OfferValueTables(reader);
    return 1;
}

int32_t MakeGroupNameTable(ObjReader& reader) {
    Model& model = reader.model;
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
void LoadMaterialLibrary(ObjReader& reader, bool change_directory) {
    Model& model = reader.model;
    reader.ReleaseText();
    if (model.has_mtllib != 1) return;
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
    bool read = path_whole && ReadFileImage(model.mtl_path, reader.text) == 1;
    if (change_directory) EnterLibraryFolder(model);
    if (read) {
        reader.text.read_pos = 0;
        reader.ReadMaterialLibrary();
        model.mtl_loaded = 1;
    }
    reader.ReleaseText();
}

namespace {

// The three passes and the tables between them. The first two passes are
// one walk: group names, the longest line and the counts.
int32_t Parse(ObjReader& reader, ObjTables tables) {
    return SurveyObjText(reader) && MakeValueTables(reader, tables) && reader.FillElements() &&
           MakeGroupNameTable(reader);
}

// The file's text parsed into the model; 0 with the model's load_error set
// when it fails.
int32_t ParseText(ObjReader& reader, ObjTables tables) {
    Model& model = reader.model;
    int32_t parsed = Parse(reader, tables);
    // A file cut short while it was parsed leaves a model of bytes it no
    // longer has: that load fails like a short read.
    if (!FileImageIntact(reader.text)) {
        model.load_error = kReasonFileShrank;
        return 0;
    }
    // Every other failure is a block that can't be had: no count outgrows
    // its field in a file under 4 GiB.
    if (!parsed && model.load_error == 0) model.load_error = kErrorNoMemory;
    return parsed;
}

// LoadObj, LoadObjPositions and LoadObjVertexLists.
int32_t Load(Model& model, const char* path, ObjTables tables, bool change_directory, LoadHelp* help) {
    // The help is closed on every way out, the values pass over or never begun.
    struct Closing {
        LoadHelp* help;
        ~Closing() {
            if (help) help->Close();
        }
    } closing{help};
    ObjReader reader(model);
    reader.help = help;
    reader.progress = model.read_progress;
    if (!path) return ReadObjText(reader, path);  // refused, the Model left as it was
    if (!ReadObjText(reader, path) || !ParseText(reader, tables)) {
        reader.Release();
        model.Clear();
        return 0;
    }
    LoadMaterialLibrary(reader, change_directory);
    return 1;
}

}  // namespace

int32_t EnterLibraryFolder(const Model& model) {
    if (model.has_mtllib != 1) return 0;
    char folder[kPathCapacity];
    FolderPart(model.obj_path, folder, sizeof folder);
    if (!folder[0]) return 0;
    MakeCurrentDirectory(folder);
    return 1;
}

int32_t Model::LoadObj(const char* path, bool change_directory) {
    return Load(*this, path, ObjTables::kAll, change_directory, nullptr);
}

int32_t Model::LoadObjPositions(const char* path, bool change_directory) {
    return Load(*this, path, ObjTables::kPositions, change_directory, nullptr);
}

int32_t Model::LoadObj(const char* path, bool change_directory, LoadHelp* help) {
    return Load(*this, path, ObjTables::kAll, change_directory, help);
}

int32_t Model::LoadObjVertexLists(const char* path, bool change_directory, LoadHelp* help) {
    return Load(*this, path, ObjTables::kVertexLists, change_directory, help);
}
