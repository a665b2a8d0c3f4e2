#pragma once
// The records of a Model. Plain data with fixed layouts; records refer to each
// other by 0-based signed 32-bit indices.
#include <cstdint>

#include "platform/file_image.h"

constexpr int kPathCapacity = 256;           // paths and file names
constexpr int kGroupNameCapacity = 128;      // group names, face/group material names
constexpr int kMaterialNameCapacity = 256;   // Material names, current material, map files

// The image of the file being parsed, and how far the line reader has read.
// Taking an image leaves read_pos alone; releasing the Model's text resets it.
struct TextBuffer : FileImage {
    uint32_t read_pos = 0;  // bytes already consumed by the line reader
};

struct Vertex {
    int32_t mark;  // scratch of matching and statistics; 0 after reading
    int32_t link;  // scratch index of matching and statistics; 0 after reading
    float x, y, z;
};

struct Normal {
    float x, y, z;
};

struct TexCoord {
    float u, v;
};

// One `f` or `fo` line. The three index lists hold corner_count entries each.
// A face's material name is kept as a number: the position of the name in the
// Model's `material_names` table, where 0 always stands for the empty name.
// A face thus costs 40 bytes instead of carrying a 128-byte array.
struct Face {
    int32_t corner_count;
    int32_t material_index;    // into Model::materials; -1 when not defined
    int32_t material_name;     // into Model::material_names; 0 = empty name
    int32_t group_name_index;  // into Model::group_name_table
    int32_t* vertex_indices;
    int32_t* texcoord_indices;
    int32_t* normal_indices;
};

// The faces that follow one group name.
struct Group {
    int32_t face_fill;   // during reading: faces stored so far
    int32_t face_count;  // records in faces
    Face* faces;
    char name[kGroupNameCapacity];
    int32_t material_index;                      // -1 until the library is read
    char material_name[kGroupNameCapacity];      // material of the group's last face read
};

// One distinct group name, in its own heap block owned by the list.
struct GroupNameNode {
    char name[kGroupNameCapacity];
    GroupNameNode* next;  // the node added before this one; null for the oldest
    GroupNameNode* prev;  // the node added after this one; the head for the newest
};

// Slot of the hash index kept beside the group-name list.
struct GroupNameSlot {
    GroupNameNode* node;  // null for a free slot
    int32_t ordinal;      // 0 for the first name added, 1 for the next, ...
    uint32_t hash;
};

// Every distinct name met on a `g` line, newest first. A hash index over the
// same nodes answers FindGroupName with exactly the list walk's position.
struct GroupNameList {
    int32_t count = 0;
    GroupNameNode head{};  // holds no name; head.next is the newest node
    GroupNameSlot* index = nullptr;
    uint32_t index_capacity = 0;  // a power of two, or 0
};

struct GroupNameEntry {
    char name[kGroupNameCapacity];
};

// One distinct material name of a `usemtl` line, as kept for faces.
struct MaterialNameEntry {
    char name[kGroupNameCapacity];
};

// One `newmtl` entry of the material library.
struct Material {
    float ambient[4];   // Ka: red, green, blue, alpha
    float diffuse[4];   // Kd
    float specular[4];  // Ks
    float shininess;    // Ns
    float opacity;      // d
    int32_t illumination;  // illum
    char diffuse_map[kMaterialNameCapacity];   // map_Kd
    char opacity_map[kMaterialNameCapacity];   // map_d
    char bump_map[kMaterialNameCapacity];      // map_bump
    char specular_map[kMaterialNameCapacity];  // map_Ks
    char name[kMaterialNameCapacity];          // newmtl
};
