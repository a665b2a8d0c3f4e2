// tinygltf's definitions, made once for the whole program. Images are
// neither decoded nor encoded (a family names its textures by file, and a
// loaded file's images are not read): the library's image code, which
// Debian builds from a library of its own, is left out.
#define TINYGLTF_IMPLEMENTATION
#define TINYGLTF_NO_STB_IMAGE
#define TINYGLTF_NO_STB_IMAGE_WRITE
#define TINYGLTF_NO_EXTERNAL_IMAGE
#include <tiny_gltf.h>
