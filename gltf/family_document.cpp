#include "gltf/family_document.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <string>

#include "gltf/family_materials.h"
#include "platform/path_text.h"

namespace {

constexpr int kArrayBuffer = TINYGLTF_TARGET_ARRAY_BUFFER;
constexpr int kElementBuffer = TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER;

// Where each kind of data lies in the one buffer, and its view.
struct Layout {
    size_t indices = 0, positions = 0, normals = 0, texcoords = 0, colours = 0, targets = 0;
    size_t bytes = 0;
    int32_t with_normals = 0, with_texcoords = 0, with_colours = 0;
    int index_view = -1, position_view = -1, normal_view = -1, texcoord_view = -1, colour_view = -1;
    int first_target_view = -1;
};

int AddView(tinygltf::Model& document, size_t offset, size_t length, int stride, int target) {
    tinygltf::BufferView view;
    view.buffer = 0;
    view.byteOffset = offset;
    view.byteLength = length;
    view.byteStride = size_t(stride);
    view.target = target;
    document.bufferViews.push_back(view);
    return int(document.bufferViews.size()) - 1;
}

// Vertex colours go along where every vertex of the file has one: a colour
// made up for the others would be one the file never gave.
int32_t EveryVertexColoured(const Model& base) {
    if (!base.colours || base.colour_count != base.vertex_count) return 0;
    for (int32_t k = 0; k < base.vertex_count; ++k)
        if (!HasColour(base.colours[k])) return 0;
    return 1;
}

Layout PlanBuffer(const Model& base, const CornerSplit& split, int32_t count, tinygltf::Model& document) {
    Layout at;
    at.with_colours = EveryVertexColoured(base);
    for (int32_t p = 0; p < split.primitive_count; ++p) {
        at.with_normals |= split.primitives[size_t(p)].has_normals;
        at.with_texcoords |= split.primitives[size_t(p)].has_texcoords;
    }
    const size_t v = size_t(split.vertex_count);
    at.positions = size_t(split.index_count) * 4;
    at.normals = at.positions + v * 12;
    at.texcoords = at.normals + (at.with_normals ? v * 12 : 0);
    at.colours = at.texcoords + (at.with_texcoords ? v * 8 : 0);
    at.targets = at.colours + (at.with_colours ? v * 12 : 0);
    at.bytes = at.targets + v * 12 * size_t(count);
    // Several accessors (one a primitive) read each vertex view: it says its stride.
    at.index_view = AddView(document, 0, at.positions, 0, kElementBuffer);
    at.position_view = AddView(document, at.positions, v * 12, 12, kArrayBuffer);
    if (at.with_normals) at.normal_view = AddView(document, at.normals, v * 12, 12, kArrayBuffer);
    if (at.with_texcoords) at.texcoord_view = AddView(document, at.texcoords, v * 8, 8, kArrayBuffer);
    if (at.with_colours) at.colour_view = AddView(document, at.colours, v * 12, 12, kArrayBuffer);
    for (int32_t t = 0; t < count; ++t) {
        const int view = AddView(document, at.targets + v * 12 * size_t(t), v * 12, 12, kArrayBuffer);
        if (t == 0) at.first_target_view = view;
    }
    return at;
}

// The unit normal of one corner; the split kept only normals of some length.
void UnitNormal(const Normal& n, float* to) {
    const double length = std::sqrt(double(n.x) * n.x + double(n.y) * n.y + double(n.z) * n.z);
    to[0] = float(n.x / length), to[1] = float(n.y / length), to[2] = float(n.z / length);
}

void FillVertices(const Model& base, const CornerSplit& split, const GltfTarget* targets, int32_t count,
                  const Layout& at, unsigned char* bytes) {
    std::memcpy(bytes, split.indices.Get(), size_t(split.index_count) * 4);
    float* position = reinterpret_cast<float*>(bytes + at.positions);
    float* normal = reinterpret_cast<float*>(bytes + at.normals);
    float* texcoord = reinterpret_cast<float*>(bytes + at.texcoords);
    for (int32_t k = 0; k < split.vertex_count; ++k) {
        const Vertex& v = base.vertices[split.position[size_t(k)]];
        position[3 * k] = v.x, position[3 * k + 1] = v.y, position[3 * k + 2] = v.z;
        const int32_t n = split.normal[size_t(k)];
        if (at.with_normals && n >= 0) UnitNormal(base.normals[n], normal + 3 * k);
        const int32_t t = split.texcoord[size_t(k)];
        // glTF's texture rows run from the top, OBJ's from the bottom.
        if (at.with_texcoords && t >= 0)
            texcoord[2 * k] = base.texcoords[t].u, texcoord[2 * k + 1] = 1.0f - base.texcoords[t].v;
        if (at.with_colours) {
            const VertexColour& c = base.colours[split.position[size_t(k)]];
            float* to = reinterpret_cast<float*>(bytes + at.colours) + 3 * k;
            const float channels[3] = {c.r, c.g, c.b};
            for (int32_t i = 0; i < 3; ++i) to[i] = float(ColourChannel(channels[i]));
        }
    }
    for (int32_t t = 0; t < count; ++t) {
        float* delta = reinterpret_cast<float*>(bytes + at.targets + size_t(split.vertex_count) * 12 * size_t(t));
        for (int32_t k = 0; k < split.vertex_count; ++k) {
            const float* to = targets[t].positions + size_t(split.position[size_t(k)]) * 3;
            for (int32_t c = 0; c < 3; ++c) delta[3 * k + c] = DeltaTo(position[3 * k + c], to[c]);
        }
    }
}

// A float accessor of `count` 3- or 2-vectors from `offset` in `view`; a
// position accessor carries its bounds.
int AddFloats(tinygltf::Model& document, int view, size_t offset, int32_t count, int type,
              const float* bounded = nullptr) {
    tinygltf::Accessor accessor;
    accessor.bufferView = view;
    accessor.byteOffset = offset;
    accessor.componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
    accessor.count = size_t(count);
    accessor.type = type;
    if (bounded) {
        accessor.minValues.assign(3, std::numeric_limits<double>::infinity());
        accessor.maxValues.assign(3, -std::numeric_limits<double>::infinity());
        for (int32_t k = 0; k < count; ++k)
            for (int32_t c = 0; c < 3; ++c) {
                accessor.minValues[size_t(c)] = std::fmin(accessor.minValues[size_t(c)], bounded[3 * k + c]);
                accessor.maxValues[size_t(c)] = std::fmax(accessor.maxValues[size_t(c)], bounded[3 * k + c]);
            }
    }
    document.accessors.push_back(accessor);
    return int(document.accessors.size()) - 1;
}

int AddIndices(tinygltf::Model& document, const GltfPrimitive& primitive, int view) {
    tinygltf::Accessor accessor;
    accessor.bufferView = view;
    accessor.byteOffset = size_t(primitive.first_index) * 4;
    accessor.componentType = TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT;
    accessor.count = size_t(primitive.index_count);
    accessor.type = TINYGLTF_TYPE_SCALAR;
    document.accessors.push_back(accessor);
    return int(document.accessors.size()) - 1;
}

tinygltf::Primitive MakePrimitive(tinygltf::Model& document, const GltfPrimitive& primitive, int32_t count,
                                  const Layout& at, const unsigned char* bytes, int material) {
    tinygltf::Primitive made;
    made.mode = TINYGLTF_MODE_TRIANGLES;
    made.material = material;
    made.indices = AddIndices(document, primitive, at.index_view);
    const size_t first = size_t(primitive.first_vertex);
    const int32_t n = primitive.vertex_count;
    const float* position = reinterpret_cast<const float*>(bytes + at.positions) + 3 * first;
    made.attributes["POSITION"] = AddFloats(document, at.position_view, first * 12, n, TINYGLTF_TYPE_VEC3, position);
    if (primitive.has_normals)
        made.attributes["NORMAL"] = AddFloats(document, at.normal_view, first * 12, n, TINYGLTF_TYPE_VEC3);
    if (primitive.has_texcoords)
        made.attributes["TEXCOORD_0"] = AddFloats(document, at.texcoord_view, first * 8, n, TINYGLTF_TYPE_VEC2);
    if (at.with_colours)
        made.attributes["COLOR_0"] = AddFloats(document, at.colour_view, first * 12, n, TINYGLTF_TYPE_VEC3);
    const size_t target_bytes = size_t(document.bufferViews[size_t(at.position_view)].byteLength);
    for (int32_t t = 0; t < count; ++t) {
        const float* delta = reinterpret_cast<const float*>(bytes + at.targets + target_bytes * size_t(t)) + 3 * first;
        const int accessor = AddFloats(document, at.first_target_view + t, first * 12, n, TINYGLTF_TYPE_VEC3, delta);
        made.targets.push_back({{"POSITION", accessor}});
    }
    return made;
}

}  // namespace

float DeltaTo(float from, float to) {
    const float delta = float(double(to) - double(from));
    // The sum rounded to float, as a reader adds them.
    auto reaches = [&](float d) {
        volatile float sum = from + d;
        return sum == to;
    };
    if (reaches(delta)) return delta;  // nearly always: the two are near
    const float up = std::nextafter(delta, std::numeric_limits<float>::infinity());
    if (reaches(up)) return up;
    const float down = std::nextafter(delta, -std::numeric_limits<float>::infinity());
    return reaches(down) ? down : delta;
}

int32_t BuildFamilyDocument(const Model& base, const CornerSplit& split, const GltfTarget* targets, int32_t count,
                            tinygltf::Model& document) {
    try {
        document.asset.version = "2.0";
        document.asset.generator = "Quandrelistaphor";
        const Layout at = PlanBuffer(base, split, count, document);
        document.buffers.emplace_back();
        std::vector<unsigned char>& bytes = document.buffers[0].data;
        bytes.assign(at.bytes, 0);
        FillVertices(base, split, targets, count, at, bytes.data());
        const std::vector<int> materials = AddMaterials(base, split, document);
        tinygltf::Mesh mesh;
        const char* file = base.obj_file_name;
        mesh.name = Utf8Text(file, std::strlen(file) - std::strlen(ExtensionPart(file)));
        for (int32_t p = 0; p < split.primitive_count; ++p) {
            const GltfPrimitive& primitive = split.primitives[size_t(p)];
            const int material = primitive.material >= 0 ? materials[size_t(primitive.material)] : -1;
            mesh.primitives.push_back(MakePrimitive(document, primitive, count, at, bytes.data(), material));
        }
        if (count > 0) {
            std::vector<tinygltf::Value> names;
            for (int32_t t = 0; t < count; ++t)
                names.emplace_back(Utf8Text(targets[t].name, std::strlen(targets[t].name)));
            mesh.weights.assign(size_t(count), 0.0);
            mesh.extras = tinygltf::Value(tinygltf::Value::Object{{"targetNames", tinygltf::Value(names)}});
        }
        document.meshes.push_back(mesh);
        tinygltf::Node node;
        node.name = mesh.name;
        node.mesh = 0;
        document.nodes.push_back(node);
        document.scenes.push_back(tinygltf::Scene());
        document.scenes[0].nodes.push_back(0);
        document.defaultScene = 0;
        return 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}
