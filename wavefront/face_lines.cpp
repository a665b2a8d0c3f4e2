// The lines of a group section, each formatted straight into the output.
#include "wavefront/face_lines.h"

#include <cstring>

#include "platform/block.h"
#include "wavefront/line_output.h"

namespace {

// Room for one corner: three 1-based indexes, slashes and a space.
constexpr size_t kCornerRoom = 64;

// An index of a table of `count` records, or -1 for none (kNoIndex, or one
// outside the table: a Model made in code may hold 0 for a table it lacks).
inline int32_t IndexIn(const int32_t* list, int32_t c, int32_t count) {
    int32_t index = list ? list[c] : kNoIndex;
    return index >= 0 && index < count ? index : kNoIndex;
}

size_t FaceRoom(const Face& face) { return 4 + kCornerRoom * static_cast<size_t>(face.corner_count); }

// "f <corners>\r\n" with FaceRoom(face) bytes of room. Each corner is
// written in the form that says what it has: v, v/t, v//n or v/t/n.
char* PutFace(char* out, const Face& face, const Model& model) {
    out = PutBytes(out, "f ", 2);
    for (int32_t c = 0; c < face.corner_count; ++c) {
        int32_t t = IndexIn(face.texcoord_indices, c, model.texcoord_count);
        int32_t n = IndexIn(face.normal_indices, c, model.normal_count);
        out = PutIndex(out, face.vertex_indices ? face.vertex_indices[c] : 0);
        if (t >= 0 || n >= 0) *out++ = '/';
        if (t >= 0) out = PutIndex(out, t);
        if (n >= 0) {
            *out++ = '/';
            out = PutIndex(out, n);
        }
        *out++ = ' ';
    }
    return PutBytes(out, "\r\n", 2);
}

// The name a face's "usemtl" line gives, or null when its material index
// names no material of the table.
const char* MaterialName(const Model& model, int32_t index) {
    if (!model.materials || model.material_count <= 0 || index < 0 || index >= model.material_count) return nullptr;
    return model.Name(model.materials[index].name);
}

// The lines a face line needs before it: "o", "s" and "usemtl" where its
// object, smoothing group or material differ from `state`. A face after
// the faces of an object but without one of its own can't leave it: no
// line says so. One that leaves a smoothing group gets "s off". An object
// starts without smoothing or material for some readers (Blender), so both
// are said again after its "o" line.
struct LinesBefore {
    const char* object = nullptr;
    const char* smoothing = nullptr;
    const char* material = nullptr;

    LinesBefore(const Model& model, const Face& face, const SectionState& state) {
        if (face.object != state.object && face.object > 0) object = model.FaceName(model.objects, face.object);
        if (face.smoothing != state.smoothing || (object && face.smoothing > 0))
            smoothing = face.smoothing > 0 ? model.FaceName(model.smoothing_groups, face.smoothing) : "off";
        if (face.material_index != state.material || object) material = MaterialName(model, face.material_index);
    }

    size_t Room() const {
        return (object ? 4 + std::strlen(object) : 0) + (smoothing ? 4 + std::strlen(smoothing) : 0) +
               (material ? 9 + std::strlen(material) : 0);
    }
};

char* PutLine(char* out, const char* keyword, size_t keyword_length, const char* text) {
    if (!text) return out;
    out = PutBytes(out, keyword, keyword_length);
    out = PutText(out, text);
    return PutBytes(out, "\r\n", 2);
}

}  // namespace

size_t FaceLineRoom(const Model& model, const Face& face, SectionState& state) {
    size_t room = FaceRoom(face) + LinesBefore(model, face, state).Room();
    state = StateAfter(face);
    return room;
}

char* PutFaceLine(char* out, const Model& model, const Face& face, SectionState& state) {
    LinesBefore lines(model, face, state);
    out = PutLine(out, "o ", 2, lines.object);
    out = PutLine(out, "s ", 2, lines.smoothing);
    out = PutLine(out, "usemtl ", 7, lines.material);
    state = StateAfter(face);
    return PutFace(out, face, model);
}

int32_t WriteFaceLine(OutputFile* file, const Model& model, const Face& face, SectionState& current) {
    SectionState next = current;
    size_t room = FaceLineRoom(model, face, next);
    if (room <= kOutputBufferBytes) {
        char* start = ReserveOutput(file, room);
        if (!start) return 0;
        AdvanceOutput(file, static_cast<size_t>(PutFaceLine(start, model, face, current) - start));
        return 1;
    }
    ScopedBlock<char> text(static_cast<char*>(AllocateUnclearedBlock(room)));
    if (!text.Get()) return 0;
    size_t length = static_cast<size_t>(PutFaceLine(text.Get(), model, face, current) - text.Get());
    return WriteOutput(file, text.Get(), length);
}

int32_t WriteSectionHeader(const Model& model, OutputFile* file, int32_t name_index) {
    char line[kGroupNameCapacity + 8];
    size_t length = 0;
    line[length++] = 'g';
    line[length++] = ' ';
    for (const char* p = model.Name(model.group_name_table[name_index].name);
         *p && length < 2 + kGroupNameCapacity - 1; ++p) {
        line[length++] = *p == ' ' ? '_' : *p;
    }
    std::memcpy(line + length, "\r\n\r\n", 4);
    return WriteOutput(file, line, length + 4);
}

int32_t WritePolyline(OutputFile* file, const Model& model, const LineElement& line, SectionState& state) {
    if (line.object != state.object && line.object > 0) {
        if (!WriteObjectLine(model, file, line.object)) return 0;
        state = {-1, line.object, 0};
    }
    if (!WriteOutput(file, "l", 1)) return 0;
    for (int32_t c = 0; c < line.corner_count; ++c) {
        char corner[kCornerRoom];
        char* out = corner;
        *out++ = ' ';
        out = PutIndex(out, line.vertex_indices[c]);
        int32_t t = IndexIn(line.texcoord_indices, c, model.texcoord_count);
        if (t >= 0) {
            *out++ = '/';
            out = PutIndex(out, t);
        }
        if (!WriteOutput(file, corner, static_cast<size_t>(out - corner))) return 0;
    }
    return WriteOutput(file, "\r\n", 2);
}

int32_t WriteObjectLine(const Model& model, OutputFile* file, int32_t object) {
    return WriteOutput(file, "o ", 2) && WriteOutputText(file, model.FaceName(model.objects, object)) &&
           WriteOutput(file, "\r\n", 2);
}
