#pragma once
// The Model: one OBJ file with its material library, in memory.
//
// Every table is one zero-filled block created at the exact size found by a
// counting pass and never grown. Releasing a block sets its reference to null
// and its count to 0. Operations return 1 for success and 0 for failure;
// lookups return a 0-based position or -1.
#include <cstddef>
#include <cstdint>

#include "model/records.h"

struct OutputFile;   // platform/files/output_file.h
struct OperationHost;  // morph/host.h
struct TieCounts;      // pairing/coincident_ties.h
class LoadHelp;        // platform/load_help.h
struct ReadProgress;   // wavefront/obj_reader.h

struct Model {
    // Why the last LoadObj or LoadObjPositions failed (platform/reasons.h);
    // 0 after one that succeeded. Clear leaves it.
    int32_t load_error = 0;
    // Told how far the reading passes of a load are; null for none. Clear
    // leaves it; the caller owns it.
    const ReadProgress* read_progress = nullptr;

    // Everything from here to the end is emptied by Clear.
    int32_t material_count = 0;
    Material* materials = nullptr;
    int32_t group_count = 0;
    Group* groups = nullptr;
    GroupNameList group_names;
    int32_t group_name_count = 0;
    GroupNameEntry* group_name_table = nullptr;
    int32_t vertex_count = 0;
    Vertex* vertices = nullptr;
    int32_t normal_count = 0;
    Normal* normals = nullptr;
    int32_t texcoord_count = 0;
    TexCoord* texcoords = nullptr;
    // The vertices' colours, one a vertex, when the file's first `v` line
    // gives one (a vertex whose line gives none has NoColour()); otherwise
    // absent and 0.
    int32_t colour_count = 0;
    VertexColour* colours = nullptr;
    int32_t isolated_count = 0;
    int32_t duplicate_count = 0;
    int32_t has_mtllib = 0;
    int32_t mtl_loaded = 0;
    // The materials are only the `usemtl` names of a library that didn't load
    // (wavefront/named_materials.h): written as the file had them, with its
    // own `mtllib` line and no library.
    int32_t library_not_found = 0;
    char mtllib_name[kPathCapacity] = {};
    char mtl_path[kPathCapacity] = {};
    char obj_path[kPathCapacity] = {};
    char obj_file_name[kPathCapacity] = {};

    // Storage behind the faces: the distinct face material names (entry 0 is
    // the empty name) and one block holding the index lists of every face
    // read from the file. Index lists made any other way are heap blocks of
    // their own.
    int32_t material_name_count = 0;
    int32_t material_name_fill = 0;
    MaterialNameEntry* material_names = nullptr;
    int64_t corner_pool_size = 0;  // int32 entries in corner_pool
    // Three a corner stored (its vertex, texture coordinate and normal
    // entries), also in a model without face records, whose pool holds the
    // vertex entries alone (LoadObjVertexLists).
    int64_t corner_pool_fill = 0;
    int32_t* corner_pool = nullptr;
    // 1 while the first corner_pool_fill / 3 entries of corner_pool are
    // exactly the vertex lists of all faces, each once (as a file is read),
    // so that a walk over every corner's vertex can read them there instead
    // of through the face records. Releasing a face with a list in the pool
    // sets it to 0.
    int32_t vertex_lists_packed = 0;
    // One block holding the face arrays of all Groups read from a file, each
    // Group's array a slice of it (after regrouping, possibly the one Group's
    // whole array). Face arrays made any other way are blocks of their own.
    int64_t face_pool_size = 0;  // Face records in face_pool
    Face* face_pool = nullptr;
    // The `l` lines, in file order, and the block of their index lists (a
    // vertex and a texture coordinate entry a corner). A load that keeps
    // positions only counts them and makes no records.
    int32_t polyline_count = 0;
    LineElement* polylines = nullptr;
    // Corners of `l` lines the reading dropped: a number naming no vertex
    // (0, past the end, unreadable), and those of a line left with fewer
    // than two.
    int32_t dropped_line_corners = 0;
    int64_t polyline_pool_size = 0;
    int32_t* polyline_pool = nullptr;
    // The objects and smoothing groups of the faces (Face::object, Face::smoothing).
    FaceNames objects;
    FaceNames smoothing_groups;
    // The text of every name the records hold (group, material and map file
    // names), each once.
    NamePool name_pool;

    Model() = default;
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;
    ~Model() { Release(); }

    // --- life cycle (model/model.cpp)
    void Clear();
    void Release();

    // --- names (model/name_pool.cpp)
    // The text of a name held by a record; "" for offset 0 or one outside the pool.
    const char* Name(uint32_t offset) const {
        return name_pool.text && offset < name_pool.fill ? name_pool.text + offset : "";
    }
    // Adds text to the name pool: its first `length` bytes, up to a NUL and
    // cut to capacity - 1, and sets `offset` to where it is. 0 when memory
    // ran out (offset is then 0).
    int32_t KeepName(const char* text, size_t length, size_t capacity, uint32_t& offset);
    // Adds `length` bytes to the name pool as they are, NUL bytes included
    // (a NUL follows them), and sets `offset` to where they are (0 for none).
    // 0 when memory ran out.
    int32_t KeepBytes(const char* text, size_t length, uint32_t& offset);

    // --- name lookups (model/group_names.cpp, model/model.cpp)
    int32_t FindGroupName(const char* name) const;
    int32_t AddGroupName(const char* name);
    // The name at a position of the group-name list; "" when there is none.
    const char* GroupNameAt(int32_t position) const;
    int32_t FindMaterial(const char* name) const;
    const char* FaceMaterialName(const Face& face) const;
    // The text of entry `entry` of a face name table; "" for 0 or one outside it.
    const char* FaceName(const FaceNames& table, int32_t entry) const {
        return table.names && entry > 0 && entry < table.fill ? Name(table.names[entry]) : "";
    }
    int32_t TotalFaceCount() const;

    // --- faces (model/faces.cpp)
    static void CopyFace(Face& destination, Face& source);
    void ReleaseFace(Face& face);
    void ReleaseFaces(Group& group);
    int32_t AllocateFaces(Group& group, int32_t count);
    // Gives every Group a zero-filled face array of face_count records (one
    // record for a Group without faces), all slices of a new face pool.
    // 0 when there are no Groups, a pool is already made, or memory ran out.
    int32_t AllocateGroupFaces();
    bool InFacePool(const Face* faces) const;
    // Releases a face array block; an array in the face pool stays with the pool.
    void ReleaseFaceArray(Face* faces);

    // --- regrouping (model/regroup.cpp)
    int32_t MergeGroups();
    int32_t RegroupByMaterial();

    // --- reading (wavefront/)
    // A file that names a material library leaves its folder the current
    // directory, as the dialog expects; with `change_directory` false the
    // current directory is left alone (the library is found through the OBJ
    // file's folder either way), so that several loads may run at once.
    int32_t LoadObj(const char* path, bool change_directory = true);
    // LoadObj for a model of which only the positions are used: it succeeds
    // and fails on the same files as LoadObj (it only needs less memory) and
    // leaves the same vertices, group names, face counts, materials and
    // current directory, but makes no face records, corner lists, texture
    // coordinates or normals (each group has its face_count and no faces;
    // texcoord_count and normal_count are the file's).
    // The steps of both, and the state they hand on: wavefront/obj_reader.h.
    int32_t LoadObjPositions(const char* path, bool change_directory = true);
    // LoadObj that offers its value tables to `help` as soon as they are
    // made, with the reading of a large file's v, vt and vn lines, and
    // closes it when the load ends: another thread serving it then reads
    // those lines beside the values pass and makes the tables' fresh pages
    // present ahead of it. The model is the one LoadObj gives.
    int32_t LoadObj(const char* path, bool change_directory, LoadHelp* help);
    // LoadObjPositions that also keeps every face's vertex list, where LoadObj
    // puts it (packed at the start of corner_pool, vertex_lists_packed set):
    // a model that is only counted. Its isolated and duplicate vertices are
    // LoadObj's; it makes no face records, texture coordinates or normals,
    // and with `help` it is helped as LoadObj is.
    int32_t LoadObjVertexLists(const char* path, bool change_directory = true, LoadHelp* help = nullptr);

    // --- writing (wavefront/)
    int32_t WriteObjFile(const char* path);
    int32_t WriteObjText(OutputFile* file, const char* path);
    int32_t WriteGroupSection(OutputFile* file, int32_t name_index);
    int32_t WriteMtlText(OutputFile* file) const;

    // --- morph operations (morph/)
    // `threads` may share the search and the renumbering; the result is the same.
    // With `ties`, matching vertices at a position several original vertices
    // share are paired by their faces (morph/coincident_vertices.h), which
    // `ties` counts; without, each goes to the original vertex of its own
    // index when that one is at its position, else to the lowest one there.
    int32_t MatchVertices(const Model& original, int32_t& match_count, OperationHost* host, int32_t threads = 1,
                          TieCounts* ties = nullptr);
    int32_t CountIsolatedVertices();
    int32_t CountDuplicateVertices();
};
