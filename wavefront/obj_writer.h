#pragma once
// The OBJ writer's pieces that tests and other front ends reach directly.
// The operations themselves are the Model's (WriteObjFile, WriteObjText,
// WriteGroupSection, WriteMtlText).
#include <cstdint>

#include "model/model.h"

struct OutputFault;  // wavefront/output_file.h

// The material library that goes with the new file at path: its path and the
// name written on the `mtllib` line (the file name part of that path). A file
// name that is a name followed by ".obj" (any letter case) has that ending
// replaced by ".mtl"; any other file name gets ".mtl" appended ("result" gives
// "result.mtl", "a.b" gives "a.b.mtl", ".obj" gives ".obj.mtl").
// Returns 0 when path is null or empty or the result does not fit in
// kPathCapacity - 1 characters.
int32_t MakeLibraryPath(const char* path, char (&library_path)[kPathCapacity],
                        char (&library_name)[kPathCapacity]);

// WriteObjFile with a fault plan for the output files (null: none).
int32_t WriteObjFileWithFault(Model& model, const char* path, OutputFault* fault);
