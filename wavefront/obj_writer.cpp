// The OBJ writer: the regrouped Model as Wavefront OBJ text, with its material
// library beside it. Both files go out through OutputFile, so either both
// targets are replaced or neither is touched.
//
// Text is assembled straight into the output buffer; every line ends in
// "\r\n" on every platform.
#include <cstring>

#include "platform/block.h"
#include "model/corners.h"
#include "model/model.h"
#include "platform/text.h"
#include "wavefront/chunk_writer.h"
#include "wavefront/line_output.h"
#include "wavefront/obj_writer.h"
#include "platform/files/output_file.h"
#include "platform/path_text.h"

namespace {

// Room for one line of numbers: three floats, a keyword, separators.
constexpr size_t kNumberLineRoom = 4 * kNumberTextCapacity;
// Room for one corner: three 1-based indexes, slashes and a space.
constexpr size_t kCornerRoom = 64;

// Whether a file name is a name followed by ".obj" in any letter case.
bool IsObjName(const char* name) {
    const char* extension = ExtensionPart(name);
    if (extension == name || std::strlen(extension) != 4) return false;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(extension[1]) == 'o' && lower(extension[2]) == 'b' && lower(extension[3]) == 'j';
}

size_t FaceRoom(const Face& face) { return 4 + kCornerRoom * static_cast<size_t>(face.corner_count); }

// An index of a table of `count` records, or -1 for none (kNoIndex, or one
// outside the table: a Model made in code may hold 0 for a table it lacks).
inline int32_t IndexIn(const int32_t* list, int32_t c, int32_t count) {
    int32_t index = list ? list[c] : kNoIndex;
    return index >= 0 && index < count ? index : kNoIndex;
}

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

// What the lines of a section so far say the next face line follows: a
// material (-1: none yet), an object and a smoothing group (0: none).
// Faces of a file without `o` and `s` lines all have 0 for both, so no such
// line is ever written for them.
struct SectionState {
    int32_t material = -1;
    int32_t object = 0;
    int32_t smoothing = 0;
};

SectionState StateAfter(const Face& face) { return {face.material_index, face.object, face.smoothing}; }

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

// Room for a face line and the lines before it; `state` then becomes the face's.
size_t FaceLineRoom(const Model& model, const Face& face, SectionState& state) {
    size_t room = FaceRoom(face) + LinesBefore(model, face, state).Room();
    state = StateAfter(face);
    return room;
}

// The face line, after the lines its object, smoothing group and material need.
char* PutFaceLine(char* out, const Model& model, const Face& face, SectionState& state) {
    LinesBefore lines(model, face, state);
    out = PutLine(out, "o ", 2, lines.object);
    out = PutLine(out, "s ", 2, lines.smoothing);
    out = PutLine(out, "usemtl ", 7, lines.material);
    state = StateAfter(face);
    return PutFace(out, face, model);
}

// One face line (with the lines before it) into the file; a face too long for
// the output buffer is formatted in a block of its own.
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

// "g <name>\r\n\r\n", the name's spaces written as underscores.
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

// The `l` lines by group-name index, in file order within each: one
// counting pass, so that every section finds its own at once.
struct PolylineSections {
    int32_t* order = nullptr;   // polyline indices by group-name index
    int32_t* starts = nullptr;  // group_name_count + 1 offsets into order
    ~PolylineSections() {
        ReleaseBlock(order);
        ReleaseBlock(starts);
    }

    // 0 when memory ran out.
    int32_t Make(const Model& model) {
        if (!model.polylines || model.polyline_count <= 0 || model.group_name_count <= 0) return 1;
        order = AllocateTable<int32_t>(size_t(model.polyline_count));
        starts = AllocateTable<int32_t>(size_t(model.group_name_count) + 1);
        if (!order || !starts) {
            ReleaseBlock(order);
            order = nullptr;
            return 0;
        }
        auto section = [&](int32_t l) { return model.polylines[l].group_name_index; };
        auto inside = [&](int32_t k) { return k >= 0 && k < model.group_name_count; };
        for (int32_t l = 0; l < model.polyline_count; ++l)
            if (inside(section(l))) ++starts[section(l) + 1];
        for (int32_t k = 0; k < model.group_name_count; ++k) starts[k + 1] += starts[k];
        for (int32_t l = 0; l < model.polyline_count; ++l)
            if (inside(section(l))) order[starts[section(l)]++] = l;
        for (int32_t k = model.group_name_count; k > 0; --k) starts[k] = starts[k - 1];
        starts[0] = 0;
        return 1;
    }
};

// "l v v ..." (v/t where a corner has a texture coordinate), after an "o"
// line where its object differs from the one `state` is in.
int32_t WritePolyline(OutputFile* file, const Model& model, const LineElement& line, SectionState& state) {
    if (line.object != state.object && line.object > 0) {
        if (!WriteOutput(file, "o ", 2) || !WriteOutputText(file, model.FaceName(model.objects, line.object)) ||
            !WriteOutput(file, "\r\n", 2))
            return 0;
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

// The `l` lines of a section, after its faces: by `sections` when made,
// else found by a scan.
int32_t WriteSectionPolylines(OutputFile* file, const Model& model, int32_t name_index,
                              const PolylineSections* sections, SectionState state) {
    if (!model.polylines || model.polyline_count <= 0) return 1;
    if (sections && sections->order) {
        for (int32_t i = sections->starts[name_index]; i < sections->starts[name_index + 1]; ++i)
            if (!WritePolyline(file, model, model.polylines[sections->order[i]], state)) return 0;
        return 1;
    }
    for (int32_t l = 0; l < model.polyline_count; ++l) {
        const LineElement& line = model.polylines[l];
        if (line.group_name_index == name_index && !WritePolyline(file, model, line, state)) return 0;
    }
    return 1;
}

// One group name's section; visit(f) calls f(face) for every face record of
// that name in order (records without corners are skipped here).
template <typename Visit>
int32_t WriteSection(const Model& model, OutputFile* file, int32_t name_index, const PolylineSections* polylines,
                     Visit visit) {
    if (!WriteSectionHeader(model, file, name_index)) return 0;
    SectionState current;
    int32_t written = 0;
    int32_t ok = 1;
    visit([&](const Face& face) {
        if (!ok || face.corner_count <= 0) return;
        ok = WriteFaceLine(file, model, face, current);
        written += ok;
    });
    if (!ok || !WriteSectionPolylines(file, model, name_index, polylines, current)) return 0;
    return WriteCountLine(file, "# num_faces: ", written, "\r\n\r\n");
}

bool IsWritten(const Model& model, const Face& face) {
    return face.corner_count > 0 && face.group_name_index >= 0 && face.group_name_index < model.group_name_count;
}

// The faces to be written, bucketed by group-name index in table order: one
// pass, so writing all sections is linear. Null when the blocks can't be had.
struct FaceBuckets {
    const Face** faces = nullptr;  // by group-name index, then table order
    int32_t* starts = nullptr;     // group_name_count + 1 offsets into faces
    ~FaceBuckets() {
        ReleaseBlock(faces);
        ReleaseBlock(starts);
    }
};

int32_t BucketFaces(const Model& model, int32_t face_total, FaceBuckets& buckets) {
    buckets.starts = AllocateTable<int32_t>(static_cast<size_t>(model.group_name_count) + 1);
    if (!buckets.starts) return 0;
    if (face_total == 0) return 1;
    buckets.faces = AllocateTable<const Face*>(static_cast<size_t>(face_total));
    if (!buckets.faces) return 0;
    int32_t* starts = buckets.starts;
    ForEachFace(model, [&](const Face& face) {
        if (IsWritten(model, face)) ++starts[face.group_name_index + 1];
    });
    for (int32_t k = 0; k < model.group_name_count; ++k) starts[k + 1] += starts[k];
    // Fill with a running cursor per name, then shift the starts back.
    ForEachFace(model, [&](const Face& face) {
        if (IsWritten(model, face)) buckets.faces[starts[face.group_name_index]++] = &face;
    });
    for (int32_t k = model.group_name_count; k > 0; --k) starts[k] = starts[k - 1];
    starts[0] = 0;
    return 1;
}

// The face lines of faces[begin, end), one section's run of a regrouped
// Group, formatted in chunks. A chunk starts with the material of the last
// face written before it in the section (-1 for the first).
int32_t WriteSectionFaces(ChunkWriter& writer, const Model& model, const Face* faces, int32_t begin, int32_t end) {
    return writer.Write(end - begin, [&](int32_t first, int32_t last, ChunkText& text) {
        first += begin;
        last += begin;
        SectionState current;
        for (int32_t i = first - 1; i >= begin; --i) {
            if (!IsWritten(model, faces[i])) continue;
            current = StateAfter(faces[i]);
            break;
        }
        size_t room = 0;
        SectionState state = current;
        for (int32_t i = first; i < last; ++i) {
            if (IsWritten(model, faces[i])) room += FaceLineRoom(model, faces[i], state);
        }
        char* out = text.Reserve(room);
        if (!out) return 0;
        // The corner lists of faces sorted this way, and the materials they
        // name, lie anywhere in memory: they are fetched a few faces before
        // they are written.
        constexpr int32_t kAhead = 16;
        for (int32_t i = first; i < last; ++i) {
            if (i + kAhead < last) {
                const Face& ahead = faces[i + kAhead];
                if (ahead.vertex_indices) __builtin_prefetch(ahead.vertex_indices);
                if (ahead.texcoord_indices) __builtin_prefetch(ahead.texcoord_indices);
                if (ahead.normal_indices) __builtin_prefetch(ahead.normal_indices);
            }
            if (IsWritten(model, faces[i])) out = PutFaceLine(out, model, faces[i], current);
        }
        text.length = static_cast<size_t>(out - text.data);
        return 1;
    });
}

// A regrouped Model holds one Group whose written faces already follow the
// group-name order: each section is then one run of that array. Returns -1
// (nothing written) when the faces are not in that order, else the
// sections' result.
int32_t WriteSortedSections(const Model& model, ChunkWriter& writer, const PolylineSections& polylines) {
    if (model.group_count != 1 || !model.groups || !model.groups[0].faces) return -1;
    const Face* faces = model.groups[0].faces;
    const int32_t count = model.groups[0].face_count;
    int32_t previous = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (!IsWritten(model, faces[i])) continue;
        if (faces[i].group_name_index < previous) return -1;
        previous = faces[i].group_name_index;
    }
    OutputFile* file = writer.File();
    int32_t i = 0;
    for (int32_t k = 0; k < model.group_name_count; ++k) {
        int32_t begin = i;
        int32_t written = 0;
        SectionState last;
        for (; i < count; ++i) {
            if (!IsWritten(model, faces[i])) continue;
            if (faces[i].group_name_index != k) break;
            ++written;
            last = StateAfter(faces[i]);
        }
        if (!WriteSectionHeader(model, file, k) || !WriteSectionFaces(writer, model, faces, begin, i) ||
            !WriteSectionPolylines(file, model, k, &polylines, last) ||
            !WriteCountLine(file, "# num_faces: ", written, "\r\n\r\n"))
            return 0;
    }
    return 1;
}

// The counter comments and, when library_name is given, the mtllib line.
int32_t WriteHeader(const Model& model, OutputFile* file, int32_t face_total, const char* library_name) {
    if (!WriteCountLine(file, "# Wavefront OBJ file generated by Zantoveric\r\n# num_vertices: ", model.vertex_count,
                        "\r\n") ||
        !WriteCountLine(file, "# num_vertex_normals: ", model.normal_count, "\r\n") ||
        !WriteCountLine(file, "# num_uvs: ", model.texcoord_count, "\r\n") ||
        !WriteCountLine(file, "# num_faces: ", face_total, "\r\n") ||
        !WriteCountLine(file, "# num_groups: ", model.group_name_count, "\r\n\r\n")) {
        return 0;
    }
    if (!library_name) return 1;
    return WriteOutput(file, "mtllib ", 7) && WriteOutputText(file, library_name) &&
           WriteOutput(file, "\r\n\r\n", 4);
}

// " x y z" or " u v" of one record.
char* PutValues(char* out, float x, float y, float z) {
    *out++ = ' ';
    out = PutFloat(out, x);
    *out++ = ' ';
    out = PutFloat(out, y);
    *out++ = ' ';
    return PutFloat(out, z);
}
char* PutValues(char* out, const Vertex& vertex) { return PutValues(out, vertex.x, vertex.y, vertex.z); }
char* PutValues(char* out, const Normal& normal) { return PutValues(out, normal.x, normal.y, normal.z); }
char* PutValues(char* out, const TexCoord& texcoord) {
    *out++ = ' ';
    out = PutFloat(out, texcoord.u);
    *out++ = ' ';
    return PutFloat(out, texcoord.v);
}

// "<keyword> <values>\r\n" for each of `count` records (none when records
// is null).
template <typename Record>
int32_t WriteNumberLines(ChunkWriter& writer, const char* keyword, const Record* records, int32_t count) {
    size_t keyword_length = std::strlen(keyword);
    if (!records) return 1;
    return writer.Write(count, [&](int32_t first, int32_t end, ChunkText& text) {
        char* out = text.Reserve(static_cast<size_t>(end - first) * kNumberLineRoom);
        if (!out) return 0;
        for (int32_t i = first; i < end; ++i) {
            out = PutBytes(out, keyword, keyword_length);
            out = PutValues(out, records[i]);
            out = PutBytes(out, "\r\n", 2);
        }
        text.length = static_cast<size_t>(out - text.data);
        return 1;
    });
}

// "v x y z r g b\r\n" for each vertex of a model with colours.
int32_t WriteColouredVertexLines(ChunkWriter& writer, const Vertex* vertices, const VertexColour* colours,
                                 int32_t count) {
    return writer.Write(count, [&](int32_t first, int32_t end, ChunkText& text) {
        char* out = text.Reserve(static_cast<size_t>(end - first) * 2 * kNumberLineRoom);
        if (!out) return 0;
        for (int32_t i = first; i < end; ++i) {
            out = PutBytes(out, "v", 1);
            out = PutValues(out, vertices[i]);
            out = PutValues(out, colours[i].r, colours[i].g, colours[i].b);
            out = PutBytes(out, "\r\n", 2);
        }
        text.length = static_cast<size_t>(out - text.data);
        return 1;
    });
}

// The v lines of `vertices` (vertex_count records), with their colours when
// the model has one for each.
int32_t WriteVertexLines(const Model& model, const Vertex* vertices, ChunkWriter& writer) {
    if (!vertices) return 1;
    if (model.colours && model.colour_count == model.vertex_count)
        return WriteColouredVertexLines(writer, vertices, model.colours, model.vertex_count);
    return WriteNumberLines(writer, "v", vertices, model.vertex_count);
}

// The v, vn and vt lines, each table followed by its counter comment; the v
// lines are those of `vertices` (vertex_count records).
int32_t WriteElementTables(const Model& model, const Vertex* vertices, ChunkWriter& writer) {
    OutputFile* file = writer.File();
    return WriteVertexLines(model, vertices, writer) &&
           WriteCountLine(file, "# num_vertices: ", model.vertex_count, "\r\n\r\n") &&
           WriteNumberLines(writer, "vn", model.normals, model.normal_count) &&
           WriteCountLine(file, "# num_vertex_normals: ", model.normal_count, "\r\n\r\n") &&
           WriteNumberLines(writer, "vt", model.texcoords, model.texcoord_count) &&
           WriteCountLine(file, "# num_uvs: ", model.texcoord_count, "\r\n\r\n");
}

// One group name's section, found by a scan of every face.
int32_t WriteScannedSection(const Model& model, OutputFile* file, int32_t name_index) {
    return WriteSection(model, file, name_index, nullptr, [&](auto write) {
        ForEachFace(model, [&](const Face& face) {
            if (face.group_name_index == name_index) write(face);
        });
    });
}

// Every group name's section, in table order.
int32_t WriteAllSections(const Model& model, ChunkWriter& writer, int32_t face_total) {
    if (!model.group_name_table || model.group_name_count <= 0) return 1;
    PolylineSections polylines;
    polylines.Make(model);  // without the order each section scans them
    if (int32_t ok = WriteSortedSections(model, writer, polylines); ok >= 0) return ok;
    OutputFile* file = writer.File();
    FaceBuckets buckets;
    if (!BucketFaces(model, face_total, buckets)) {
        // No room for the index: each section scans the faces itself.
        for (int32_t k = 0; k < model.group_name_count; ++k) {
            if (!WriteScannedSection(model, file, k)) return 0;
        }
        return 1;
    }
    for (int32_t k = 0; k < model.group_name_count; ++k) {
        int32_t first = buckets.starts[k];
        int32_t end = buckets.starts[k + 1];
        int32_t ok = WriteSection(model, file, k, &polylines, [&](auto write) {
            for (int32_t i = first; i < end; ++i) write(*buckets.faces[i]);
        });
        if (!ok) return 0;
    }
    return 1;
}

// The whole OBJ text with the v lines of `vertices`; library_name is what
// the mtllib line names (null: no such line).
int32_t WriteObjBody(const Model& model, const Vertex* vertices, OutputFile* file, const char* library_name,
                     const WritePlan& plan) {
    int32_t face_total = 0;
    ForEachFace(model, [&](const Face& face) { face_total += IsWritten(model, face) ? 1 : 0; });
    ChunkWriter writer(file, plan);
    return WriteHeader(model, file, face_total, library_name) && WriteElementTables(model, vertices, writer) &&
           WriteAllSections(model, writer, face_total);
}

}  // namespace

int32_t MakeLibraryPath(const char* path, char (&library_path)[kPathCapacity],
                        char (&library_name)[kPathCapacity]) {
    library_path[0] = library_name[0] = '\0';
    if (!path || !path[0]) return 0;
    size_t path_length = std::strlen(path);
    const char* name = FileNamePart(path);
    // Overwriting the end of any other name would cut into it ("result"
    // would give "re.mtl") or name the new file itself.
    size_t length = IsObjName(name) ? path_length : path_length + 4;
    if (length >= static_cast<size_t>(kPathCapacity)) return 0;
    std::memcpy(library_path, path, path_length);
    std::memcpy(library_path + length - 4, ".mtl", 4);
    library_path[length] = '\0';
    CopyText(library_name, FileNamePart(library_path));
    return 1;
}

int32_t Model::WriteGroupSection(OutputFile* file, int32_t name_index) {
    if (!file || !group_name_table || name_index < 0 || name_index >= group_name_count) return 0;
    return WriteScannedSection(*this, file, name_index);
}

int32_t Model::WriteObjText(OutputFile* file, const char* path) {
    if (!file) return 0;
    char library_path[kPathCapacity];
    char library_name[kPathCapacity];
    if (material_count > 0 && !MakeLibraryPath(path, library_path, library_name)) return 0;
    return WriteObjBody(*this, vertices, file, material_count > 0 ? library_name : nullptr, WritePlan{});
}

namespace {

// Opens and formats the OBJ file and its library for a model regrouped
// already (or, with `regroup`, regrouped once both files are open).
int32_t FormatFiles(Model* regroup, const Model& model, const Vertex* vertices, const char* path,
                    OutputFault* fault, const WritePlan& plan, WrittenObjFiles& files) {
    if (!path || !vertices) return 0;
    files.with_library = model.material_count > 0 ? 1 : 0;
    char library_path[kPathCapacity];
    char library_name[kPathCapacity];
    // A library that can't be named can't be written: fail before touching anything.
    const bool library_named = MakeLibraryPath(path, library_path, library_name) != 0;
    if (files.with_library && !library_named) return 0;
    // The library's lock is held even when none is written: an earlier
    // run's half-done commit onto the new file and its library is finished
    // only with both locked.
    OutputFile* open[2] = {&files.obj, &files.mtl};
    const char* targets[2] = {path, library_path};
    if (!OpenOutputFiles(open, targets, library_named ? 2 : 1, files.with_library ? 2 : 1, fault)) return 0;

    if (regroup) regroup->RegroupByMaterial();
    int32_t ok = WriteObjBody(model, vertices, &files.obj, files.with_library ? library_name : nullptr, plan);
    if (ok && files.with_library) ok = model.WriteMtlText(&files.mtl);
    return ok;  // on 0, both temporaries go with the records
}

// FormatFiles, leaving nothing behind when it fails.
int32_t FormatOrDiscard(Model* regroup, const Model& model, const Vertex* vertices, const char* path,
                        OutputFault* fault, const WritePlan& plan, WrittenObjFiles& files) {
    if (FormatFiles(regroup, model, vertices, path, fault, plan, files)) return 1;
    DiscardOutputFile(files.mtl);
    DiscardOutputFile(files.obj);
    return 0;
}

}  // namespace

int32_t WriteObjFileWithFault(Model& model, const char* path, OutputFault* fault, const WritePlan& plan) {
    WrittenObjFiles files;
    return FormatObjFiles(model, path, fault, plan, files) && CommitObjFiles(files);
}

int32_t FormatObjFiles(Model& model, const char* path, OutputFault* fault, const WritePlan& plan,
                       WrittenObjFiles& files) {
    return FormatOrDiscard(&model, model, model.vertices, path, fault, plan, files);
}

int32_t FormatRegroupedObjFiles(const Model& model, const Vertex* vertices, const char* path,
                                WrittenObjFiles& files) {
    return FormatOrDiscard(nullptr, model, vertices, path, nullptr, WritePlan{}, files);
}

int32_t CommitObjFiles(WrittenObjFiles& files) {
    // The library first, so the OBJ file, named last, is replaced in one step.
    OutputFile* set[2] = {&files.mtl, &files.obj};
    if (files.with_library) return CommitOutputFiles(set, 2);
    int32_t committed = CommitOutputFile(files.obj);
    DiscardOutputFile(files.mtl);  // its lock only
    return committed;
}

int32_t Model::WriteObjFile(const char* path) { return WriteObjFileWithFault(*this, path, nullptr); }
