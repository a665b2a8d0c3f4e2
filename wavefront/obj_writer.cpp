// The OBJ writer: the regrouped Model as Wavefront OBJ text, with its material
// library beside it. Both files go out through OutputFile, so either both
// targets are replaced or neither is touched.
//
// Text is assembled straight into the output buffer; every line ends in
// "\r\n" on every platform.
#include <charconv>
#include <cstring>

#include "platform/block.h"
#include "model/corners.h"
#include "model/model.h"
#include "model/text.h"
#include "wavefront/number_format.h"
#include "wavefront/obj_writer.h"
#include "wavefront/output_file.h"
#include "wavefront/path_text.h"

namespace {

// Room for one line of numbers: three floats, a keyword, separators.
constexpr size_t kNumberLineRoom = 4 * kNumberTextCapacity;
// Room for one corner: three 1-based indexes, slashes and a space.
constexpr size_t kCornerRoom = 64;

inline char* Put(char* out, const char* text, size_t length) {
    std::memcpy(out, text, length);
    return out + length;
}

inline char* PutFloat(char* out, float value) { return out + FormatFloatExact(out, value); }

// A stored 0-based index written 1-based ("%d" of index + 1).
inline char* PutIndex(char* out, int32_t index) {
    int64_t value = static_cast<int64_t>(index) + 1;
    if (value <= 0) return std::to_chars(out, out + 16, value).ptr;
    uint32_t rest = static_cast<uint32_t>(value);
    int length = 1;
    for (uint32_t limit = 10; length < 10 && rest >= limit; limit *= 10) ++length;
    char* end = out + length;
    char* p = end;
    while (rest >= 100) {
        uint32_t pair = rest % 100;
        rest /= 100;
        p -= 2;
        PutDigitPair(p, pair);
    }
    if (rest >= 10) {
        PutDigitPair(p - 2, rest);
    } else {
        p[-1] = static_cast<char>('0' + rest);
    }
    return end;
}

// One "<text><count>\r\n" or "...\r\n\r\n" line.
int32_t WriteCountLine(OutputFile* file, const char* text, int32_t count, const char* end) {
    char* start = ReserveOutput(file, 128);
    if (!start) return 0;
    char* out = Put(start, text, std::strlen(text));
    out += FormatInteger(out, count);
    out = Put(out, end, std::strlen(end));
    AdvanceOutput(file, static_cast<size_t>(out - start));
    return 1;
}

// Whether a file name is a name followed by ".obj" in any letter case.
bool IsObjName(const char* name) {
    const char* extension = ExtensionPart(name);
    if (extension == name || std::strlen(extension) != 4) return false;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(extension[1]) == 'o' && lower(extension[2]) == 'b' && lower(extension[3]) == 'j';
}

// Corner layout, chosen once for the whole Model by the tables it has.
enum CornerFormat { kVertexOnly, kVertexTexcoord, kVertexNormal, kVertexTexcoordNormal };

int32_t WriteFace(OutputFile* file, const Face& face, CornerFormat format) {
    // Room for the whole line at once unless the face is huge.
    const int32_t batch = 1024;
    char* out = ReserveOutput(file, 2 + kCornerRoom * static_cast<size_t>(batch));
    if (!out) return 0;
    out = Put(out, "f ", 2);
    for (int32_t c = 0; c < face.corner_count; ++c) {
        int32_t v = face.vertex_indices ? face.vertex_indices[c] : 0;
        int32_t t = face.texcoord_indices ? face.texcoord_indices[c] : 0;
        int32_t n = face.normal_indices ? face.normal_indices[c] : 0;
        if (c > 0 && c % batch == 0) {
            AdvanceOutput(file, static_cast<size_t>(out - (file->buffer + file->fill)));
            out = ReserveOutput(file, kCornerRoom * static_cast<size_t>(batch));
            if (!out) return 0;
        }
        out = PutIndex(out, v);
        switch (format) {
            case kVertexOnly:
                break;
            case kVertexTexcoord:
                *out++ = '/';
                out = PutIndex(out, t);
                break;
            case kVertexNormal:
                out = Put(out, "//", 2);
                out = PutIndex(out, n);
                break;
            case kVertexTexcoordNormal:
                *out++ = '/';
                out = PutIndex(out, t);
                *out++ = '/';
                out = PutIndex(out, n);
                break;
        }
        *out++ = ' ';
    }
    out = Put(out, "\r\n", 2);
    AdvanceOutput(file, static_cast<size_t>(out - (file->buffer + file->fill)));
    return 1;
}

// One group name's section; visit(f) calls f(face) for every face record of
// that name in order (records without corners are skipped here).
template <typename Visit>
int32_t WriteSection(const Model& model, OutputFile* file, int32_t name_index, Visit visit) {
    char line[kGroupNameCapacity + 8];
    size_t length = 0;
    line[length++] = 'g';
    line[length++] = ' ';
    for (const char* p = model.Name(model.group_name_table[name_index].name);
         *p && length < 2 + kGroupNameCapacity - 1; ++p) {
        line[length++] = *p == ' ' ? '_' : *p;
    }
    std::memcpy(line + length, "\r\n\r\n", 4);
    if (!WriteOutput(file, line, length + 4)) return 0;

    CornerFormat format = model.texcoord_count > 0
                              ? (model.normal_count > 0 ? kVertexTexcoordNormal : kVertexTexcoord)
                              : (model.normal_count > 0 ? kVertexNormal : kVertexOnly);
    int32_t current_material = -1;
    int32_t written = 0;
    int32_t ok = 1;
    visit([&](const Face& face) {
        if (!ok || face.corner_count <= 0) return;
        if (face.material_index != current_material) {
            if (model.materials && model.material_count > 0 && face.material_index >= 0 &&
                face.material_index < model.material_count) {
                const char* name = model.Name(model.materials[face.material_index].name);
                if (!WriteOutput(file, "usemtl ", 7) || !WriteOutputText(file, name) ||
                    !WriteOutput(file, "\r\n", 2)) {
                    ok = 0;
                    return;
                }
            }
            current_material = face.material_index;
        }
        if (!WriteFace(file, face, format)) {
            ok = 0;
            return;
        }
        ++written;
    });
    if (!ok) return 0;
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

// A regrouped Model holds one Group whose written faces already follow the
// group-name order: each section is then one run of that array, found in
// the same walk that writes it. Returns -1 (nothing written) when the faces
// are not in that order, else the sections' result.
int32_t WriteSortedSections(const Model& model, OutputFile* file) {
    if (model.group_count != 1 || !model.groups || !model.groups[0].faces) return -1;
    const Face* faces = model.groups[0].faces;
    const int32_t count = model.groups[0].face_count;
    int32_t previous = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (!IsWritten(model, faces[i])) continue;
        if (faces[i].group_name_index < previous) return -1;
        previous = faces[i].group_name_index;
    }
    // The corner lists of faces sorted this way, and the materials they
    // name, lie anywhere in memory, one jump for every run of faces: they are
    // fetched a few faces before they are written.
    constexpr int32_t kAhead = 16;
    auto fetch = [&model](const Face& face) {
        if (face.vertex_indices) __builtin_prefetch(face.vertex_indices);
        if (face.texcoord_indices) __builtin_prefetch(face.texcoord_indices);
        if (face.normal_indices) __builtin_prefetch(face.normal_indices);
        if (model.materials && face.material_index >= 0 && face.material_index < model.material_count)
            __builtin_prefetch(&model.materials[face.material_index]);
    };
    int32_t i = 0;
    for (int32_t k = 0; k < model.group_name_count; ++k) {
        int32_t ok = WriteSection(model, file, k, [&](auto write) {
            for (; i < count; ++i) {
                if (i + kAhead < count) fetch(faces[i + kAhead]);
                const Face& face = faces[i];
                if (!IsWritten(model, face)) continue;
                if (face.group_name_index != k) break;
                write(face);
            }
        });
        if (!ok) return 0;
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

// The v, vn and vt lines, each table followed by its counter comment; the v
// lines are those of `vertices` (vertex_count records).
int32_t WriteElementTables(const Model& model, const Vertex* vertices, OutputFile* file) {
    for (int32_t i = 0; vertices && i < model.vertex_count; ++i) {
        char* start = ReserveOutput(file, kNumberLineRoom);
        if (!start) return 0;
        char* out = Put(start, "v ", 2);
        out = PutFloat(out, vertices[i].x);
        *out++ = ' ';
        out = PutFloat(out, vertices[i].y);
        *out++ = ' ';
        out = PutFloat(out, vertices[i].z);
        out = Put(out, "\r\n", 2);
        AdvanceOutput(file, static_cast<size_t>(out - start));
    }
    if (!WriteCountLine(file, "# num_vertices: ", model.vertex_count, "\r\n\r\n")) return 0;

    for (int32_t i = 0; model.normals && i < model.normal_count; ++i) {
        char* start = ReserveOutput(file, kNumberLineRoom);
        if (!start) return 0;
        char* out = Put(start, "vn ", 3);
        out = PutFloat(out, model.normals[i].x);
        *out++ = ' ';
        out = PutFloat(out, model.normals[i].y);
        *out++ = ' ';
        out = PutFloat(out, model.normals[i].z);
        out = Put(out, "\r\n", 2);
        AdvanceOutput(file, static_cast<size_t>(out - start));
    }
    if (!WriteCountLine(file, "# num_vertex_normals: ", model.normal_count, "\r\n\r\n")) return 0;

    for (int32_t i = 0; model.texcoords && i < model.texcoord_count; ++i) {
        char* start = ReserveOutput(file, kNumberLineRoom);
        if (!start) return 0;
        char* out = Put(start, "vt ", 3);
        out = PutFloat(out, model.texcoords[i].u);
        *out++ = ' ';
        out = PutFloat(out, model.texcoords[i].v);
        out = Put(out, "\r\n", 2);
        AdvanceOutput(file, static_cast<size_t>(out - start));
    }
    return WriteCountLine(file, "# num_uvs: ", model.texcoord_count, "\r\n\r\n");
}

// One group name's section, found by a scan of every face.
int32_t WriteScannedSection(const Model& model, OutputFile* file, int32_t name_index) {
    return WriteSection(model, file, name_index, [&](auto write) {
        ForEachFace(model, [&](const Face& face) {
            if (face.group_name_index == name_index) write(face);
        });
    });
}

// Every group name's section, in table order.
int32_t WriteAllSections(const Model& model, OutputFile* file, int32_t face_total) {
    if (!model.group_name_table || model.group_name_count <= 0) return 1;
    if (int32_t ok = WriteSortedSections(model, file); ok >= 0) return ok;
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
        int32_t ok = WriteSection(model, file, k, [&](auto write) {
            for (int32_t i = first; i < end; ++i) write(*buckets.faces[i]);
        });
        if (!ok) return 0;
    }
    return 1;
}

// The whole OBJ text with the v lines of `vertices`; library_name is what
// the mtllib line names (null: no such line).
int32_t WriteObjBody(const Model& model, const Vertex* vertices, OutputFile* file, const char* library_name) {
    int32_t face_total = 0;
    ForEachFace(model, [&](const Face& face) { face_total += IsWritten(model, face) ? 1 : 0; });
    return WriteHeader(model, file, face_total, library_name) && WriteElementTables(model, vertices, file) &&
           WriteAllSections(model, file, face_total);
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
    return WriteObjBody(*this, vertices, file, material_count > 0 ? library_name : nullptr);
}

namespace {

// The OBJ file and its library for a model regrouped already (or, with
// `regroup`, regrouped once both files are open).
int32_t WriteFiles(Model* regroup, const Model& model, const Vertex* vertices, const char* path,
                   OutputFault* fault) {
    if (!path || !vertices) return 0;
    bool with_library = model.material_count > 0;
    char library_path[kPathCapacity];
    char library_name[kPathCapacity];
    // A library that can't be named can't be written: fail before touching anything.
    if (with_library && !MakeLibraryPath(path, library_path, library_name)) return 0;

    OutputFile obj;
    OutputFile mtl;
    if (!OpenOutputFile(obj, path, fault)) return 0;
    if (with_library && !OpenOutputFile(mtl, library_path, fault)) return 0;

    if (regroup) regroup->RegroupByMaterial();
    int32_t ok = WriteObjBody(model, vertices, &obj, with_library ? library_name : nullptr);
    if (ok && with_library) ok = model.WriteMtlText(&mtl);
    if (!ok) return 0;  // both temporaries go with the records

    // The library first, so the OBJ file, named last, is replaced in one step.
    OutputFile* set[2] = {&mtl, &obj};
    return with_library ? CommitOutputFiles(set, 2) : CommitOutputFile(obj);
}

}  // namespace

int32_t WriteObjFileWithFault(Model& model, const char* path, OutputFault* fault) {
    return WriteFiles(&model, model, model.vertices, path, fault);
}

int32_t WriteRegroupedObjFile(const Model& model, const Vertex* vertices, const char* path) {
    return WriteFiles(nullptr, model, vertices, path, nullptr);
}

int32_t Model::WriteObjFile(const char* path) { return WriteObjFileWithFault(*this, path, nullptr); }
