#include "gltf/family_materials.h"

#include <cmath>
#include <cstring>

namespace {

bool UriByte(unsigned char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    for (const char* kept = "-._~/!$&'()*+,;=:@"; *kept; ++kept)
        if (c == static_cast<unsigned char>(*kept)) return true;
    return false;
}

// The texture of a material's base colour: a sampler-less texture of an image by uri.
int AddTexture(tinygltf::Model& document, const char* file_name) {
    tinygltf::Image image;
    image.uri = FileUri(file_name);
    document.images.push_back(image);
    tinygltf::Texture texture;
    texture.source = int(document.images.size()) - 1;
    document.textures.push_back(texture);
    return int(document.textures.size()) - 1;
}

// `textured`: the faces give every corner a texture coordinate, which a
// texture needs (their material is theirs alone: one primitive a material).
tinygltf::Material MakeMaterial(const Model& base, const Material& from, bool textured, tinygltf::Model& document) {
    tinygltf::Material made;
    made.name = Utf8Text(base.Name(from.name), std::strlen(base.Name(from.name)));
    tinygltf::PbrMetallicRoughness& pbr = made.pbrMetallicRoughness;
    // An OBJ material is no metal; its roughness is not told.
    pbr.metallicFactor = 0.0;
    if (!from.has_statements) return made;  // only a name: its library didn't load
    pbr.baseColorFactor = {ColourChannel(from.diffuse[0]), ColourChannel(from.diffuse[1]),
                           ColourChannel(from.diffuse[2]), ColourChannel(from.opacity)};
    if (pbr.baseColorFactor[3] < 1.0) made.alphaMode = "BLEND";
    const char* map = base.Name(from.diffuse_map);
    if (map[0] && textured) pbr.baseColorTexture.index = AddTexture(document, map);
    return made;
}

}  // namespace

double ColourChannel(float value) {
    return std::isfinite(value) ? std::fmin(1.0, std::fmax(0.0, double(value))) : 1.0;
}

std::string FileUri(const char* file_name) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri;
    for (const char* at = file_name; *at; ++at) {
        const unsigned char c = static_cast<unsigned char>(*at == '\\' ? '/' : *at);
        if (UriByte(c)) {
            uri += char(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        }
    }
    return uri;
}

std::string Utf8Text(const char* text, size_t length) {
    std::string made;
    for (size_t k = 0; k < length;) {
        const unsigned char c = static_cast<unsigned char>(text[k]);
        // The length of a well-formed sequence starting here, 0 for none.
        size_t n = c < 0x80                  ? 1
                   : c >= 0xC2 && c <= 0xDF ? 2
                   : c >= 0xE0 && c <= 0xEF ? 3
                   : c >= 0xF0 && c <= 0xF4 ? 4
                                            : 0;
        for (size_t i = 1; i < n; ++i)
            if (k + i >= length || (static_cast<unsigned char>(text[k + i]) & 0xC0) != 0x80) n = 0;
        const unsigned char second = n > 1 ? static_cast<unsigned char>(text[k + 1]) : 0x80;
        if ((c == 0xE0 && second < 0xA0) || (c == 0xED && second > 0x9F) || (c == 0xF0 && second < 0x90) ||
            (c == 0xF4 && second > 0x8F))
            n = 0;  // overlong, a surrogate, or past U+10FFFF
        if (n == 0) {
            made += "\xEF\xBF\xBD";
            ++k;
            continue;
        }
        made.append(text + k, n);
        k += n;
    }
    return made;
}

std::vector<int> AddMaterials(const Model& base, const CornerSplit& split, tinygltf::Model& document) {
    std::vector<int> made(size_t(base.material_count), -1);
    for (int32_t p = 0; p < split.primitive_count; ++p) {
        const GltfPrimitive& primitive = split.primitives[size_t(p)];
        const int32_t m = primitive.material;
        if (m < 0 || made[size_t(m)] >= 0) continue;
        document.materials.push_back(MakeMaterial(base, base.materials[m], primitive.has_texcoords, document));
        made[size_t(m)] = int(document.materials.size()) - 1;
    }
    return made;
}
