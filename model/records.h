#pragma once
// The records of a Model. Plain data with fixed layouts; records refer to each
// other by 0-based signed 32-bit indices.
#include <cstdint>
#include <cstring>

#include "model/name_index.h"
#include "platform/path_text.h"  // kPathCapacity: paths and file names

constexpr int kGroupNameCapacity = 128;      // group names, face/group material names
constexpr int kMaterialNameCapacity = 256;   // Material names, current material, map files

struct Vertex {
    int32_t mark;  // scratch of matching and statistics; 0 after reading
    int32_t link;  // scratch index of matching and statistics; 0 after reading
    float x, y, z;
};

// The colour a `v` line gives after its position (v x y z r g b).
struct VertexColour {
    float r, g, b;
};

// The colour of a vertex whose `v` line gave none, in a model whose other
// vertices have one: a NaN (with a payload no number text reads as) in
// each channel, so that it is written back without a colour rather than
// with one the file never gave.
inline VertexColour NoColour() {
    constexpr uint32_t kBits = 0x7FC0DC01u;
    float none;
    std::memcpy(&none, &kBits, sizeof none);
    return {none, none, none};
}

inline bool HasColour(const VertexColour& colour) {
    uint32_t bits;
    std::memcpy(&bits, &colour.r, sizeof bits);
    return bits != 0x7FC0DC01u;
}

struct Normal {
    float x, y, z;
};

struct TexCoord {
    float u, v;
};

// A face corner's texture coordinate or normal that the file did not give
// (or gave outside its table).
constexpr int32_t kNoIndex = -1;

// One `f` or `fo` line. The three index lists hold corner_count entries each;
// a texture coordinate or normal entry may be kNoIndex.
// A face's material name is kept as a number: the position of the name in the
// Model's `material_names` table, where 0 always stands for the empty name.
// A face thus costs 48 bytes instead of carrying a 128-byte array.
struct Face {
    int32_t corner_count;
    int32_t material_index;    // into Model::materials; -1 when not defined
    int32_t material_name;     // into Model::material_names; 0 = empty name
    int32_t group_name_index;  // into Model::group_name_table
    int32_t object;            // into Model::objects: its `o` line; 0 = none
    int32_t smoothing;         // into Model::smoothing_groups: its `s` line; 0 = none
    int32_t* vertex_indices;
    int32_t* texcoord_indices;
    int32_t* normal_indices;
};

// One `l` line: a polyline through vertices, with a texture coordinate at
// each where the line gives one (kNoIndex where not). Its lists lie in
// Model::polyline_pool.
struct LineElement {
    int32_t corner_count;
    int32_t group_name_index;  // as a face's
    int32_t object;            // as a face's
    int32_t* vertex_indices;
    int32_t* texcoord_indices;
};

// The faces that follow one group name.
struct Group {
    int32_t face_fill;   // during reading: faces stored so far
    int32_t face_count;  // records in faces
    Face* faces;
    uint32_t name;            // in Model::name_pool; 0 = empty name
    int32_t material_index;   // -1 until the library is read
    uint32_t material_name;   // in Model::name_pool: material of the group's last face read
};

// The text of a Model's names, each NUL-terminated, one after another in
// one block; a record holds a name as its offset here. Group names and face
// material names are kept once each, library names as their lines come.
// Offset 0 is the empty name. A name is cut to capacity - 1 of its kind, as it would
// be in a fixed-capacity array. A file of many distinct groups or materials
// then costs what its names take, not a full-size array for each.
struct NamePool {
    char* text = nullptr;
    uint32_t size = 0;  // bytes in text
    uint32_t fill = 0;  // bytes in use
};

// Every distinct name met on a `g` line. Positions count from the newest
// name, so the name added first has position count - 1; a hash index
// answers FindGroupName with that position.
struct GroupNameList {
    int32_t count = 0;
    uint32_t* names = nullptr;  // by ordinal: the name's offset in Model::name_pool
    int32_t name_capacity = 0;
    NameIndex index;  // entry: 1 + the name's ordinal
};

struct GroupNameEntry {
    uint32_t name;  // in Model::name_pool
};

// The distinct texts of one kind of line whose value a face carries (the
// name of its `o` line, the value of its `s` line), each once. Entry 0
// stands for no such line before the face; a file without any has no table.
struct FaceNames {
    int32_t count = 0;          // entries the table has room for
    int32_t fill = 0;           // entries in use, entry 0 included
    uint32_t* names = nullptr;  // in Model::name_pool
};

// One distinct material name of a `usemtl` line, as kept for faces.
struct MaterialNameEntry {
    uint32_t name;  // in Model::name_pool
};

// One `newmtl` entry of the material library.
struct Material {
    float ambient[4];   // Ka: red, green, blue, alpha
    float diffuse[4];   // Kd
    float specular[4];  // Ks
    float shininess;    // Ns
    float opacity;      // d
    int32_t illumination;  // illum
    // File and material names, in Model::name_pool (cut as to a
    // kMaterialNameCapacity array).
    uint32_t diffuse_map;   // map_Kd
    uint32_t opacity_map;   // map_d
    uint32_t bump_map;      // map_bump
    uint32_t specular_map;  // map_Ks
    uint32_t name;          // newmtl
    // A material read from a library keeps the statements of its block as
    // they were (every line after its newmtl line up to the next, comments
    // and blank lines left out), each ending in "\r\n", in Model::name_pool:
    // the writer copies them rather than writing the fields above, which a
    // library may say more, or less, than.
    // Statements are bytes, not a name: a NUL among them (a damaged or
    // foreign library) is kept with them, so their length is kept too.
    int32_t has_statements;  // 1 when read from a library
    uint32_t statements;     // in Model::name_pool; 0 = none
    uint32_t statements_length;
};
