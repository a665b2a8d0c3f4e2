// The group sections in reading order. A section is one (object, group name)
// pair; the sections go by object, then by group name in the table's order.
// The faces are taken in that order from the regrouped model's one face
// array when it has them so, else through an index that two stable counting
// passes make (by group name, then by object): every way is linear.
#include "wavefront/obj_sections.h"

#include "model/corners.h"
#include "platform/block.h"
#include "wavefront/face_lines.h"
#include "wavefront/line_output.h"

namespace {

constexpr int64_t kNoSection = INT64_MAX;

// A section's key: object × names + group name. An object outside the
// table counts as none.
struct SectionKeys {
    int32_t objects;
    int32_t names;
    explicit SectionKeys(const Model& model)
        : objects(model.objects.fill > 1 ? model.objects.fill : 1), names(model.group_name_count) {}
    int32_t Object(int32_t object) const { return object > 0 && object < objects ? object : 0; }
    int64_t Key(int32_t object, int32_t name) const { return int64_t(Object(object)) * names + name; }
    int64_t Of(const Face& face) const { return Key(face.object, face.group_name_index); }
    int64_t Of(const LineElement& line) const { return Key(line.object, line.group_name_index); }
    bool Inside(int32_t name) const { return name >= 0 && name < names; }
};

// The records r of [0, count) whose group name is in the table, in section
// order, stably: a counting pass by group name, then one by object. Returns
// how many went into `order` (room for count), or -1 when memory ran out.
template <typename NameOf, typename ObjectOf>
int32_t OrderBySection(const SectionKeys& keys, int32_t count, NameOf name_of, ObjectOf object_of, int32_t* order) {
    const int32_t buckets = (keys.names > keys.objects ? keys.names : keys.objects) + 1;
    ScopedBlock<int32_t> starts(AllocateTable<int32_t>(size_t(buckets)));
    ScopedBlock<int32_t> by_name(AllocateUnclearedTable<int32_t>(size_t(count > 0 ? count : 1)));
    if (!starts.Get() || !by_name.Get()) return -1;
    for (int32_t r = 0; r < count; ++r)
        if (keys.Inside(name_of(r))) ++starts[name_of(r) + 1];
    for (int32_t k = 0; k < keys.names; ++k) starts[k + 1] += starts[k];
    const int32_t kept = starts[keys.names];
    for (int32_t r = 0; r < count; ++r)
        if (keys.Inside(name_of(r))) by_name[starts[name_of(r)]++] = r;
    for (int32_t b = 0; b < buckets; ++b) starts[b] = 0;
    for (int32_t i = 0; i < kept; ++i) ++starts[keys.Object(object_of(by_name[i])) + 1];
    for (int32_t o = 0; o < keys.objects; ++o) starts[o + 1] += starts[o];
    for (int32_t i = 0; i < kept; ++i) order[starts[keys.Object(object_of(by_name[i]))]++] = by_name[i];
    return kept;
}

// The face lines of at(begin) to at(end - 1), one section's run, formatted
// in chunks. A chunk starts in the state the face written before it left,
// or in `start` for the section's first.
template <typename At>
int32_t WriteRunFaces(ChunkWriter& writer, const Model& model, At at, int32_t begin, int32_t end,
                      SectionState start) {
    return writer.Write(end - begin, [&](int32_t first, int32_t last, ChunkText& text) {
        first += begin;
        last += begin;
        SectionState current = start;
        for (int32_t i = first - 1; i >= begin; --i) {
            if (!IsWritten(model, at(i))) continue;
            current = StateAfter(at(i));
            break;
        }
        size_t room = 0;
        SectionState state = current;
        for (int32_t i = first; i < last; ++i) {
            if (IsWritten(model, at(i))) room += FaceLineRoom(model, at(i), state);
        }
        char* out = text.Reserve(room);
        if (!out) return 0;
        // The corner lists of faces sorted this way, and the materials they
        // name, lie anywhere in memory: they are fetched a few faces before
        // they are written.
        constexpr int32_t kAhead = 16;
        for (int32_t i = first; i < last; ++i) {
            if (i + kAhead < last) {
                const Face& ahead = at(i + kAhead);
                if (ahead.vertex_indices) __builtin_prefetch(ahead.vertex_indices);
                if (ahead.texcoord_indices) __builtin_prefetch(ahead.texcoord_indices);
                if (ahead.normal_indices) __builtin_prefetch(ahead.normal_indices);
            }
            if (IsWritten(model, at(i))) out = PutFaceLine(out, model, at(i), current);
        }
        text.length = static_cast<size_t>(out - text.data);
        return 1;
    });
}

// What the sections are made of: the faces at(0) to at(count - 1) in
// section order (records not written among them), the `l` lines by index
// in section order, and which group names any face or line uses.
template <typename At>
struct SectionSource {
    At at;
    int32_t count;
    const int32_t* lines;
    int32_t line_count;
    const unsigned char* used;
};

// Every section, merged from the faces, the lines and the group names
// nothing uses (each of which gets its own empty section before any object).
template <typename At>
int32_t WriteOrderedSections(const Model& model, ChunkWriter& writer, const SectionKeys& keys,
                             const SectionSource<At>& source) {
    OutputFile* file = writer.File();
    const At& at = source.at;
    auto line = [&](int32_t l) -> const LineElement& { return model.polylines[source.lines[l]]; };
    int32_t f = 0, l = 0, unused = 0, object_now = 0;
    for (;;) {
        while (f < source.count && !IsWritten(model, at(f))) ++f;
        while (unused < keys.names && source.used[unused]) ++unused;
        int64_t key = unused < keys.names ? unused : kNoSection;  // no object
        if (f < source.count && keys.Of(at(f)) < key) key = keys.Of(at(f));
        if (l < source.line_count && keys.Of(line(l)) < key) key = keys.Of(line(l));
        if (key == kNoSection) return 1;
        if (unused < keys.names && key == unused) ++unused;
        const int32_t object = int32_t(key / keys.names), name = int32_t(key % keys.names);
        if (object != object_now && !WriteObjectLine(model, file, object)) return 0;
        object_now = object;
        const int32_t begin = f;
        int32_t written = 0;
        SectionState last{-1, object, 0};
        for (; f < source.count && (!IsWritten(model, at(f)) || keys.Of(at(f)) == key); ++f) {
            if (!IsWritten(model, at(f))) continue;
            ++written;
            last = StateAfter(at(f));
        }
        // Inside an object, the empty group name's "g" line would say nothing,
        // and readers that name a part by its last "o" or "g" line would lose
        // the object's name to it.
        const bool header = object == 0 || model.Name(model.group_name_table[name].name)[0] != '\0';
        if ((header && !WriteSectionHeader(model, file, name)) ||
            !WriteRunFaces(writer, model, at, begin, f, SectionState{-1, object, 0}))
            return 0;
        for (; l < source.line_count && keys.Of(line(l)) == key; ++l)
            if (!WritePolyline(file, model, line(l), last)) return 0;
        if (!WriteCountLine(file, "# num_faces: ", written, "\r\n\r\n")) return 0;
    }
}

// The regrouped model's one face array, when its written faces are in
// section order already; else null.
const Face* SortedFaces(const Model& model, const SectionKeys& keys) {
    if (model.group_count != 1 || !model.groups || !model.groups[0].faces) return nullptr;
    const Group& group = model.groups[0];
    int64_t previous = 0;
    for (int32_t i = 0; i < group.face_count; ++i) {
        if (!IsWritten(model, group.faces[i])) continue;
        if (keys.Of(group.faces[i]) < previous) return nullptr;
        previous = keys.Of(group.faces[i]);
    }
    return group.faces;
}

// Every face with a group name of the table, in section order through an
// index: 1, 0 when writing failed, or -1 (nothing written) when memory ran out.
int32_t WriteIndexedSections(const Model& model, ChunkWriter& writer, const SectionKeys& keys, const int32_t* lines,
                             int32_t line_count, const unsigned char* used) {
    int32_t total = 0;
    ForEachFace(model, [&](const Face&) { ++total; });
    const size_t room = size_t(total > 0 ? total : 1);
    ScopedBlock<const Face*> faces(AllocateUnclearedTable<const Face*>(room));
    ScopedBlock<int32_t> order(AllocateUnclearedTable<int32_t>(room));
    if (!faces.Get() || !order.Get()) return -1;
    int32_t n = 0;
    ForEachFace(model, [&](const Face& face) { faces[n++] = &face; });
    const int32_t kept = OrderBySection(
        keys, total, [&](int32_t r) { return faces[r]->group_name_index; },
        [&](int32_t r) { return faces[r]->object; }, order.Get());
    if (kept < 0) return -1;
    const Face* const* list = faces.Get();
    const int32_t* by_section = order.Get();
    auto at = [list, by_section](int32_t i) -> const Face& { return *list[by_section[i]]; };
    return WriteOrderedSections(model, writer, keys, SectionSource<decltype(at)>{at, kept, lines, line_count, used});
}

// Without room for an order: a model without objects scans the faces for
// each section; one with objects can't be written in reading order (0).
int32_t ScanEverySection(const Model& model, ChunkWriter& writer, const SectionKeys& keys) {
    if (keys.objects > 1) return 0;
    for (int32_t k = 0; k < keys.names; ++k)
        if (!WriteScannedSection(model, writer.File(), k)) return 0;
    return 1;
}

}  // namespace

int32_t WriteScannedSection(const Model& model, OutputFile* file, int32_t name_index) {
    if (!WriteSectionHeader(model, file, name_index)) return 0;
    SectionState current;
    int32_t written = 0;
    int32_t ok = 1;
    ForEachFace(model, [&](const Face& face) {
        if (!ok || face.corner_count <= 0 || face.group_name_index != name_index) return;
        ok = WriteFaceLine(file, model, face, current);
        written += ok;
    });
    for (int32_t l = 0; ok && model.polylines && l < model.polyline_count; ++l) {
        if (model.polylines[l].group_name_index == name_index)
            ok = WritePolyline(file, model, model.polylines[l], current);
    }
    return ok && WriteCountLine(file, "# num_faces: ", written, "\r\n\r\n");
}

int32_t WriteAllSections(const Model& model, ChunkWriter& writer) {
    if (!model.group_name_table || model.group_name_count <= 0) return 1;
    const SectionKeys keys(model);
    const int32_t line_total = model.polylines ? model.polyline_count : 0;
    ScopedBlock<unsigned char> used(AllocateTable<unsigned char>(size_t(keys.names)));
    ScopedBlock<int32_t> lines(AllocateUnclearedTable<int32_t>(size_t(line_total > 0 ? line_total : 1)));
    int32_t line_count = -1;
    if (used.Get() && lines.Get()) {
        line_count = OrderBySection(
            keys, line_total, [&](int32_t l) { return model.polylines[l].group_name_index; },
            [&](int32_t l) { return model.polylines[l].object; }, lines.Get());
    }
    if (line_count < 0) return ScanEverySection(model, writer, keys);
    ForEachFace(model, [&](const Face& face) {
        if (IsWritten(model, face)) used[face.group_name_index] = 1;
    });
    for (int32_t i = 0; i < line_count; ++i) used[model.polylines[lines[i]].group_name_index] = 1;
    if (const Face* faces = SortedFaces(model, keys)) {
        auto at = [faces](int32_t i) -> const Face& { return faces[i]; };
        SectionSource<decltype(at)> sorted{at, model.groups[0].face_count, lines.Get(), line_count, used.Get()};
        return WriteOrderedSections(model, writer, keys, sorted);
    }
    const int32_t indexed = WriteIndexedSections(model, writer, keys, lines.Get(), line_count, used.Get());
    return indexed >= 0 ? indexed : ScanEverySection(model, writer, keys);
}
