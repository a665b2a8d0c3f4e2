#pragma once
// The materials of a glTF family: each OBJ material its faces use, with the
// base colour (Kd, and d as its alpha) and base-colour texture (map_Kd) its
// library gives.
#include <cstddef>
#include <string>
#include <vector>

#include <tiny_gltf.h>

#include "gltf/corner_split.h"

// Adds one material for each material of `base` a primitive of `split`
// uses (its texture only where the primitive has texture coordinates);
// the result gives each model material its glTF material (-1 for those not
// used). May throw std::bad_alloc.
std::vector<int> AddMaterials(const Model& base, const CornerSplit& split, tinygltf::Model& document);

// A colour channel as glTF takes it: within 0 and 1 (1 for one that is no number).
double ColourChannel(float value);

// `length` bytes of text as UTF-8, which JSON requires: every byte that
// isn't part of a well-formed sequence becomes U+FFFD.
std::string Utf8Text(const char* text, size_t length);

// A file's name (a texture's, the buffer's) as a relative URI: backslashes become slashes and
// every byte that a URI may not hold as it is, "%XX".
std::string FileUri(const char* file_name);
