// The survey: one walk over the OBJ text for the group names, the longest
// line, the counts, the face material names and, for a file a helper may
// read half of, the state of the values pass where that half starts.
#include <cstring>

#include "platform/block.h"
#include "model/model.h"
#include "platform/text.h"
#include "platform/reasons.h"
#include "wavefront/face_names.h"
#include "wavefront/group_lines.h"
#include "wavefront/line_scan.h"
#include "wavefront/obj_lines.h"
#include "wavefront/obj_passes.h"
#include "wavefront/obj_reader.h"

namespace {

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

// The entry of a usemtl line's face material name in Model::material_names,
// added when new (ObjReader::material_index finds it): -1 when memory ran
// out. The index grows with the distinct names, not with the usemtl lines,
// so that a file that names a few materials many times keeps it in the cache.
int32_t InternMaterial(ObjReader& reader, const char* line, const char* end) {
    Model& model = reader.model;
    char name[kMaterialNameCapacity];
    size_t length = UsemtlName(line, end, name);
    if (length == 0) return 0;
    uint32_t hash = NameHash(name, length);
    NameSlot* slot = reader.material_index.Find(model, name, length, hash);
    if (slot->entry) return static_cast<int32_t>(slot->entry);
    if (model.material_name_fill >= model.material_name_count && !GrowMaterialNames(model)) return -1;
    uint32_t offset;
    if (!model.KeepName(name, length, kGroupNameCapacity, offset)) return -1;
    int32_t entry = model.material_name_fill++;
    model.material_names[entry].name = offset;
    *slot = {offset, static_cast<uint32_t>(entry), hash};
    return reader.material_index.Reserve(uint64_t(model.material_name_fill)) ? entry : -1;
}

// The face material name table with entry 0, the empty name, and its index.
bool MakeMaterialNames(ObjReader& reader) {
    Model& model = reader.model;
    model.material_name_count = kFirstMaterialNames;
    model.material_names = AllocateTable<MaterialNameEntry>(kFirstMaterialNames);
    model.material_name_fill = 1;
    reader.material_index.Release();
    return model.material_names && reader.material_index.Reserve(32);
}

// The counts of pass 2 that don't depend on the groups.
struct ElementTally {
    int64_t vertices = 0, texcoords = 0, normals = 0, corners = 0;
    int64_t polylines = 0, polyline_corners = 0;
    // Face lines the values pass stores no record for: too short, or
    // without a corner.
    int64_t bare_faces = 0;

    // Counts one line; true for a face line.
    bool Count(ObjKeyword keyword, const char* line, const char* after, const char* end) {
        switch (keyword) {
            case ObjKeyword::kV: ++vertices; return false;
            case ObjKeyword::kVt: ++texcoords; return false;
            case ObjKeyword::kVn: ++normals; return false;
            case ObjKeyword::kL:
                ++polylines;
                polyline_corners += CountCornerTokens(after, end);
                return false;
            case ObjKeyword::kF: {
                int64_t tokens = end - line >= 3 ? CountCornerTokens(after, end) : 0;
                corners += tokens;
                bare_faces += tokens == 0;
                return true;
            }
            default: return false;
        }
    }

    // Hands the counts to the model; 0 when one outgrows its field.
    int32_t Store(Model& model) const {
        if (vertices > INT32_MAX || texcoords > INT32_MAX || normals > INT32_MAX || polylines > INT32_MAX) return 0;
        model.polyline_count = static_cast<int32_t>(polylines);
        model.polyline_pool_size = polyline_corners * 2;
        model.vertex_count = static_cast<int32_t>(vertices);
        model.texcoord_count = static_cast<int32_t>(texcoords);
        model.normal_count = static_cast<int32_t>(normals);
        model.corner_pool_size = corners * 3;
        return 1;
    }
};

// Where the values pass may be cut for a helper: at the first line that
// starts in the file's second half, when the file is read in windows and a
// helper is there to take the part after it.
struct CutFinder {
    uint32_t target = UINT32_MAX;
    bool taken = false;
    ElementTally tally;  // at the cut
    int32_t material_entry = 0;
    int32_t object_entry = 0;
    int32_t smoothing_entry = 0;
    GroupLineMark groups;

    explicit CutFinder(const ObjReader& reader) {
        if (reader.help && reader.file.file) target = reader.file.size / 2;
    }

    // Before each line: whether one is still looked for.
    bool Pending() const { return !taken && target != UINT32_MAX; }

    bool Take(ObjReader& reader, uint32_t at, const ElementTally& now, const int32_t (&entries)[3],
              GroupLineTally& lines) {
        taken = true;
        reader.cut.offset = at;
        tally = now;
        material_entry = entries[0];
        object_entry = entries[1];
        smoothing_entry = entries[2];
        return lines.Mark(reader, groups);
    }

    // The cut's state, once the survey knows the groups: 1, or 0 when
    // memory ran out. No cut when a face line before the cut stores no
    // record, as the values pass would count faces otherwise.
    int32_t Finish(ObjReader& reader, const ElementTally& whole) {
        ValuesCut& cut = reader.cut;
        // `l` lines are read by the loading thread alone.
        if (!taken || whole.bare_faces > 0 || whole.polylines > 0 || tally.corners == whole.corners) {
            cut.offset = 0;
            return 1;
        }
        cut.vertex_fill = static_cast<int32_t>(tally.vertices);
        cut.texcoord_fill = static_cast<int32_t>(tally.texcoords);
        cut.normal_fill = static_cast<int32_t>(tally.normals);
        cut.corner_fill = tally.corners * 3;
        cut.material_entry = material_entry;
        cut.object_entry = object_entry;
        cut.smoothing_entry = smoothing_entry;
        return groups.Place(reader, cut);
    }
};

// The survey's walk: 1, or 0 with the reason when a name can't be kept or a
// window read.
int32_t WalkSurvey(ObjReader& reader, ElementTally& tally, GroupLineTally& group_lines, uint32_t& longest) {
    CutFinder cut(reader);
    Model& model = reader.model;
    int32_t entries[3] = {0, 0, 0};  // the last usemtl, o and s lines'
    LineScanner scanner(nullptr, 0);
    if (!reader.FirstWindow(scanner)) return 0;
    int32_t more;
    do {
        const char* line;
        const char* end;
        for (;;) {
            if (cut.Pending()) {
                const uint32_t at = reader.WindowStart() + scanner.Offset();
                if (at >= cut.target && !cut.Take(reader, at, tally, entries, group_lines)) return 0;
            }
            if (!scanner.NextRaw(line, end)) break;
            uint32_t length = static_cast<uint32_t>(end - line);
            if (length > longest) longest = length;
            while (line < end && (*line == ' ' || *line == '\t')) ++line;
            const char* after;
            ObjKeyword keyword = ClassifyKeyword(line, end, after);
            if (keyword == ObjKeyword::kV && tally.vertices == 0) reader.coloured = CountCornerTokens(after, end) >= 6;
            if (keyword == ObjKeyword::kG) {
                if (!group_lines.AddLine(reader, line, end)) return 0;
            } else if (tally.Count(keyword, line, after, end)) {
                group_lines.AddFace();
            } else if (keyword == ObjKeyword::kUsemtl) {
                if ((entries[0] = InternMaterial(reader, line, end)) < 0) return 0;
            } else if (keyword == ObjKeyword::kO) {
                if ((entries[1] = AddFaceName(model, reader.object_index, model.objects, line, end)) < 0) return 0;
            } else if (keyword == ObjKeyword::kS) {
                entries[2] = AddFaceName(model, reader.smoothing_index, model.smoothing_groups, line, end);
                if (entries[2] < 0) return 0;
            } else if (keyword == ObjKeyword::kV || keyword == ObjKeyword::kMtllib) {
                reader.positions_end = reader.WindowStart() + scanner.Offset();
            }
        }
    } while ((more = reader.NextWindow(scanner)) == 1);
    return more == 0 && group_lines.Finish(reader) && cut.Finish(reader, tally);
}

}  // namespace

size_t UsemtlName(const char* line, const char* end, char (&name)[kMaterialNameCapacity]) {
    const char* value;
    const char* value_end;
    TakeLibraryName(line, end, value, value_end);
    CopyText(name, value, static_cast<size_t>(value_end - value));
    size_t length = std::strlen(name);
    return length < size_t(kGroupNameCapacity) ? length : size_t(kGroupNameCapacity - 1);
}

int32_t SurveyObjText(ObjReader& reader) {
    Model& model = reader.model;
    reader.current_group = reader.vertex_fill = reader.texcoord_fill = 0;
    reader.text.read_pos = 0;
    reader.positions_end = 0;
    reader.cut.Release();
    if (!MakeMaterialNames(reader)) return 0;
    ElementTally tally;
    GroupLineTally group_lines;
    uint32_t longest = 0;
    if (!WalkSurvey(reader, tally, group_lines, longest)) return 0;
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
