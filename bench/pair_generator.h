#pragma once
// A seeded generator of a realistic pair of OBJ files: a wavy grid mesh of
// N vertices and about 2N triangles with a texture coordinate and a normal
// per vertex, 8 groups and 4 materials (original.obj + original.mtl), and
// the same mesh with its vertices in a shuffled order and its faces
// renumbered to match (matching.obj + matching.mtl), optionally with every
// coordinate of the copy moved by -1e-6, 0 or +1e-6, as a copy that went
// through another program's float arithmetic comes back.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace pair_generator {

class Writer {
public:
    explicit Writer(const std::string& path) : file_(std::fopen(path.c_str(), "wb")), good_(file_ != nullptr) {
        buffer_.reserve(kFlush + 512);
    }
    ~Writer() { Close(); }
    bool ok() const { return good_; }
    void Text(const char* text) { buffer_.append(text); Flush(false); }
    void Float(float value) {
        char piece[64];
        auto result = std::to_chars(piece, piece + sizeof piece, value, std::chars_format::fixed, 6);
        buffer_.append(piece, result.ptr);
    }
    void Int(int64_t value) {
        char piece[24];
        auto result = std::to_chars(piece, piece + sizeof piece, value);
        buffer_.append(piece, result.ptr);
    }
    void Char(char c) { buffer_.push_back(c); }
    void Close() {
        if (!file_) return;
        Flush(true);
        if (std::fclose(file_) != 0) good_ = false;
        file_ = nullptr;
    }

private:
    static constexpr size_t kFlush = 1 << 20;
    void Flush(bool all) {
        if (!file_ || (!all && buffer_.size() < kFlush)) return;
        if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) good_ = false;
        buffer_.clear();
    }
    std::FILE* file_;
    bool good_;
    std::string buffer_;
};

struct Mesh {
    std::vector<float> positions, texcoords, normals;  // 3, 2, 3 per vertex
    std::vector<int32_t> triangles;                     // 3 per triangle, 0-based
};

inline uint64_t NextRandom(uint64_t& state) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return state >> 17;
}

inline Mesh MakeGrid(int64_t vertex_count, uint64_t seed) {
    Mesh mesh;
    int64_t width = static_cast<int64_t>(std::ceil(std::sqrt(static_cast<double>(vertex_count))));
    if (width < 2) width = 2;
    uint64_t state = seed * 2654435761u + 1;
    for (int64_t i = 0; i < vertex_count; ++i) {
        int64_t row = i / width, column = i % width;
        float jitter = static_cast<float>(NextRandom(state) % 1000) * 1e-6f;
        float x = static_cast<float>(column) * 0.01f + jitter;
        float z = static_cast<float>(row) * 0.01f;
        float y = 0.5f * std::sin(x * 3.0f) * std::cos(z * 2.0f);
        mesh.positions.insert(mesh.positions.end(), {x, y, z});
        mesh.texcoords.insert(mesh.texcoords.end(), {static_cast<float>(column) / static_cast<float>(width),
                                                     static_cast<float>(row) / static_cast<float>(width)});
        float nx = -1.5f * std::cos(x * 3.0f) * std::cos(z * 2.0f), nz = std::sin(x * 3.0f) * std::sin(z * 2.0f);
        float length = std::sqrt(nx * nx + 1.0f + nz * nz);
        mesh.normals.insert(mesh.normals.end(), {nx / length, 1.0f / length, nz / length});
    }
    for (int64_t i = 0; i < vertex_count; ++i) {
        int64_t column = i % width;
        int64_t right = i + 1, below = i + width, diagonal = i + width + 1;
        if (column + 1 >= width) continue;
        if (below < vertex_count) {
            mesh.triangles.insert(mesh.triangles.end(), {int32_t(i), int32_t(below), int32_t(right)});
        }
        if (diagonal < vertex_count) {
            mesh.triangles.insert(mesh.triangles.end(), {int32_t(right), int32_t(below), int32_t(diagonal)});
        }
    }
    return mesh;
}

inline bool WriteLibrary(const std::string& path) {
    static const char* const kNames[4] = {"skin", "cloth", "metal", "leather"};
    static const char* const kColours[4] = {"0.800000 0.600000 0.500000", "0.200000 0.300000 0.700000",
                                            "0.600000 0.600000 0.650000", "0.400000 0.250000 0.100000"};
    Writer out(path);
    for (int m = 0; m < 4; ++m) {
        out.Text("newmtl ");
        out.Text(kNames[m]);
        out.Text("\nKa 0.000000 0.000000 0.000000\nKd ");
        out.Text(kColours[m]);
        out.Text("\nKs 0.500000 0.500000 0.500000\nNs 32.000000\nd 1.000000\nillum 2\n\n");
    }
    out.Close();
    return out.ok();
}

// Writes mesh with vertex i at position order[i]'s slot: new index of old
// vertex v is place[v].
inline bool WriteObj(const std::string& path, const std::string& library, const Mesh& mesh,
                     const std::vector<int32_t>& place) {
    static const char* const kNames[4] = {"skin", "cloth", "metal", "leather"};
    int64_t count = static_cast<int64_t>(place.size());
    std::vector<int32_t> old_of(place.size());
    for (int64_t v = 0; v < count; ++v) old_of[place[v]] = static_cast<int32_t>(v);
    Writer out(path);
    out.Text("# generated pair\nmtllib ");
    out.Text(library.c_str());
    out.Char('\n');
    for (int64_t k = 0; k < count; ++k) {
        const float* p = &mesh.positions[3 * size_t(old_of[k])];
        out.Text("v ");
        out.Float(p[0]); out.Char(' '); out.Float(p[1]); out.Char(' '); out.Float(p[2]); out.Char('\n');
        out.Text("");
    }
    for (int64_t k = 0; k < count; ++k) {
        const float* t = &mesh.texcoords[2 * size_t(old_of[k])];
        out.Text("vt ");
        out.Float(t[0]); out.Char(' '); out.Float(t[1]); out.Char('\n');
    }
    for (int64_t k = 0; k < count; ++k) {
        const float* n = &mesh.normals[3 * size_t(old_of[k])];
        out.Text("vn ");
        out.Float(n[0]); out.Char(' '); out.Float(n[1]); out.Char(' '); out.Float(n[2]); out.Char('\n');
    }
    int64_t triangles = static_cast<int64_t>(mesh.triangles.size() / 3);
    const int kGroups = 8;
    for (int g = 0; g < kGroups; ++g) {
        int64_t first = triangles * g / kGroups, last = triangles * (g + 1) / kGroups;
        out.Text("g part");
        out.Int(g);
        out.Char('\n');
        for (int64_t f = first; f < last; ++f) {
            if (f == first || f == (first + last) / 2) {
                out.Text("usemtl ");
                out.Text(kNames[(g + (f == first ? 0 : 1)) % 4]);
                out.Char('\n');
            }
            out.Char('f');
            for (int c = 0; c < 3; ++c) {
                int64_t index = int64_t(place[size_t(mesh.triangles[size_t(3 * f + c)])]) + 1;
                out.Char(' '); out.Int(index); out.Char('/'); out.Int(index); out.Char('/'); out.Int(index);
            }
            out.Char('\n');
        }
    }
    out.Close();
    return out.ok();
}

inline std::vector<int32_t> Identity(int64_t vertex_count) {
    std::vector<int32_t> identity(static_cast<size_t>(vertex_count));
    for (int64_t v = 0; v < vertex_count; ++v) identity[size_t(v)] = static_cast<int32_t>(v);
    return identity;
}

// The places of the matching file's vertices: a seeded shuffle.
inline std::vector<int32_t> Shuffled(int64_t vertex_count, uint64_t seed) {
    std::vector<int32_t> shuffled = Identity(vertex_count);
    uint64_t state = seed ^ 0x9e3779b97f4a7c15ull;
    for (int64_t i = vertex_count - 1; i > 0; --i) {
        int64_t j = static_cast<int64_t>(NextRandom(state) % uint64_t(i + 1));
        std::swap(shuffled[size_t(i)], shuffled[size_t(j)]);
    }
    return shuffled;
}

// Writes original.obj/.mtl and matching.obj/.mtl into folder (ending in '/');
// `moved` nudges every coordinate of the matching copy by -1, 0 or +1 millionth.
inline bool WritePair(const std::string& folder, int64_t vertex_count, uint64_t seed, bool moved = false) {
    if (vertex_count < 3 || vertex_count > INT32_MAX / 2) return false;
    Mesh mesh = MakeGrid(vertex_count, seed);
    std::vector<int32_t> identity = Identity(vertex_count);
    std::vector<int32_t> shuffled = Shuffled(vertex_count, seed);
    if (!WriteLibrary(folder + "original.mtl") || !WriteLibrary(folder + "matching.mtl") ||
        !WriteObj(folder + "original.obj", "original.mtl", mesh, identity))
        return false;
    if (moved) {
        uint64_t state = seed ^ 0x5bd1e9955bd1e995ull;
        for (float& c : mesh.positions) c += static_cast<float>(static_cast<int>(NextRandom(state) % 3) - 1) * 1e-6f;
    }
    return WriteObj(folder + "matching.obj", "matching.mtl", mesh, shuffled);
}

}  // namespace pair_generator
