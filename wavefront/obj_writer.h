#pragma once
// The OBJ writer's pieces that tests and other front ends reach directly.
// The operations themselves are the Model's (WriteObjFile, WriteObjText,
// WriteGroupSection, WriteMtlText).
#include <cstdint>

#include "model/model.h"
#include "wavefront/chunk_writer.h"
#include "platform/files/output_file.h"

// The material library that goes with the new file at path: its path and the
// name written on the `mtllib` line (the file name part of that path). A file
// name that is a name followed by ".obj" (any letter case) has that ending
// replaced by ".mtl"; any other file name gets ".mtl" appended ("result" gives
// "result.mtl", "a.b" gives "a.b.mtl", ".obj" gives ".obj.mtl").
// Returns 0 when path is null or empty or the result does not fit in
// kPathCapacity - 1 characters.
int32_t MakeLibraryPath(const char* path, char (&library_path)[kPathCapacity],
                        char (&library_name)[kPathCapacity]);

// WriteObjFile with a fault plan for the output files (null: none), its
// long runs of lines formatted as `plan` says; the bytes are the same for
// every plan.
int32_t WriteObjFileWithFault(Model& model, const char* path, OutputFault* fault,
                              const WritePlan& plan = WritePlan{});

// The OBJ file and its library of one model, formatted and waiting for their
// commit. Discarded, when not committed, as the record goes away.
struct WrittenObjFiles {
    OutputFile obj;
    OutputFile mtl;
    int32_t with_library = 0;
};

// WriteObjFile for a model that RegroupByMaterial has regrouped already,
// with the v lines of `vertices` (vertex_count records) in place of its own
// vertex table, and without changing the model: several threads may write
// one model at once, each with its own vertices, to different paths. The
// bytes are those WriteObjFile writes for the model with that vertex table.
// It takes two steps, so that a caller can format the next file while this
// one's flushes to the disk are waited for: the first writes both files in
// full but replaces no target (on 0 nothing is left behind); the second
// commits them as one set and returns 1 when both targets were replaced.
int32_t FormatRegroupedObjFiles(const Model& model, const Vertex* vertices, const char* path,
                                WrittenObjFiles& files);
int32_t CommitObjFiles(WrittenObjFiles& files);

// WriteObjFileWithFault up to the commit, which CommitObjFiles then makes.
int32_t FormatObjFiles(Model& model, const char* path, OutputFault* fault, const WritePlan& plan,
                       WrittenObjFiles& files);
