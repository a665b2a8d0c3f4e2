#pragma once
// The group sections of an OBJ file. A reader meets each object once: the
// faces go by object, then group name, then (as the regrouped model has
// them) material, with an `o` line where the object changes and the `g`,
// `s` and `usemtl` lines inside it (the empty group name without its `g`
// line there). A model without objects writes one section for every group
// name, in the table's order, a name without faces included.
#include <cstdint>

#include "model/model.h"
#include "wavefront/chunk_writer.h"

// Every section, each followed by its `l` lines and its face count; the
// face lines of a model regrouped already are formatted in chunks. 1, or 0
// when writing failed or (for a model with objects) memory ran out.
int32_t WriteAllSections(const Model& model, ChunkWriter& writer);

// The section of one group name, its faces and `l` lines found by a scan of
// every one, with an `o` line where a face's object changes.
int32_t WriteScannedSection(const Model& model, OutputFile* file, int32_t name_index);
