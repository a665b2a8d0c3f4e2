// The batched group-name lookups of the survey.
#include "wavefront/group_lines.h"

#include <cstring>

#include "platform/block.h"
#include "model/group_name_index.h"
#include "model/model.h"
#include "wavefront/obj_reader.h"
#include "wavefront/obj_lines.h"

namespace {

// Makes room for `needed` entries, doubling; the entries kept are copied.
template <typename T>
bool Reserve(T*& table, int64_t& capacity, int64_t needed) {
    if (needed <= capacity) return true;
    int64_t grown = capacity ? capacity * 2 : 64;
    while (grown < needed) grown *= 2;
    T* fresh = AllocateTable<T>(static_cast<size_t>(grown));
    if (!fresh) return false;
    if (table) std::memcpy(fresh, table, static_cast<size_t>(capacity) * sizeof(T));
    ReleaseBlock(table);
    table = fresh;
    capacity = grown;
    return true;
}

}  // namespace

GroupLineTally::~GroupLineTally() {
    ReleaseBlock(face_counts);
    ReleaseBlock(ordinals);
}

bool GroupLineTally::AddLine(ObjReader& reader, const char* line, const char* end) {
    if (batch_count == kBatch && !LookUpBatch(reader)) return false;
    Line& entry = batch[batch_count++];
    BuildGroupName(line, end, entry.name);
    entry.hash = HashGroupName(entry.name);
    entry.faces = 0;
    PrefetchGroupNameSlot(reader.model, entry.hash);
    return true;
}

bool GroupLineTally::LookUpBatch(ObjReader& reader) {
    Model& model = reader.model;
    if (!Reserve(ordinals, ordinal_capacity, ordinal_count + batch_count)) return false;
    // The slots were fetched as the lines were met; now the names they point
    // to, and the face counts of those names.
    for (int32_t i = 0; i < batch_count; ++i) {
        int32_t ordinal = PrefetchGroupNameText(model, batch[i].hash);
        if (ordinal >= 0 && ordinal < face_count_capacity) __builtin_prefetch(&face_counts[ordinal]);
    }
    for (int32_t i = 0; i < batch_count; ++i) {
        const Line& line = batch[i];
        int32_t names = model.group_names.count;
        int32_t ordinal = GroupNameOrdinal(model, line.name, line.hash);
        if (ordinal < 0) return false;  // a name that could not be kept
        if (model.group_names.count != names) {
            ++model.group_count;
            if (!Reserve(face_counts, face_count_capacity, model.group_names.count)) return false;
        }
        face_counts[ordinal] += line.faces;
        ordinals[ordinal_count++] = ordinal;
    }
    batch_count = 0;
    return true;
}

bool GroupLineTally::Finish(ObjReader& reader) {
    if (batch_count > 0 && !LookUpBatch(reader)) return false;
    if (ordinal_count > INT32_MAX) return false;
    ReleaseBlock(reader.group_line_ordinals);
    reader.group_line_ordinals = ordinals;
    reader.group_line_count = static_cast<int32_t>(ordinal_count);
    ordinals = nullptr;
    ordinal_count = ordinal_capacity = 0;
    return true;
}

bool GroupLineTally::Mark(ObjReader& reader, GroupLineMark& mark) {
    if (batch_count > 0 && !LookUpBatch(reader)) return false;
    const int32_t names = reader.model.group_names.count;
    mark.faces_before_names = faces_before_names;
    mark.names = names;
    mark.lines = ordinal_count;
    mark.last_ordinal = ordinal_count > 0 ? ordinals[ordinal_count - 1] : -1;
    ReleaseBlock(mark.face_counts);
    mark.face_counts = AllocateTable<int64_t>(static_cast<size_t>(names > 0 ? names : 1));
    if (!mark.face_counts) return false;
    if (names > 0) std::memcpy(mark.face_counts, face_counts, sizeof(int64_t) * static_cast<size_t>(names));
    return true;
}

GroupLineMark::~GroupLineMark() { ReleaseBlock(face_counts); }

int32_t GroupLineMark::Place(const ObjReader& reader, ValuesCut& cut) const {
    // Place k in the group list holds the name seen (count - 1 - k)th, as
    // the survey orders them; the faces before the first `g` line are the
    // newest name's.
    const int32_t count = reader.model.group_names.count;
    const int32_t groups = count > 0 ? count : 1;
    cut.face_fills = AllocateTable<int32_t>(static_cast<size_t>(groups));
    cut.group_entries = AllocateTable<int32_t>(static_cast<size_t>(groups));
    if (!cut.face_fills || !cut.group_entries || lines > INT32_MAX) return 0;
    for (int32_t k = 0; k < groups; ++k) {
        int32_t ordinal = count - 1 - k;
        int64_t faces = ordinal >= 0 && ordinal < names ? face_counts[ordinal] : 0;
        if (k == 0) faces += faces_before_names;
        if (faces > INT32_MAX) return 0;
        cut.face_fills[k] = static_cast<int32_t>(faces);
        cut.group_entries[k] = -1;
    }
    cut.group_line = static_cast<int32_t>(lines);
    cut.current_group = last_ordinal >= 0 ? count - last_ordinal : 0;
    return 1;
}
