// The passes of the OBJ reader: group names and counts in one walk, then
// the values.
//
// Every pass walks the file's text, a window at a time, with the zero-copy
// line scanner, which yields exactly the lines ReadLine would give; the line
// buffer sized by the longest line guarantees that ReadLine would never cut
// one.
#include <cstring>

#include "platform/block.h"
#include "model/model.h"
#include "model/text.h"
#include "platform/reasons.h"
#include "wavefront/group_lines.h"
#include "wavefront/line_scan.h"
#include "wavefront/number_text.h"
#include "wavefront/obj_lines.h"
#include "wavefront/obj_passes.h"
#include "wavefront/obj_reader.h"

namespace {

int32_t SelectedGroup(const ObjReader& reader) {
    return reader.current_group > 0 ? reader.current_group - 1 : 0;
}

// Doubles the face material name table.
bool GrowMaterialNames(Model& model) {
    int64_t count = int64_t(model.material_name_count) * 2;
    if (count < kFirstMaterialNames) count = kFirstMaterialNames;
    if (count > INT32_MAX) count = INT32_MAX;
    if (count <= model.material_name_fill) return false;
    MaterialNameEntry* names = AllocateTable<MaterialNameEntry>(static_cast<size_t>(count));
    if (!names) return false;
    if (model.material_names)
        std::memcpy(names, model.material_names, sizeof(MaterialNameEntry) * static_cast<size_t>(model.material_name_fill));
    ReleaseBlock(model.material_names);
    model.material_names = names;
    model.material_name_count = static_cast<int32_t>(count);
    return true;
}

// The interned face material names of one load: a small open-addressing
// index over Model::material_names, entry 0 being the empty name. It grows
// with the distinct names, not with the usemtl lines, so that a file that
// names a few materials many times keeps its index in the cache.
struct MaterialNameIndex {
    NameIndex index;

    ~MaterialNameIndex() { index.Release(); }

    bool Create() { return index.Reserve(32); }

    // The entry holding name (cut to a face name's capacity), added when new;
    // -1 when memory ran out.
    int32_t Intern(Model& model, const char* name, size_t length) {
        if (length > kGroupNameCapacity - 1) length = kGroupNameCapacity - 1;
        if (length == 0) return 0;
        uint32_t hash = NameHash(name, length);
        NameSlot* slot = index.Find(model, name, length, hash);
        if (slot->entry) return static_cast<int32_t>(slot->entry);
        if (model.material_name_fill >= model.material_name_count && !GrowMaterialNames(model)) return -1;
        uint32_t offset;
        if (!model.KeepName(name, length, kGroupNameCapacity, offset)) return -1;
        int32_t entry = model.material_name_fill++;
        model.material_names[entry].name = offset;
        *slot = {offset, static_cast<uint32_t>(entry), hash};
        return index.Reserve(uint64_t(model.material_name_fill)) ? entry : -1;
    }
};

// A corner number of the file made a 0-based index: n > 0 counts from the
// start, n < 0 back from the element before the face line (`fill` elements
// read so far); anything outside the table becomes 0.
inline int32_t CornerIndex(int32_t number, int32_t fill, int32_t count) {
    int64_t index = number < 0 ? int64_t(fill) + number : int64_t(number) - 1;
    return (index < 0 || index >= count) ? 0 : static_cast<int32_t>(index);
}

// Reads the floats of a v, vt or vn line left to right; the first that
// can't be read ends the reading and leaves it and the rest at 0.
inline void ReadFloats(const char* p, const char* end, float* values, int count) {
    for (int i = 0; i < count; ++i) {
        const char* next = ScanFloat(p, end, &values[i]);
        if (!next) return;
        p = next;
    }
}

// One corner token: "%d/%d/%d", then "%d//%d", then "%d/%d", then "%d";
// a value no form gives stays 1.
inline void ReadCorner(const char* p, const char* end, int32_t& v, int32_t& t, int32_t& n) {
    v = t = n = 1;
    const char* q = ScanInt(p, end, &v);
    if (!q || q >= end || *q != '/') return;
    if (q + 1 < end && q[1] == '/') {
        int32_t value;
        if (ScanInt(q + 2, end, &value)) n = value;
        return;
    }
    int32_t second;
    const char* r = ScanInt(q + 1, end, &second);
    if (!r) return;
    t = second;
    if (r < end && *r == '/') {
        int32_t third;
        if (ScanInt(r + 1, end, &third)) n = third;
    }
}

// The common corner tokens "v", "v/t", "v/t/n" and "v//n" with plain digit
// runs of 1 to 9 characters, read straight from the line: returns the
// position after the token, which must end at a separator or at end, with
// exactly the values ReadCorner gives; null for any other token.
inline int32_t PlainDigits(const char*& p, const char* end) {
    if (end - p >= 8) {
        uint64_t word;
        std::memcpy(&word, p, sizeof word);
        constexpr uint64_t kHighNibbles = 0xF0F0F0F0F0F0F0F0ull;
        constexpr uint64_t kZeros = 0x3030303030303030ull;
        constexpr uint64_t kSixes = 0x0606060606060606ull;
        uint64_t other = ((word & kHighNibbles) ^ kZeros) | (((word + kSixes) & kHighNibbles) ^ kZeros);
        int count = other ? __builtin_ctzll(other) >> 3 : 8;
        if (count == 0) return -1;
        if (count < 8) {
            p += count;
            word <<= 8 * (8 - count);
            word = (word & 0x0F0F0F0F0F0F0F0Full) * 2561 >> 8;
            word = (word & 0x00FF00FF00FF00FFull) * 6553601 >> 16;
            return static_cast<int32_t>((word & 0x0000FFFF0000FFFFull) * 42949672960001ull >> 32);
        }
    }
    const char* start = p;
    int32_t value = 0;
    while (p < end && static_cast<unsigned>(*p - '0') <= 9 && p - start < 9) value = value * 10 + (*p++ - '0');
    if (p == start || (p < end && static_cast<unsigned>(*p - '0') <= 9)) return -1;  // none, or a tenth digit
    return value;
}

inline const char* ReadPlainCorner(const char* p, const char* end, int32_t& v, int32_t& t, int32_t& n) {
    t = n = 1;
    if ((v = PlainDigits(p, end)) < 0) return nullptr;
    if (p < end && *p == '/') {
        ++p;
        if (p < end && *p == '/') {
            ++p;
            if ((n = PlainDigits(p, end)) < 0) return nullptr;
        } else {
            if ((t = PlainDigits(p, end)) < 0) return nullptr;
            if (p < end && *p == '/') {
                ++p;
                if ((n = PlainDigits(p, end)) < 0) return nullptr;
            }
        }
    }
    if (p < end && !IsCornerSeparator(*p)) return nullptr;
    return p;
}

// Up to kQuickCorners plain corner tokens of a face line, split exactly as
// CountCornerTokens counts them. False when the line has more tokens or any
// token of another form; the caller then takes the general road.
constexpr int kQuickCorners = 16;
struct QuickCorners {
    int32_t v[kQuickCorners], t[kQuickCorners], n[kQuickCorners];
    int64_t count;
};

inline bool ReadQuickCorners(const char* p, const char* end, QuickCorners& corners) {
    int64_t count = 0;
    for (;;) {
        while (p < end && IsCornerSeparator(*p)) ++p;
        if (p == end) break;
        if (count == kQuickCorners) return false;
        p = ReadPlainCorner(p, end, corners.v[count], corners.t[count], corners.n[count]);
        if (!p) return false;
        ++count;
    }
    corners.count = count;
    return true;
}

// The counts of pass 2 that don't depend on the groups.
struct ElementTally {
    int64_t vertices = 0, texcoords = 0, normals = 0, corners = 0, usemtl_lines = 0;

    // Counts one line; true for a face line.
    bool Count(ObjKeyword keyword, const char* line, const char* after, const char* end) {
        switch (keyword) {
            case ObjKeyword::kV: ++vertices; return false;
            case ObjKeyword::kVt: ++texcoords; return false;
            case ObjKeyword::kVn: ++normals; return false;
            case ObjKeyword::kUsemtl: ++usemtl_lines; return false;
            case ObjKeyword::kF:
                if (end - line >= 3) corners += CountCornerTokens(after, end);
                return true;
            default: return false;
        }
    }

    // Hands the counts to the model; 0 when one outgrows its field.
    int32_t Store(Model& model) const {
        if (vertices > INT32_MAX || texcoords > INT32_MAX || normals > INT32_MAX) return 0;
        if (usemtl_lines >= INT32_MAX) return 0;
        model.vertex_count = static_cast<int32_t>(vertices);
        model.texcoord_count = static_cast<int32_t>(texcoords);
        model.normal_count = static_cast<int32_t>(normals);
        model.corner_pool_size = corners * 3;
        model.material_name_count = static_cast<int32_t>(usemtl_lines + 1);
        return 1;
    }
};

}  // namespace

int32_t SurveyObjText(ObjReader& reader) {
    Model& model = reader.model;
    reader.current_group = reader.vertex_fill = reader.texcoord_fill = 0;
    reader.text.read_pos = 0;
    reader.positions_end = 0;
    ElementTally tally;
    GroupLineTally group_lines;
    uint32_t longest = 0;
    LineScanner scanner(nullptr, 0);
    if (!reader.FirstWindow(scanner)) return 0;
    int32_t more;
    do {
        const char* line;
        const char* end;
        while (scanner.NextRaw(line, end)) {
            uint32_t length = static_cast<uint32_t>(end - line);
            if (length > longest) longest = length;
            while (line < end && (*line == ' ' || *line == '\t')) ++line;
            const char* after;
            ObjKeyword keyword = ClassifyKeyword(line, end, after);
            if (keyword == ObjKeyword::kG) {
                if (!group_lines.AddLine(reader, line, end)) return 0;
            } else if (tally.Count(keyword, line, after, end)) {
                group_lines.AddFace();
            } else if (keyword == ObjKeyword::kV || keyword == ObjKeyword::kMtllib) {
                reader.positions_end = reader.WindowStart() + scanner.Offset();
            }
        }
    } while ((more = reader.NextWindow(scanner)) == 1);
    if (more < 0 || !group_lines.Finish(reader)) return 0;
    reader.text.read_pos = reader.text.size;

    int32_t names = model.group_count;
    if (model.group_count == 0) model.group_count = 1;
    reader.line_buffer_size = LineBufferSize(longest);
    if (reader.line_buffer_size == 0) {
        model.load_error = kReasonLongLine;
        return 0;
    }
    if (!reader.AllocateLineBuffer() || !reader.line_buffer) return 0;
    model.groups = AllocateTable<Group>(static_cast<size_t>(model.group_count));
    if (!model.groups) return 0;
    for (int32_t k = 0; k < model.group_count; ++k) {
        // Place k in the list holds the name seen (names - 1 - k)th; the
        // faces before the first `g` line go to the group of the newest name.
        int64_t count = k < names ? group_lines.face_counts[names - 1 - k] : 0;
        if (k == 0) count += group_lines.faces_before_names;
        if (count > INT32_MAX) return 0;
        Group& group = model.groups[k];
        group.face_count = static_cast<int32_t>(count);
        group.material_index = -1;
    }
    return tally.Store(model);
}

namespace {

// What the value pass carries from line to line besides the reader's fill
// cursors.
struct FillState {
    MaterialNameIndex material_index_of;
    int32_t current_entry = 0;
    // The material entry of each group's last face read; -1 for none.
    int32_t* group_entry = nullptr;
    // The next `g` line, counted from the start of the file.
    int32_t group_line = 0;
    // Without face tables (a load that keeps positions only) the group and
    // material a face line would take are of no use.
    bool stores_faces = false;
};

// The values of a v or vn line into the next record of its table, when the
// table has room.
template <typename Point>
inline void StorePoint(Point* table, int32_t& fill, int32_t count, const char* after, const char* end) {
    if (!table || fill >= count) return;
    float values[3] = {0.0f, 0.0f, 0.0f};
    ReadFloats(after, end, values, 3);
    Point& point = table[fill++];
    point.x = values[0];
    point.y = values[1];
    point.z = values[2];
}

inline void StoreTexCoord(ObjReader& reader, const char* after, const char* end) {
    Model& model = reader.model;
    if (!model.texcoords || reader.texcoord_fill >= model.texcoord_count) return;
    float values[3] = {0.0f, 0.0f, 0.0f};
    ReadFloats(after, end, values, 3);
    TexCoord& texcoord = model.texcoords[reader.texcoord_fill++];
    texcoord.u = values[0];
    texcoord.v = values[1];
}

// A usemtl line: the material the faces after it take. False when memory
// for its name ran out.
inline bool TakeMaterial(ObjReader& reader, FillState& state, const char* line, const char* end) {
    const char* value;
    const char* value_end;
    TakeLibraryName(line, end, value, value_end);
    CopyText(reader.current_material, value, static_cast<size_t>(value_end - value));
    if (!state.stores_faces) return true;
    state.current_entry =
        state.material_index_of.Intern(reader.model, reader.current_material, std::strlen(reader.current_material));
    if (state.current_entry >= 0) return true;
    state.current_entry = 0;
    return false;
}

// The place in the group list of the group of the survey's `line`th `g` line.
inline int32_t GroupLinePosition(const ObjReader& reader, int32_t line) {
    return reader.model.group_names.count - 1 - reader.group_line_ordinals[line];
}

// With many groups, a `g` line's group record, the next face record of that
// group and its material entry are fetched a line or two ahead, as the
// record of a line two ahead says which.
inline void PrefetchGroupLine(const ObjReader& reader, const int32_t* group_entry, int32_t next) {
    const Model& model = reader.model;
    if (next + 1 < reader.group_line_count) {
        int32_t k = GroupLinePosition(reader, next + 1);
        if (k >= 0 && k < model.group_count) __builtin_prefetch(&model.groups[k]);
    }
    if (next < reader.group_line_count) {
        int32_t k = GroupLinePosition(reader, next);
        if (k < 0 || k >= model.group_count) return;
        const Group& group = model.groups[k];
        if (group.faces && group.face_fill < group.face_count) __builtin_prefetch(&group.faces[group.face_fill], 1);
        __builtin_prefetch(&group_entry[k], 1);
    }
}

// A `g` line: the group the faces after it go to, as the survey found it
// when it did. False for a group the list doesn't hold.
inline bool TakeGroupLine(ObjReader& reader, FillState& state, const char* line, const char* end) {
    if (!state.stores_faces) return true;
    const Model& model = reader.model;
    int32_t k;
    if (state.group_line < reader.group_line_count) {
        k = GroupLinePosition(reader, state.group_line);
        PrefetchGroupLine(reader, state.group_entry, state.group_line + 1);
    } else {
        char name[kGroupNameCapacity];
        BuildGroupName(line, end, name);
        k = model.FindGroupName(name);
    }
    ++state.group_line;
    if (k < 0 || k >= model.group_count) return false;
    reader.current_group = k + 1;  // its name is copied once, after the walk
    return true;
}

// An f line: the next face record of the selected group and its corner
// lists, when both have room.
inline void StoreFace(ObjReader& reader, FillState& state, const char* line, const char* after, const char* end) {
    Model& model = reader.model;
    if (end - line < 3 || !model.groups) return;
    int32_t g = SelectedGroup(reader);
    Group& group = model.groups[g];
    // No face table: a load that keeps positions only.
    if (!group.faces || !model.corner_pool || group.face_fill >= group.face_count) return;
    const char* p = after;
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    QuickCorners quick;
    bool is_quick = ReadQuickCorners(p, end, quick);
    int64_t corners = is_quick ? quick.count : CountCornerTokens(p, end);
    if (corners == 0) return;
    if (model.corner_pool_fill + 3 * corners > model.corner_pool_size) return;

    state.group_entry[g] = state.current_entry;
    Face& face = group.faces[group.face_fill];
    face.material_name = state.current_entry;
    face.material_index = -1;
    face.group_name_index = g;
    face.corner_count = static_cast<int32_t>(corners);
    // The pool holds all vertex lists, then all texture coordinate lists,
    // then all normal lists, so a walk over the vertex indices alone reads
    // a third of it.
    const int64_t section = model.corner_pool_size / 3;
    int32_t* vertex_list = model.corner_pool + model.corner_pool_fill / 3;
    int32_t* texcoord_list = vertex_list + section;
    int32_t* normal_list = texcoord_list + section;
    model.corner_pool_fill += 3 * corners;
    face.vertex_indices = vertex_list;
    face.texcoord_indices = texcoord_list;
    face.normal_indices = normal_list;

    if (is_quick) {
        for (int64_t i = 0; i < corners; ++i) {
            vertex_list[i] = CornerIndex(quick.v[i], reader.vertex_fill, model.vertex_count);
            texcoord_list[i] = CornerIndex(quick.t[i], reader.texcoord_fill, model.texcoord_count);
            normal_list[i] = CornerIndex(quick.n[i], reader.normal_fill, model.normal_count);
        }
        ++group.face_fill;
        return;
    }
    for (int64_t i = 0; i < corners; ++i) {
        while (p < end && IsCornerSeparator(*p)) ++p;
        const char* token = p;
        while (p < end && !IsCornerSeparator(*p)) ++p;
        int32_t v, t, n;
        ReadCorner(token, p, v, t, n);
        vertex_list[i] = CornerIndex(v, reader.vertex_fill, model.vertex_count);
        texcoord_list[i] = CornerIndex(t, reader.texcoord_fill, model.texcoord_count);
        normal_list[i] = CornerIndex(n, reader.normal_fill, model.normal_count);
    }
    ++group.face_fill;
}

// The lines one window holds whole, up to the file offset `stop`.
int32_t ReadWindowLines(ObjReader& reader, FillState& state, LineScanner& scanner, uint32_t stop) {
    Model& model = reader.model;
    const uint32_t start = reader.WindowStart();
    const char* line;
    const char* end;
    while (start + scanner.Offset() < stop && scanner.Next(line, end)) {
        const char* after;
        bool taken = true;
        switch (ClassifyKeyword(line, end, after)) {
            case ObjKeyword::kV: StorePoint(model.vertices, reader.vertex_fill, model.vertex_count, after, end); break;
            case ObjKeyword::kVt: StoreTexCoord(reader, after, end); break;
            case ObjKeyword::kVn: StorePoint(model.normals, reader.normal_fill, model.normal_count, after, end); break;
            case ObjKeyword::kMtllib: {
                const char* value;
                const char* value_end;
                TakeLibraryName(line, end, value, value_end);
                CopyText(model.mtllib_name, value, static_cast<size_t>(value_end - value));
                model.has_mtllib = 1;
                break;
            }
            case ObjKeyword::kUsemtl: taken = TakeMaterial(reader, state, line, end); break;
            case ObjKeyword::kG: taken = TakeGroupLine(reader, state, line, end); break;
            case ObjKeyword::kF: StoreFace(reader, state, line, after, end); break;
            default: break;
        }
        if (!taken) return 0;
    }
    return 1;
}

// Walks the file's text once, a window at a time, storing every line's
// values; 0 at the first line that can't be taken or window that can't be read.
int32_t ReadValueLines(ObjReader& reader, FillState& state) {
    const Model& model = reader.model;
    // With nothing but the vertex table to fill, the pass ends after the
    // last line that fills it or names the library.
    const bool positions_only = !model.texcoords && !model.normals && !state.stores_faces;
    const uint32_t stop = positions_only ? reader.positions_end : UINT32_MAX;
    LineScanner scanner(nullptr, 0);
    if (!reader.FirstWindow(scanner)) return 0;
    int32_t more;
    do {
        if (!ReadWindowLines(reader, state, scanner, stop)) return 0;
        if (reader.WindowStart() + scanner.Offset() >= stop) return 1;
    } while ((more = reader.NextWindow(scanner)) == 1);
    return more == 0 ? 1 : 0;
}

// Each named group takes its name, and each group with faces the material
// name of its last face, once here rather than on every g line and every
// change of material: with many groups their records are far apart, and
// writing them line after line would miss the cache each time.
void NameGroups(Model& model, const int32_t* group_entry) {
    for (int32_t k = 0; k < model.group_count && k < model.group_names.count; ++k)
        model.groups[k].name = model.group_names.names[model.group_names.count - 1 - k];
    for (int32_t g = 0; g < model.group_count; ++g) {
        if (group_entry[g] >= 0) model.groups[g].material_name = model.material_names[group_entry[g]].name;
    }
}

}  // namespace

int32_t ObjReader::FillElements() {
    if (!line_buffer) return 0;
    FillState state;
    if (!model.material_names || !state.material_index_of.Create()) return 0;
    if (model.material_name_fill < 1) model.material_name_fill = 1;  // entry 0: the empty name
    ReleaseBlock(group_entries);
    group_entries = AllocateTable<int32_t>(static_cast<size_t>(model.group_count));
    if (!group_entries) return 0;
    for (int32_t g = 0; g < model.group_count; ++g) group_entries[g] = -1;
    state.group_entry = group_entries;
    state.stores_faces = model.groups && model.groups[0].faces;
    // Each face stored takes the next vertex list of the pool, so a pool
    // that starts empty ends with every face's list packed at its start.
    const bool packs_vertex_lists = model.corner_pool && model.corner_pool_fill == 0;

    const int32_t result = ReadValueLines(*this, state);
    NameGroups(model, group_entries);
    ReleaseBlock(group_line_ordinals);
    group_line_ordinals = nullptr;
    group_line_count = 0;
    text.read_pos = text.size;
    model.vertex_lists_packed = result && packs_vertex_lists ? 1 : 0;
    return result;
}
