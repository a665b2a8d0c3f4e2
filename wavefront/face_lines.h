#pragma once
// The lines of an OBJ file's group sections: a face line with the `o`, `s`
// and `usemtl` lines it needs before it, an `l` line, a `g` line. The
// section writer (wavefront/obj_sections.cpp) decides their order.
#include <cstddef>
#include <cstdint>

#include "model/model.h"
#include "platform/files/output_file.h"

// What the lines of a section so far say the next face line follows: a
// material (-1: none yet), an object and a smoothing group (0: none).
// Faces of a file without `o` and `s` lines all have 0 for both, so no such
// line is ever written for them.
struct SectionState {
    int32_t material = -1;
    int32_t object = 0;
    int32_t smoothing = 0;
};

inline SectionState StateAfter(const Face& face) { return {face.material_index, face.object, face.smoothing}; }

// A face record that goes into the file: one with corners, of a group name
// of the table.
inline bool IsWritten(const Model& model, const Face& face) {
    return face.corner_count > 0 && face.group_name_index >= 0 && face.group_name_index < model.group_name_count;
}

// Room for a face line and the lines before it; `state` then becomes the face's.
size_t FaceLineRoom(const Model& model, const Face& face, SectionState& state);

// The face line, after the lines its object, smoothing group and material
// need, at `out` with FaceLineRoom bytes of room; returns its end.
char* PutFaceLine(char* out, const Model& model, const Face& face, SectionState& state);

// PutFaceLine into the file; a face too long for the output buffer is
// formatted in a block of its own. 1, or 0 when writing failed.
int32_t WriteFaceLine(OutputFile* file, const Model& model, const Face& face, SectionState& state);

// "l v v ..." (v/t where a corner has a texture coordinate), after an "o"
// line where its object differs from the one `state` is in.
int32_t WritePolyline(OutputFile* file, const Model& model, const LineElement& line, SectionState& state);

// "g <name>\r\n\r\n", the name's spaces written as underscores.
int32_t WriteSectionHeader(const Model& model, OutputFile* file, int32_t name_index);

// "o <name>\r\n" of an object of the model's table.
int32_t WriteObjectLine(const Model& model, OutputFile* file, int32_t object);
