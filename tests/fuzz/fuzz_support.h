#pragma once
// Shared pieces of the fuzz targets: one scratch folder per process, the
// input split into the files a run reads, and the checks every target makes.
#include <dirent.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "model/model.h"

#include <sys/mman.h>

// The loader maps regular files from the page cache where it can. A mapped
// image ends on a page boundary, so a read a few bytes past its end finds
// zeros instead of a sanitizer report. The targets therefore refuse file
// mappings (anonymous ones go on to AddressSanitizer's mmap): every image is
// then read into a heap block whose end AddressSanitizer guards.
extern "C" void* __interceptor_mmap(void* address, size_t length, int protection, int flags, int descriptor,
                                    off_t offset);
extern "C" void* mmap(void* address, size_t length, int protection, int flags, int descriptor, off_t offset) {
    if (!(flags & MAP_ANONYMOUS) && descriptor >= 0) {
        errno = ENODEV;
        return MAP_FAILED;
    }
    return __interceptor_mmap(address, length, protection, flags, descriptor, offset);
}

// One input carries several files: they are separated by a line holding only
// "----" (the separator "\n----\n"); missing parts are empty files.
inline std::vector<std::string> SplitInput(const uint8_t* data, size_t size, size_t parts) {
    static const char kSeparator[] = "\n----\n";
    const size_t separator_length = sizeof kSeparator - 1;
    std::string all(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> pieces;
    size_t start = 0;
    while (pieces.size() + 1 < parts) {
        size_t at = all.find(kSeparator, start);
        if (at == std::string::npos) break;
        pieces.push_back(all.substr(start, at - start + 1));  // the piece keeps its line end
        start = at + separator_length;
    }
    pieces.push_back(all.substr(start));
    pieces.resize(parts);
    return pieces;
}

// A scratch folder made once per process (in memory when /dev/shm exists),
// removed at exit. Paths are absolute: the OBJ reader moves the current
// directory into the folder of every file it loads.
struct ScratchFolder {
    std::string path;  // ends with '/'

    ScratchFolder() {
        const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(base) + "/quandre_fuzz_XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (!mkdtemp(name.data())) std::abort();
        path = std::string(name.data()) + "/";
    }
    ~ScratchFolder() {
        for (const std::string& entry : Entries()) unlink((path + entry).c_str());
        rmdir(path.c_str());
    }
    std::string Join(const char* name) const { return path + name; }
    void Write(const char* name, const std::string& bytes) const {
        std::FILE* file = std::fopen(Join(name).c_str(), "wb");
        if (!file) std::abort();
        if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) std::abort();
        if (std::fclose(file) != 0) std::abort();
    }
    // The whole file, or "<absent>" when it can't be opened.
    std::string Read(const char* name) const {
        std::FILE* file = std::fopen(Join(name).c_str(), "rb");
        if (!file) return "<absent>";
        std::string bytes;
        char chunk[65536];
        size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
        std::fclose(file);
        return bytes;
    }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        if (DIR* dir = opendir(path.c_str())) {
            while (dirent* entry = readdir(dir)) {
                std::string name = entry->d_name;
                if (name != "." && name != "..") names.push_back(name);
            }
            closedir(dir);
        }
        return names;
    }
};

#define FUZZ_CHECK(condition)                                                              \
    do {                                                                                   \
        if (!(condition)) {                                                                \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                  \
        }                                                                                  \
    } while (0)

inline bool Terminated(const char* text, size_t capacity) {
    return std::memchr(text, '\0', capacity) != nullptr;
}

// What every Model that a load left behind must satisfy: indexes inside their
// tables, names terminated within their arrays.
inline void CheckModel(const Model& model) {
    FUZZ_CHECK(model.vertex_count >= 0 && model.texcoord_count >= 0 && model.normal_count >= 0);
    FUZZ_CHECK(model.material_count >= 0 && model.group_count >= 0);
    FUZZ_CHECK((model.material_count == 0) == (model.materials == nullptr));
    for (int32_t m = 0; m < model.material_count; ++m) {
        const Material& material = model.materials[m];
        FUZZ_CHECK(Terminated(material.name, sizeof material.name));
        FUZZ_CHECK(Terminated(material.diffuse_map, sizeof material.diffuse_map));
        FUZZ_CHECK(Terminated(material.opacity_map, sizeof material.opacity_map));
        FUZZ_CHECK(Terminated(material.bump_map, sizeof material.bump_map));
        FUZZ_CHECK(Terminated(material.specular_map, sizeof material.specular_map));
    }
    FUZZ_CHECK(Terminated(model.mtl_path, sizeof model.mtl_path));
    FUZZ_CHECK(Terminated(model.mtllib_name, sizeof model.mtllib_name));
    FUZZ_CHECK(Terminated(model.current_material, sizeof model.current_material));
    for (int32_t g = 0; g < model.group_count; ++g) {
        const Group& group = model.groups[g];
        FUZZ_CHECK(Terminated(group.name, sizeof group.name));
        FUZZ_CHECK(Terminated(group.material_name, sizeof group.material_name));
        FUZZ_CHECK(group.material_index >= -1 && group.material_index < model.material_count);
        FUZZ_CHECK(group.face_count >= 0 && group.face_fill <= group.face_count);
        for (int32_t f = 0; f < group.face_count; ++f) {
            const Face& face = group.faces[f];
            // Records past face_fill were never filled (a face line without
            // corners); they stay zero and the writer drops them.
            if (f < group.face_fill)
                FUZZ_CHECK(face.material_index >= -1 && face.material_index < model.material_count);
            FUZZ_CHECK(Terminated(model.FaceMaterialName(face), kMaterialNameCapacity));
            for (int32_t c = 0; c < face.corner_count; ++c) {
                FUZZ_CHECK(face.vertex_indices[c] >= 0 && face.vertex_indices[c] < model.vertex_count);
                FUZZ_CHECK(face.texcoord_indices[c] >= 0 &&
                           (face.texcoord_indices[c] < model.texcoord_count || face.texcoord_indices[c] == 0));
                FUZZ_CHECK(face.normal_indices[c] >= 0 &&
                           (face.normal_indices[c] < model.normal_count || face.normal_indices[c] == 0));
            }
        }
    }
    for (int32_t k = 0; k < model.group_name_count; ++k)
        FUZZ_CHECK(Terminated(model.group_name_table[k].name, sizeof model.group_name_table[k].name));
}
