// The MTL reader: the material table of a library, then the material index
// of every group and face.
#include <cstring>

#include "platform/block.h"
#include "model/model.h"
#include "platform/text.h"
#include "wavefront/line_scan.h"
#include "wavefront/number_text.h"
#include "wavefront/obj_reader.h"

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
    NameIndex index;  // entry: material index + 1
    const Model* model = nullptr;

    ~MaterialLookup() { index.Release(); }

    bool Create(const Model& owner) {
        model = &owner;
        if (!index.Reserve(uint64_t(owner.material_count) > 8 ? uint64_t(owner.material_count) : 8)) return false;
        for (int32_t m = 0; m < owner.material_count; ++m) {
            uint32_t offset = owner.materials[m].name;
            const char* name = owner.Name(offset);
            size_t length = std::strlen(name);
            uint32_t hash = NameHash(name, length);
            NameSlot* slot = index.Find(owner, name, length, hash);
            if (!slot->entry) *slot = {offset, static_cast<uint32_t>(m + 1), hash};  // else keep the first
        }
        return true;
    }

    int32_t Find(const char* name) const {
        if (!index.HasSlots()) return model->FindMaterial(name);
        size_t length = std::strlen(name);
        const NameSlot* slot = index.Find(*model, name, length, NameHash(name, length));
        return static_cast<int32_t>(slot->entry) - 1;
    }
};

// The name of a newmtl line: after the keyword and its blanks, up to a tab
// or the line's end (spaces belong to the name).
void NewmtlName(const char* line, const char*& name, const char*& name_end) {
    const char* p = line;
    while (IsBlankOrTab(*p)) ++p;
    for (int i = 0; i < 6 && *p; ++i) ++p;
    while (IsBlankOrTab(*p)) ++p;
    name = p;
    while (*p && *p != '\t' && *p != '\r' && *p != '\n') ++p;
    name_end = p;
}

// A Ka, Kd or Ks line: the colour's red, green and blue, and alpha 1.
void TakeColour(MtlKeyword keyword, const char* line, Material& material) {
    const char* text_of = keyword == MtlKeyword::kKa ? "Ka" : keyword == MtlKeyword::kKd ? "Kd" : "Ks";
    float* colour = keyword == MtlKeyword::kKa   ? material.ambient
                    : keyword == MtlKeyword::kKd ? material.diffuse
                                                 : material.specular;
    float values[3];
    if (!ReadFloatsAfter(line, text_of, values, 3)) return;
    colour[0] = values[0];
    colour[1] = values[1];
    colour[2] = values[2];
    colour[3] = 1.0f;
}

// A value line of the current material; false when memory for a map file
// name ran out.
bool TakeMaterialLine(Model& model, MtlKeyword keyword, const char* line, Material& material) {
    float value;
    switch (keyword) {
        case MtlKeyword::kKa:
        case MtlKeyword::kKd:
        case MtlKeyword::kKs: TakeColour(keyword, line, material); return true;
        case MtlKeyword::kNs:
            if (ReadFloatsAfter(line, "Ns", &value, 1)) material.shininess = value;
            return true;
        case MtlKeyword::kD:
            if (ReadFloatsAfter(line, "d", &value, 1)) material.opacity = value;
            return true;
        case MtlKeyword::kIllum: {
            int32_t number;
            if (ReadIntAfter(line, "illum", &number)) material.illumination = number;
            return true;
        }
        case MtlKeyword::kMapD: return KeepSecondToken(model, line, material.opacity_map);
        case MtlKeyword::kMapKd: return KeepSecondToken(model, line, material.diffuse_map);
        case MtlKeyword::kMapKs: return KeepSecondToken(model, line, material.specular_map);
        case MtlKeyword::kMapBump: return KeepSecondToken(model, line, material.bump_map);
        default: return true;
    }
}

// Every Material of a new table of `count` takes the library's defaults.
Material* MakeMaterialTable(int32_t count) {
    Material* materials = AllocateTable<Material>(static_cast<size_t>(count));
    if (!materials) return nullptr;
    for (int32_t m = 0; m < count; ++m) {
        Material& material = materials[m];
        for (int i = 0; i < 4; ++i) material.diffuse[i] = 1.0f;
        material.shininess = 128.0f;
        material.opacity = 1.0f;
        material.illumination = 2;
    }
    return materials;
}

// The material index of each face material name entry in use; null when
// the model has none or memory ran out (lookups then go by name). Entry 0
// is the empty name.
int32_t* ResolveEntries(const Model& model, const MaterialLookup& lookup, int32_t& entries) {
    // The entries in use: the table is sized for one per usemtl line.
    entries = model.material_names && model.material_name_fill > 0 ? model.material_name_fill : 0;
    int32_t* entry_index = entries > 0 ? AllocateTable<int32_t>(static_cast<size_t>(entries)) : nullptr;
    if (!entry_index) return nullptr;
    entry_index[0] = lookup.Find("");
    for (int32_t e = 1; e < entries; ++e) entry_index[e] = lookup.Find(model.Name(model.material_names[e].name));
    return entry_index;
}

// Every Group's material index. A group whose last face's entry the values
// pass left (group_entries) takes that entry's index: the group table is
// read in order and the entry table is small, where a lookup by name would
// read the names and materials of a large library at random for every group.
void ResolveGroups(Model& model, const MaterialLookup& lookup, const int32_t* group_entries,
                   const int32_t* entry_index, int32_t entries) {
    if (!model.groups) return;
    const bool by_entry = group_entries && entry_index;
    for (int32_t g = 0; g < model.group_count; ++g) {
        Group& group = model.groups[g];
        int32_t e = by_entry ? group_entries[g] : -1;
        if (by_entry && e < 0) e = 0;  // no face: the empty name, as the group's name says
        bool known = e >= 0 && e < entries && model.material_names[e].name == group.material_name;
        group.material_index = known ? entry_index[e] : lookup.Find(model.Name(group.material_name));
    }
}

// Every face's material index from its entry's.
void ResolveFaces(Model& model, const MaterialLookup& lookup, const int32_t* entry_index, int32_t entries) {
    if (!model.groups) return;
    // When every Group's faces lie in the face pool, as they do in a model
    // read from a file, the faces are resolved in one sweep over the pool
    // rather than Group by Group. The pool's only other records are the
    // spare ones of Groups without faces, which no Group counts.
    bool all_in_pool = model.face_pool != nullptr;
    for (int32_t g = 0; g < model.group_count && all_in_pool; ++g)
        all_in_pool = !model.groups[g].faces || model.InFacePool(model.groups[g].faces);
    auto resolve = [&](Face& face) {
        int32_t e = face.material_name;
        bool known = entry_index && e >= 0 && e < entries;
        face.material_index = known ? entry_index[e] : lookup.Find(model.FaceMaterialName(face));
    };
    if (all_in_pool) {
        for (int64_t f = 0; f < model.face_pool_size; ++f) resolve(model.face_pool[f]);
        return;
    }
    for (int32_t g = 0; g < model.group_count; ++g) {
        Group& group = model.groups[g];
        if (!group.faces) continue;
        for (int32_t f = 0; f < group.face_count; ++f) resolve(group.faces[f]);
    }
}

}  // namespace

int32_t ObjReader::CountMaterials() {
    char line[kMtlLineCapacity];
    while (ReadLine(line, kMtlLineCapacity)) {
        const char* word;
        const char* word_end;
        FirstToken(line, word, word_end);
        if (SameWordIgnoringCase(word, word_end, "newmtl") && model.material_count < INT32_MAX) ++model.material_count;
    }
    return 1;
}

namespace {

// The statements of the block being read, gathered line by line before
// they are kept in the name pool: a block's text can't be longer than the
// library's lines with "\r\n" ends, so the scratch holds every block.
struct StatementText {
    ScopedBlock<char> text;
    size_t length = 0;
    int32_t material = -1;  // the material they belong to; -1 before the first

    explicit StatementText(uint32_t library_size)
        : text(static_cast<char*>(AllocateUnclearedBlock(2 * size_t(library_size) + 2))) {}

    // A line [line, end) without its line end, when it is a statement.
    void Add(const char* line, const char* end) {
        while (line < end && (*line == ' ' || *line == '\t')) ++line;
        while (end > line && (end[-1] == '\r' || end[-1] == '\n')) --end;
        if (line == end || *line == '#' || material < 0) return;
        std::memcpy(text.Get() + length, line, static_cast<size_t>(end - line));
        length += static_cast<size_t>(end - line);
        std::memcpy(text.Get() + length, "\r\n", 2);
        length += 2;
    }

    // The gathered statements to their material; false when memory ran out.
    bool Keep(Model& model) {
        if (material < 0) return true;
        Material& owner = model.materials[material];
        owner.has_statements = 1;
        size_t kept = length;
        length = 0;
        owner.statements_length = static_cast<uint32_t>(kept);
        return model.KeepBytes(text.Get(), kept, owner.statements) == 1;
    }
};

// A line as ReadLine takes it into a buffer of kMtlLineCapacity: cut to
// the capacity, then leading blanks and tabs removed.
void CopyLine(const char* line, const char* end, char (&buffer)[kMtlLineCapacity]) {
    size_t length = static_cast<size_t>(end - line);
    if (length > size_t(kMtlLineCapacity - 1)) length = kMtlLineCapacity - 1;
    std::memcpy(buffer, line, length);
    buffer[length] = '\0';
    size_t skip = 0;
    while (IsBlankOrTab(buffer[skip])) ++skip;
    if (skip > 0) std::memmove(buffer, buffer + skip, length - skip + 1);
}

}  // namespace

int32_t ObjReader::FillMaterials() {
    Material* materials = model.materials;
    StatementText statements(text.size);
    if (!statements.text.Get()) return 0;
    LineScanner scanner(text.data, text.size);
    const char* raw;
    const char* raw_end;
    char line[kMtlLineCapacity];
    while (scanner.NextRaw(raw, raw_end)) {
        CopyLine(raw, raw_end, line);
        const char* word;
        const char* word_end;
        FirstToken(line, word, word_end);
        MtlKeyword keyword = word == word_end ? MtlKeyword::kOther : Classify(word, word_end);
        if (keyword != MtlKeyword::kNewmtl) {
            statements.Add(raw, raw_end);
            if (word == word_end || keyword == MtlKeyword::kOther || keyword == MtlKeyword::kMapKa ||
                keyword == MtlKeyword::kMapRefl)
                continue;
            if (materials && !TakeMaterialLine(model, keyword, line, materials[material_fill > 0 ? material_fill - 1 : 0]))
                return 0;
            continue;
        }
        const char* name;
        const char* name_end;
        NewmtlName(line, name, name_end);
        if (!statements.Keep(model)) return 0;
        if (materials && material_fill >= 0 && material_fill < model.material_count) {
            if (!model.KeepName(name, static_cast<size_t>(name_end - name), kMaterialNameCapacity,
                                materials[material_fill].name))
                return 0;
            statements.material = material_fill++;
        } else {
            statements.material = -1;
        }
    }
    text.read_pos = text.size;
    return statements.Keep(model) ? 1 : 0;
}

int32_t ObjReader::ReadMaterialLibrary() {
    ReleaseBlock(model.materials);
    model.materials = nullptr;
    model.material_count = 0;
    material_fill = 0;
    text.read_pos = 0;
    CountMaterials();
    if (model.material_count == 0) return 0;

    model.materials = MakeMaterialTable(model.material_count);
    if (!model.materials) {
        model.material_count = 0;
        return 0;
    }
    material_fill = 0;
    text.read_pos = 0;
    // A name that can't be kept leaves the library unread, as a table that
    // can't be had does.
    if (!FillMaterials()) {
        ReleaseBlock(model.materials);
        model.materials = nullptr;
        model.material_count = material_fill = 0;
        return 0;
    }
    MaterialLookup lookup;
    lookup.Create(model);  // without its index, lookups fall back to FindMaterial
    int32_t entries = 0;
    ScopedBlock<int32_t> entry_index(ResolveEntries(model, lookup, entries));
    ResolveGroups(model, lookup, group_entries, entry_index.Get(), entries);
    ResolveFaces(model, lookup, entry_index.Get(), entries);
    return 1;
}
