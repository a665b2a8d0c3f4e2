#pragma once
// A file whose `mtllib` names a library that isn't there (VTK's OBJ writer
// names one it never writes) still names its faces' materials: the `usemtl`
// names are the file's own data and go into the file written from it, with
// its `mtllib` line as it was. No library is written for them: nothing says
// what the materials look like.
#include <cstdint>

#include "model/model.h"

// For a model whose library didn't load: a material for each `usemtl` name
// (in the order the names came), every face given the one of its name, and
// `library_not_found` set so that the writer names the file's own library
// and writes none. 1 when done or nothing to do; 0 when memory ran out (the
// model is then as it was).
int32_t KeepMaterialNames(Model& model);
