// tinygltf's definitions, made once for the whole program (its image
// switches are the library's, gltf/CMakeLists.txt, as every user of the
// header must see the same ones).
#define TINYGLTF_IMPLEMENTATION
#include <tiny_gltf.h>
