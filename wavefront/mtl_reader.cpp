// The MTL reader: the material table of a library, then the material index
// of every group and face.
#include <cstring>

#include "platform/block.h"
#include "model/model.h"
#include "model/text.h"
#include "wavefront/number_text.h"

namespace {

constexpr int32_t kMtlLineCapacity = 512;

bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }

// The first token of a line: [word, word_end), up to white space.
void FirstToken(const char* line, const char*& word, const char*& word_end) {
    const char* p = line;
    while (*p && IsScanSpace(static_cast<unsigned char>(*p))) ++p;
    word = p;
    while (*p && !IsScanSpace(static_cast<unsigned char>(*p))) ++p;
    word_end = p;
}

bool SameWordIgnoringCase(const char* word, const char* word_end, const char* keyword) {
    size_t length = static_cast<size_t>(word_end - word);
    if (std::strlen(keyword) != length) return false;
    for (size_t i = 0; i < length; ++i) {
        char a = word[i], b = keyword[i];
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a + 32);
        if (b >= 'A' && b <= 'Z') b = static_cast<char>(b + 32);
        if (a != b) return false;
    }
    return true;
}

enum class MtlKeyword { kNewmtl, kKa, kKd, kKs, kNs, kD, kIllum, kMapD, kMapKd, kMapKs, kMapKa, kMapRefl, kMapBump, kOther };

struct KeywordEntry {
    const char* text;
    MtlKeyword keyword;
};

// In the order they are compared.
constexpr KeywordEntry kKeywords[] = {
    {"newmtl", MtlKeyword::kNewmtl}, {"Ka", MtlKeyword::kKa},       {"Kd", MtlKeyword::kKd},
    {"Ks", MtlKeyword::kKs},         {"Ns", MtlKeyword::kNs},       {"d", MtlKeyword::kD},
    {"illum", MtlKeyword::kIllum},   {"map_d", MtlKeyword::kMapD},  {"map_Kd", MtlKeyword::kMapKd},
    {"map_Ks", MtlKeyword::kMapKs},  {"map_Ka", MtlKeyword::kMapKa}, {"map_refl", MtlKeyword::kMapRefl},
    {"map_bump", MtlKeyword::kMapBump},
};

MtlKeyword Classify(const char* word, const char* word_end) {
    for (const KeywordEntry& entry : kKeywords) {
        if (SameWordIgnoringCase(word, word_end, entry.text)) return entry.keyword;
    }
    return MtlKeyword::kOther;
}

// A value line read as its exact format: the keyword letters as written in
// `keyword` (letter case included), then `count` numbers. Fails unless all
// were converted.
bool ReadFloatsAfter(const char* line, const char* keyword, float* values, int count) {
    const char* p = line;
    while (IsBlankOrTab(*p)) ++p;
    size_t length = std::strlen(keyword);
    if (std::strncmp(p, keyword, length) != 0) return false;
    p += length;
    const char* end = p + std::strlen(p);
    for (int i = 0; i < count; ++i) {
        p = ScanFloat(p, end, &values[i]);
        if (!p) return false;
    }
    return true;
}

bool ReadIntAfter(const char* line, const char* keyword, int32_t* value) {
    const char* p = line;
    while (IsBlankOrTab(*p)) ++p;
    size_t length = std::strlen(keyword);
    if (std::strncmp(p, keyword, length) != 0) return false;
    p += length;
    return ScanInt(p, p + std::strlen(p), value) != nullptr;
}

// The second token of a line split by space, tab, CR and LF, kept as a map
// file name; empty if none. False when memory ran out.
bool KeepSecondToken(Model& model, const char* line, uint32_t& name) {
    auto separator = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    const char* p = line;
    while (*p && separator(*p)) ++p;
    while (*p && !separator(*p)) ++p;
    while (*p && separator(*p)) ++p;
    const char* token = p;
    while (*p && !separator(*p)) ++p;
    return model.KeepName(token, static_cast<size_t>(p - token), kMaterialNameCapacity, name) == 1;
}

// First-match lookup of material names by hash: the same answer as
// FindMaterial, in constant time per name.
struct MaterialLookup {
    int32_t* slots = nullptr;  // material index + 1, 0 = free
    uint32_t mask = 0;
    const Model* model = nullptr;

    ~MaterialLookup() { ReleaseBlock(slots); }

    static uint32_t Hash(const char* name) {
        uint32_t hash = 2166136261u;
        for (; *name; ++name) hash = (hash ^ static_cast<unsigned char>(*name)) * 16777619u;
        return hash;
    }

    bool Create(const Model& owner) {
        model = &owner;
        uint32_t capacity = 16;
        while (capacity < static_cast<uint64_t>(owner.material_count) * 2) capacity *= 2;
        slots = AllocateTable<int32_t>(capacity);
        if (!slots) return false;
        mask = capacity - 1;
        for (int32_t m = 0; m < owner.material_count; ++m) {
            const char* name = owner.Name(owner.materials[m].name);
            for (uint32_t i = Hash(name) & mask;; i = (i + 1) & mask) {
                if (slots[i] == 0) {
                    slots[i] = m + 1;
                    break;
                }
                if (std::strcmp(owner.Name(owner.materials[slots[i] - 1].name), name) == 0) break;  // keep the first
            }
        }
        return true;
    }

    int32_t Find(const char* name) const {
        if (!slots) return model->FindMaterial(name);
        for (uint32_t i = Hash(name) & mask;; i = (i + 1) & mask) {
            if (slots[i] == 0) return -1;
            if (std::strcmp(model->Name(model->materials[slots[i] - 1].name), name) == 0) return slots[i] - 1;
        }
    }
};

}  // namespace

int32_t Model::CountMaterials() {
    char line[kMtlLineCapacity];
    while (ReadLine(line, kMtlLineCapacity)) {
        const char* word;
        const char* word_end;
        FirstToken(line, word, word_end);
        if (SameWordIgnoringCase(word, word_end, "newmtl") && material_count < INT32_MAX) ++material_count;
    }
    return 1;
}

int32_t Model::FillMaterials() {
    char line[kMtlLineCapacity];
    while (ReadLine(line, kMtlLineCapacity)) {
        const char* word;
        const char* word_end;
        FirstToken(line, word, word_end);
        if (word == word_end) continue;
        MtlKeyword keyword = Classify(word, word_end);
        if (keyword == MtlKeyword::kOther || keyword == MtlKeyword::kMapKa || keyword == MtlKeyword::kMapRefl) continue;

        if (keyword == MtlKeyword::kNewmtl) {
            const char* p = line;
            while (IsBlankOrTab(*p)) ++p;
            for (int i = 0; i < 6 && *p; ++i) ++p;
            while (IsBlankOrTab(*p)) ++p;
            const char* name = p;
            while (*p && *p != '\t' && *p != '\r' && *p != '\n') ++p;
            if (materials && material_fill >= 0 && material_fill < material_count) {
                if (!KeepName(name, static_cast<size_t>(p - name), kMaterialNameCapacity, materials[material_fill].name))
                    return 0;
                ++material_fill;
            }
            continue;
        }
        if (!materials) continue;
        Material& material = materials[material_fill > 0 ? material_fill - 1 : 0];
        float values[3];
        switch (keyword) {
            case MtlKeyword::kKa:
            case MtlKeyword::kKd:
            case MtlKeyword::kKs: {
                const char* text_of = keyword == MtlKeyword::kKa ? "Ka" : keyword == MtlKeyword::kKd ? "Kd" : "Ks";
                float* colour = keyword == MtlKeyword::kKa   ? material.ambient
                                : keyword == MtlKeyword::kKd ? material.diffuse
                                                             : material.specular;
                if (!ReadFloatsAfter(line, text_of, values, 3)) break;
                colour[0] = values[0];
                colour[1] = values[1];
                colour[2] = values[2];
                colour[3] = 1.0f;
                break;
            }
            case MtlKeyword::kNs:
                if (ReadFloatsAfter(line, "Ns", values, 1)) material.shininess = values[0];
                break;
            case MtlKeyword::kD:
                if (ReadFloatsAfter(line, "d", values, 1)) material.opacity = values[0];
                break;
            case MtlKeyword::kIllum: {
                int32_t value;
                if (ReadIntAfter(line, "illum", &value)) material.illumination = value;
                break;
            }
            case MtlKeyword::kMapD:
            case MtlKeyword::kMapKd:
            case MtlKeyword::kMapKs:
            case MtlKeyword::kMapBump: {
                uint32_t& map = keyword == MtlKeyword::kMapD    ? material.opacity_map
                                : keyword == MtlKeyword::kMapKd ? material.diffuse_map
                                : keyword == MtlKeyword::kMapKs ? material.specular_map
                                                                : material.bump_map;
                if (!KeepSecondToken(*this, line, map)) return 0;
                break;
            }
            default: break;
        }
    }
    return 1;
}

int32_t Model::ReadMaterialLibrary() {
    ReleaseBlock(materials);
    materials = nullptr;
    material_count = 0;
    material_fill = 0;
    text.read_pos = 0;
    CountMaterials();
    if (material_count == 0) return 0;

    materials = AllocateTable<Material>(static_cast<size_t>(material_count));
    if (!materials) {
        material_count = 0;
        return 0;
    }
    for (int32_t m = 0; m < material_count; ++m) {
        Material& material = materials[m];
        for (int i = 0; i < 4; ++i) material.diffuse[i] = 1.0f;
        material.shininess = 128.0f;
        material.opacity = 1.0f;
        material.illumination = 2;
    }
    material_fill = 0;
    text.read_pos = 0;
    // A name that can't be kept leaves the library unread, as a table that
    // can't be had does.
    if (!FillMaterials()) {
        ReleaseBlock(materials);
        materials = nullptr;
        material_count = material_fill = 0;
        return 0;
    }

    // Resolve by distinct name: groups, then each face material name entry
    // once, then every face from its entry.
    MaterialLookup lookup;
    lookup.Create(*this);  // without its index, lookups fall back to FindMaterial
    // When every Group's faces lie in the face pool, as they do in a model
    // read from a file, the faces are resolved in one sweep over the pool
    // rather than Group by Group (with 10^5 small Groups that is a third
    // faster). The pool's only other records are the spare ones of Groups
    // without faces, which no Group counts.
    bool all_in_pool = face_pool != nullptr;
    if (groups) {
        for (int32_t g = 0; g < group_count; ++g) {
            groups[g].material_index = lookup.Find(Name(groups[g].material_name));
            if (groups[g].faces && !InFacePool(groups[g].faces)) all_in_pool = false;
        }
    }
    int32_t empty_index = lookup.Find("");
    // The entries in use: the table is sized for one per usemtl line.
    const int32_t entries = material_names && material_name_fill > 0 ? material_name_fill : 0;
    int32_t* entry_index = entries > 0 ? AllocateTable<int32_t>(static_cast<size_t>(entries)) : nullptr;
    if (entry_index) {
        for (int32_t e = 0; e < entries; ++e) entry_index[e] = e > 0 ? lookup.Find(Name(material_names[e].name)) : empty_index;
    }
    auto resolve = [&](Face& face) {
        int32_t e = face.material_name;
        bool known = entry_index && e >= 0 && e < entries;
        face.material_index = known ? entry_index[e] : lookup.Find(FaceMaterialName(face));
    };
    if (groups && all_in_pool) {
        for (int64_t f = 0; f < face_pool_size; ++f) resolve(face_pool[f]);
    } else if (groups) {
        for (int32_t g = 0; g < group_count; ++g) {
            Group& group = groups[g];
            if (!group.faces) continue;
            for (int32_t f = 0; f < group.face_count; ++f) resolve(group.faces[f]);
        }
    }
    ReleaseBlock(entry_index);
    return 1;
}
