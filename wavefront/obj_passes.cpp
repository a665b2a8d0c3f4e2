// The values pass of the OBJ reader (the survey before it:
// wavefront/obj_survey.cpp). A large file's pass may be cut in two at a
// line the survey chose: the loading thread walks up to it while a helper
// walks the rest through a reader of its own, each with its own cursors,
// and the second part's cursors are then joined to the model's.
//
// Every pass walks the file's text, a window at a time, with the zero-copy
// line scanner, which yields exactly the lines ReadLine would give; the line
// buffer sized by the longest line guarantees that ReadLine would never cut
// one.
#include <cstring>

#include "platform/block.h"
#include "model/model.h"
#include "platform/text.h"
#include "platform/reasons.h"
#include "wavefront/face_names.h"
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

// A corner number of the file made a 0-based index: n > 0 counts from the
// start, n < 0 back from the element before the face line (`fill` elements
// read so far); anything outside the table becomes `outside`.
inline int32_t CornerIndex(int32_t number, int32_t fill, int32_t count, int32_t outside = 0) {
    int64_t index = number < 0 ? int64_t(fill) + number : int64_t(number) - 1;
    return (index < 0 || index >= count) ? outside : static_cast<int32_t>(index);
}

// A texture coordinate or normal the corner gives none of, or one outside
// its table, is kept as -1 (kNoIndex) and written as none: written as index 1
// it would name a value the file never gave that corner. The number 0 is
// what a corner without one reads as.
inline int32_t OptionalCornerIndex(int32_t number, int32_t fill, int32_t count) {
    return CornerIndex(number, fill, count, kNoIndex);
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
// a vertex no form gives stays 1, a texture coordinate or normal 0 (none).
inline void ReadCorner(const char* p, const char* end, int32_t& v, int32_t& t, int32_t& n) {
    v = 1;
    t = n = 0;
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
    t = n = 0;
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


// What a walk of the values pass carries from line to line besides its
// reader's fill cursors, and where it keeps what it finds: the model itself
// for the loading thread's walk, the cut for a helper's second part.
struct FillState {
    const NameIndex* materials = nullptr;  // the survey's face material names
    int32_t current_entry = 0;
    // The survey's `o` and `s` texts, and the entries of the last lines of
    // each (Model::objects, Model::smoothing_groups).
    const NameIndex* objects = nullptr;
    const NameIndex* smoothings = nullptr;
    int32_t current_object = 0;
    int32_t current_smoothing = 0;
    // The material entry of each group's last face read; -1 for none.
    int32_t* group_entry = nullptr;
    // Per group, the faces stored so far; null: the groups' own face_fill.
    int32_t* face_fills = nullptr;
    int64_t* corner_fill = nullptr;  // as Model::corner_pool_fill
    // The group of every `g` line, as the survey found them, and the next one.
    const int32_t* group_line_ordinals = nullptr;
    int32_t group_line_count = 0;
    int32_t group_line = 0;
    char* mtllib_name = nullptr;  // kPathCapacity bytes
    int32_t* has_mtllib = nullptr;
    // Without face records or a corner pool (a load that keeps positions
    // only) the group and material a face line would take are of no use.
    bool stores_faces = false;
    // 0 once a usemtl line names a material the survey didn't meet: the
    // file changed between the passes.
    bool same_names = true;

    int32_t& FaceFill(Group& group, int32_t g) const { return face_fills ? face_fills[g] : group.face_fill; }
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

// A v line: its position, and its colour when the model keeps colours.
inline void StoreVertex(ObjReader& reader, const char* after, const char* end) {
    Model& model = reader.model;
    if (!model.colours) {
        StorePoint(model.vertices, reader.vertex_fill, model.vertex_count, after, end);
        return;
    }
    if (!model.vertices || reader.vertex_fill >= model.vertex_count) return;
    // A line without a colour keeps NoColour(); one with part of it, the
    // white of the channels it lacks.
    const VertexColour none = NoColour();
    float values[6] = {0.0f, 0.0f, 0.0f, none.r, 1.0f, 1.0f};
    ReadFloats(after, end, values, 6);
    Vertex& vertex = model.vertices[reader.vertex_fill];
    vertex.x = values[0];
    vertex.y = values[1];
    vertex.z = values[2];
    model.colours[reader.vertex_fill++] = HasColour({values[3], 0, 0}) ? VertexColour{values[3], values[4], values[5]} : none;
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

// A usemtl line: the material the faces after it take, as the survey
// entered it. False for a name the survey never met.
inline bool TakeMaterial(ObjReader& reader, FillState& state, const char* line, const char* end) {
    if (!state.stores_faces) return true;
    char name[kMaterialNameCapacity];
    size_t length = UsemtlName(line, end, name);
    state.current_entry = 0;
    if (length == 0) return true;
    const NameSlot* slot = state.materials->Find(reader.model, name, length, NameHash(name, length));
    state.current_entry = static_cast<int32_t>(slot->entry);
    return state.same_names = slot->entry != 0;
}

// An `o` or `s` line: the object or smoothing group the faces after it
// take, as the survey entered it. False for a text the survey never met.
inline bool TakeFaceName(const ObjReader& reader, FillState& state, ObjKeyword keyword, const char* line,
                         const char* end) {
    if (!state.stores_faces) return true;
    const bool object = keyword == ObjKeyword::kO;
    int32_t entry = FindFaceName(reader.model, *(object ? state.objects : state.smoothings), line, end);
    (object ? state.current_object : state.current_smoothing) = entry < 0 ? 0 : entry;
    return state.same_names = entry >= 0;
}

// The place in the group list of the group of the survey's `line`th `g` line.
inline int32_t GroupLinePosition(const ObjReader& reader, const FillState& state, int32_t line) {
    return reader.model.group_names.count - 1 - state.group_line_ordinals[line];
}

// With many groups, a `g` line's group record, the next face record of that
// group and its material entry are fetched a line or two ahead, as the
// record of a line two ahead says which.
inline void PrefetchGroupLine(const ObjReader& reader, const FillState& state, int32_t next) {
    Model& model = reader.model;
    if (next + 1 < state.group_line_count) {
        int32_t k = GroupLinePosition(reader, state, next + 1);
        if (k >= 0 && k < model.group_count) __builtin_prefetch(&model.groups[k]);
    }
    if (next < state.group_line_count) {
        int32_t k = GroupLinePosition(reader, state, next);
        if (k < 0 || k >= model.group_count) return;
        Group& group = model.groups[k];
        int32_t fill = state.FaceFill(group, k);
        if (group.faces && fill < group.face_count) __builtin_prefetch(&group.faces[fill], 1);
        __builtin_prefetch(&state.group_entry[k], 1);
    }
}

// A `g` line: the group the faces after it go to, as the survey found it
// when it did. False for a group the list doesn't hold.
inline bool TakeGroupLine(ObjReader& reader, FillState& state, const char* line, const char* end) {
    if (!state.stores_faces) return true;
    const Model& model = reader.model;
    int32_t k;
    if (state.group_line < state.group_line_count) {
        k = GroupLinePosition(reader, state, state.group_line);
        PrefetchGroupLine(reader, state, state.group_line + 1);
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

// The corner token at or after `p`, read into v, t and n; returns where it ends.
inline const char* ReadNextCorner(const char* p, const char* end, int32_t& v, int32_t& t, int32_t& n) {
    while (p < end && IsCornerSeparator(*p)) ++p;
    const char* token = p;
    while (p < end && !IsCornerSeparator(*p)) ++p;
    ReadCorner(token, p, v, t, n);
    return p;
}

// The vertex list of a face line of a load that keeps no face records.
inline void StoreVertexList(const ObjReader& reader, int32_t* vertex_list, const QuickCorners* quick, const char* p,
                            const char* end, int64_t corners) {
    const int32_t count = reader.model.vertex_count;
    if (quick) {
        for (int64_t i = 0; i < corners; ++i) vertex_list[i] = CornerIndex(quick->v[i], reader.vertex_fill, count);
        return;
    }
    for (int64_t i = 0; i < corners; ++i) {
        int32_t v, t, n;
        p = ReadNextCorner(p, end, v, t, n);
        vertex_list[i] = CornerIndex(v, reader.vertex_fill, count);
    }
}

// An f line: the next face record of the selected group and its corner
// lists, when both have room; without face records, its vertex list alone.
inline void StoreFace(ObjReader& reader, FillState& state, const char* line, const char* after, const char* end) {
    Model& model = reader.model;
    if (end - line < 3 || !model.groups) return;
    int32_t g = SelectedGroup(reader);
    Group& group = model.groups[g];
    int32_t& face_fill = state.FaceFill(group, g);
    // No corner pool: a load that keeps positions only.
    if (!model.corner_pool || face_fill >= group.face_count) return;
    const char* p = after;
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    QuickCorners quick;
    bool is_quick = ReadQuickCorners(p, end, quick);
    int64_t corners = is_quick ? quick.count : CountCornerTokens(p, end);
    if (corners == 0) return;
    int64_t& corner_fill = *state.corner_fill;
    // A pool without face records holds a third of the entries.
    const int64_t room = group.faces ? model.corner_pool_size : 3 * model.corner_pool_size;
    if (corner_fill + 3 * corners > room) return;

    state.group_entry[g] = state.current_entry;
    if (!group.faces) {
        StoreVertexList(reader, model.corner_pool + corner_fill / 3, is_quick ? &quick : nullptr, p, end, corners);
        corner_fill += 3 * corners;
        ++face_fill;
        return;
    }
    Face& face = group.faces[face_fill];
    face.material_name = state.current_entry;
    face.material_index = -1;
    face.group_name_index = g;
    face.object = state.current_object;
    face.smoothing = state.current_smoothing;
    face.corner_count = static_cast<int32_t>(corners);
    // The pool holds all vertex lists, then all texture coordinate lists,
    // then all normal lists, so a walk over the vertex indices alone reads
    // a third of it.
    const int64_t section = model.corner_pool_size / 3;
    int32_t* vertex_list = model.corner_pool + corner_fill / 3;
    int32_t* texcoord_list = vertex_list + section;
    int32_t* normal_list = texcoord_list + section;
    corner_fill += 3 * corners;
    face.vertex_indices = vertex_list;
    face.texcoord_indices = texcoord_list;
    face.normal_indices = normal_list;

    if (is_quick) {
        for (int64_t i = 0; i < corners; ++i) {
            vertex_list[i] = CornerIndex(quick.v[i], reader.vertex_fill, model.vertex_count);
            texcoord_list[i] = OptionalCornerIndex(quick.t[i], reader.texcoord_fill, model.texcoord_count);
            normal_list[i] = OptionalCornerIndex(quick.n[i], reader.normal_fill, model.normal_count);
        }
        ++face_fill;
        return;
    }
    for (int64_t i = 0; i < corners; ++i) {
        int32_t v, t, n;
        p = ReadNextCorner(p, end, v, t, n);
        vertex_list[i] = CornerIndex(v, reader.vertex_fill, model.vertex_count);
        texcoord_list[i] = OptionalCornerIndex(t, reader.texcoord_fill, model.texcoord_count);
        normal_list[i] = OptionalCornerIndex(n, reader.normal_fill, model.normal_count);
    }
    ++face_fill;
}

// An l line: the next polyline record and its lists, when both have room.
// A corner that names no vertex (0, past the end, or no number) is dropped
// and counted, as is a line left with fewer than two: a line drawn to
// vertex 1 instead would be an edge the file never had.
inline void StorePolyline(ObjReader& reader, const FillState& state, const char* after, const char* end) {
    Model& model = reader.model;
    if (!model.polylines || reader.polyline_fill >= model.polyline_count) return;
    const int64_t corners = CountCornerTokens(after, end);
    if (reader.polyline_corner_fill + 2 * corners > model.polyline_pool_size) return;
    int32_t* vertices = model.polyline_pool + reader.polyline_corner_fill;
    int32_t* texcoords = vertices + corners;
    int32_t kept = 0;
    const char* p = after;
    for (int64_t i = 0; i < corners; ++i) {
        while (p < end && IsCornerSeparator(*p)) ++p;
        int32_t number = 0;
        const bool readable = ScanInt(p, end, &number) != nullptr;
        int32_t v, t, n;
        p = ReadNextCorner(p, end, v, t, n);
        const int32_t vertex = CornerIndex(number, reader.vertex_fill, model.vertex_count, kNoIndex);
        if (!readable || vertex == kNoIndex) continue;
        vertices[kept] = vertex;
        texcoords[kept++] = OptionalCornerIndex(t, reader.texcoord_fill, model.texcoord_count);
    }
    if (kept < corners && kept < 2) {
        model.dropped_line_corners += static_cast<int32_t>(corners);  // the line goes as a whole
        return;
    }
    model.dropped_line_corners += static_cast<int32_t>(corners - kept);
    LineElement& line = model.polylines[reader.polyline_fill++];
    line.corner_count = kept;
    line.group_name_index = SelectedGroup(reader);
    line.object = state.current_object;
    line.vertex_indices = vertices;
    line.texcoord_indices = vertices + kept;
    // The texture coordinates follow the vertices they were read beside.
    if (kept < corners) std::memmove(vertices + kept, texcoords, sizeof(int32_t) * size_t(kept));
    reader.polyline_corner_fill += 2 * kept;
}

inline void TakeLibraryLine(FillState& state, const char* line, const char* end) {
    const char* value;
    const char* value_end;
    TakeLibraryName(line, end, value, value_end);
    CopyText(state.mtllib_name, kPathCapacity, value, static_cast<size_t>(value_end - value));
    *state.has_mtllib = 1;
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
        const ObjKeyword keyword = ClassifyKeyword(line, end, after);
        switch (keyword) {
            case ObjKeyword::kV: StoreVertex(reader, after, end); break;
            case ObjKeyword::kVt: StoreTexCoord(reader, after, end); break;
            case ObjKeyword::kVn: StorePoint(model.normals, reader.normal_fill, model.normal_count, after, end); break;
            case ObjKeyword::kMtllib: TakeLibraryLine(state, line, end); break;
            case ObjKeyword::kUsemtl: taken = TakeMaterial(reader, state, line, end); break;
            case ObjKeyword::kG: taken = TakeGroupLine(reader, state, line, end); break;
            case ObjKeyword::kO:
            case ObjKeyword::kS: taken = TakeFaceName(reader, state, keyword, line, end); break;
            case ObjKeyword::kF: StoreFace(reader, state, line, after, end); break;
            case ObjKeyword::kL: StorePolyline(reader, state, after, end); break;
            default: break;
        }
        if (!taken) return 0;
    }
    return 1;
}

// The windows from the scanner's on, up to the file offset `stop`; 0 at the
// first line that can't be taken or window that can't be read.
int32_t ReadWindows(ObjReader& reader, FillState& state, LineScanner& scanner, uint32_t stop) {
    int32_t more;
    do {
        if (!ReadWindowLines(reader, state, scanner, stop)) return 0;
        if (reader.WindowStart() + scanner.Offset() >= stop) return 1;
    } while ((more = reader.NextWindow(scanner)) == 1);
    return more == 0 ? 1 : 0;
}

// The loading thread's walk: the whole file, or up to the cut when a
// helper was offered the rest.
int32_t ReadValueLines(ObjReader& reader, FillState& state) {
    const Model& model = reader.model;
    // With nothing but the vertex table to fill, the pass ends after the
    // last line that fills it or names the library.
    const bool positions_only = !model.texcoords && !model.normals && !state.stores_faces;
    uint32_t stop = positions_only ? reader.positions_end : UINT32_MAX;
    if (reader.cut_offered) stop = reader.cut.offset;
    LineScanner scanner(nullptr, 0);
    return reader.FirstWindow(scanner) && ReadWindows(reader, state, scanner, stop);
}

// The state the loading thread's walk starts with.
FillState FirstPartState(ObjReader& reader) {
    FillState state;
    Model& model = reader.model;
    state.materials = &reader.material_index;
    state.objects = &reader.object_index;
    state.smoothings = &reader.smoothing_index;
    state.group_entry = reader.group_entries;
    state.corner_fill = &model.corner_pool_fill;
    state.group_line_ordinals = reader.group_line_ordinals;
    state.group_line_count = reader.group_line_count;
    state.mtllib_name = model.mtllib_name;
    state.has_mtllib = &model.has_mtllib;
    state.stores_faces = model.corner_pool || (model.groups && model.groups[0].faces);
    return state;
}

// The second part of a cut pass, once the first is read: what its walk
// stored beside the model's own, as if one walk had read both. Its fill
// cursors must meet the cut where the first part ended, or the file was
// not the one surveyed. 1, or 0 with the reason.
int32_t JoinSecondPart(ObjReader& reader) {
    Model& model = reader.model;
    ValuesCut& cut = reader.cut;
    if (!cut.result) {
        model.load_error = cut.error;
        return 0;
    }
    // A table the load does not keep is never filled.
    bool met = reader.vertex_fill == cut.vertex_fill &&
               (!model.texcoords || reader.texcoord_fill == cut.texcoord_fill) &&
               (!model.normals || reader.normal_fill == cut.normal_fill);
    for (int32_t g = 0; g < model.group_count; ++g) {
        model.groups[g].face_fill = cut.face_fills[g];
        if (cut.group_entries[g] >= 0) reader.group_entries[g] = cut.group_entries[g];
    }
    model.corner_pool_fill = cut.corner_fill;
    if (cut.has_mtllib) {
        CopyText(model.mtllib_name, cut.mtllib_name);
        model.has_mtllib = 1;
    }
    if (!met) model.load_error = kReasonFileChanged;
    return met ? 1 : 0;
}

// Once the loading thread's walk is over (`result`): the second part read
// here when no helper took it, or dropped after a failure; the result of both.
int32_t SettleSecondPart(ObjReader& reader, int32_t result) {
    if (!reader.cut_offered) return result;
    reader.help->Settle(result == 1);
    reader.cut_offered = 0;
    return result && JoinSecondPart(reader);
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

void ReadSecondPart(void* context) {
    ObjReader& owner = *static_cast<ObjReader*>(context);
    ValuesCut& cut = owner.cut;
    Model& model = owner.model;
    ObjReader part(model, cut.error);
    part.window_bytes = owner.window_bytes;
    part.vertex_fill = cut.vertex_fill;
    part.texcoord_fill = cut.texcoord_fill;
    part.normal_fill = cut.normal_fill;
    part.current_group = cut.current_group;
    FillState state;
    state.materials = &owner.material_index;
    state.objects = &owner.object_index;
    state.smoothings = &owner.smoothing_index;
    state.current_entry = cut.material_entry;
    state.current_object = cut.object_entry;
    state.current_smoothing = cut.smoothing_entry;
    state.group_entry = cut.group_entries;
    state.face_fills = cut.face_fills;
    state.corner_fill = &cut.corner_fill;
    state.group_line_ordinals = owner.group_line_ordinals;
    state.group_line_count = owner.group_line_count;
    state.group_line = cut.group_line;
    state.mtllib_name = cut.mtllib_name;
    state.has_mtllib = &cut.has_mtllib;
    state.stores_faces = true;
    LineScanner scanner(nullptr, 0);
    int32_t read = part.OpenTextAt(model.obj_path, owner.file.size, cut.offset, scanner) &&
                   ReadWindows(part, state, scanner, UINT32_MAX);
    if (!state.same_names) cut.error = kReasonFileChanged;
    if (read && !FileImageIntact(part.text)) cut.error = kReasonFileShrank;
    if (cut.error) read = 0;
    cut.result = read;
}

int32_t ObjReader::FillElements() {
    if (!line_buffer) return 0;
    if (!model.material_names || !material_index.HasSlots()) return 0;
    ReleaseBlock(group_entries);
    group_entries = AllocateTable<int32_t>(static_cast<size_t>(model.group_count));
    if (!group_entries) return 0;
    for (int32_t g = 0; g < model.group_count; ++g) group_entries[g] = -1;
    FillState state = FirstPartState(*this);
    // Each face stored takes the next vertex list of the pool, so a pool
    // that starts empty ends with every face's list packed at its start.
    const bool packs_vertex_lists = model.corner_pool && model.corner_pool_fill == 0;

    int32_t result = ReadValueLines(*this, state);
    if (!state.same_names) {
        model.load_error = kReasonFileChanged;
        result = 0;
    }
    result = SettleSecondPart(*this, result);
    NameGroups(model, group_entries);
    ReleaseBlock(group_line_ordinals);
    group_line_ordinals = nullptr;
    group_line_count = 0;
    text.read_pos = text.size;
    model.vertex_lists_packed = result && packs_vertex_lists ? 1 : 0;
    // Lines dropped whole leave records never filled.
    if (model.polylines && polyline_fill < model.polyline_count) model.polyline_count = polyline_fill;
    return result;
}
