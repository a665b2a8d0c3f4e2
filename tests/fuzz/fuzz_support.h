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
#include <initializer_list>
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
    // One input carries several files, written under the given names: they
    // are separated by a line holding only "----" (the separator "\n----\n");
    // each piece keeps its line end and missing parts are empty files.
    void WriteParts(const uint8_t* data, size_t size, std::initializer_list<const char*> names) const {
        static const char kSeparator[] = "\n----\n";
        std::string all(reinterpret_cast<const char*>(data), size);
        size_t start = 0, left = names.size();
        for (const char* name : names) {
            size_t at = --left > 0 ? all.find(kSeparator, start) : std::string::npos;  // the last takes the rest
            if (at == std::string::npos) {
                Write(name, start <= all.size() ? all.substr(start) : "");
                start = all.size() + 1;  // later parts are empty
            } else {
                Write(name, all.substr(start, at - start + 1));
                start = at + sizeof kSeparator - 1;
            }
        }
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

template <size_t N>
bool Terminated(const char (&text)[N]) {
    return std::memchr(text, '\0', N) != nullptr;
}

// A name held by a record: inside the name pool and no longer than its kind allows.
inline bool SoundName(const Model& model, uint32_t offset, size_t capacity) {
    if (offset == 0) return true;
    if (offset >= model.name_pool.fill) return false;
    const char* text = model.name_pool.text + offset;
    size_t room = model.name_pool.fill - offset;
    return std::memchr(text, '\0', room < capacity ? room : capacity) != nullptr;
}

// What every Model that a load left behind must satisfy: indexes inside their
// tables, names terminated within their arrays.
inline void CheckModel(const Model& model) {
    FUZZ_CHECK(model.vertex_count >= 0 && model.texcoord_count >= 0 && model.normal_count >= 0);
    FUZZ_CHECK(model.material_count >= 0 && model.group_count >= 0);
    FUZZ_CHECK((model.material_count == 0) == (model.materials == nullptr));
    for (int32_t m = 0; m < model.material_count; ++m) {
        const Material& material = model.materials[m];
        for (uint32_t name : {material.name, material.diffuse_map, material.opacity_map, material.bump_map,
                              material.specular_map})
            FUZZ_CHECK(SoundName(model, name, kMaterialNameCapacity));
    }
    FUZZ_CHECK(Terminated(model.mtl_path) && Terminated(model.mtllib_name));
    for (int32_t g = 0; g < model.group_count; ++g) {
        const Group& group = model.groups[g];
        FUZZ_CHECK(SoundName(model, group.name, kGroupNameCapacity) &&
                   SoundName(model, group.material_name, kGroupNameCapacity));
        FUZZ_CHECK(group.material_index >= -1 && group.material_index < model.material_count);
        FUZZ_CHECK(group.face_count >= 0 && group.face_fill <= group.face_count);
        for (int32_t f = 0; f < group.face_count; ++f) {
            const Face& face = group.faces[f];
            // Records past face_fill were never filled (a face line without
            // corners); they stay zero and the writer drops them.
            if (f < group.face_fill)
                FUZZ_CHECK(face.material_index >= -1 && face.material_index < model.material_count);
            FUZZ_CHECK(std::strlen(model.FaceMaterialName(face)) < kGroupNameCapacity);
            // Texture and normal indexes may be kNoIndex: none given, or none in range.
            auto inside = [](int32_t index, int32_t count, bool none) {
                return (index >= 0 && index < count) || (none && index == kNoIndex);
            };
            for (int32_t c = 0; c < face.corner_count; ++c)
                FUZZ_CHECK(inside(face.vertex_indices[c], model.vertex_count, false) &&
                           inside(face.texcoord_indices[c], model.texcoord_count, true) &&
                           inside(face.normal_indices[c], model.normal_count, true));
        }
    }
    for (int32_t k = 0; k < model.group_name_count; ++k)
        FUZZ_CHECK(SoundName(model, model.group_name_table[k].name, kGroupNameCapacity));
}
