#pragma once
// A morph family as a sculpting round trip makes it: a base grid mesh with texture coordinates, two groups and a
// material library; a copy with its vertices in another order (faces renumbered to match); shapes sculpted from the
// copy (smooth displacements, and one left unchanged). Numbers are written in their shortest exact text, so the files
// read back bit for bit.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "tests/morph/test_models.h"

namespace family {

// A smooth bump: the kind of move a sculpt brush makes.
struct Displacement {
    float amount, centre_x, centre_y, width;
    Position Apply(Position p) const {
        float d = (p.x - centre_x) * (p.x - centre_x) + (p.y - centre_y) * (p.y - centre_y);
        return {p.x, p.y, p.z + amount * std::exp(-d / (width * width))};
    }
};

const Displacement kSculpts[] = {
    {0.5f, 2, 2, 1.5f}, {-0.3f, 5, 1, 2}, {1.25f, 0, 6, 3}, {0.05f, 3, 3, 0.7f}, {-2, 6, 6, 4}, {0, 0, 0, 1}};

inline std::string Number(float value) {
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

struct Family {
    std::vector<Position> base;
    std::vector<int32_t> order;                // copy vertex i is base vertex order[i]
    std::vector<std::vector<int32_t>> faces;   // triangles of the base, 0-based

    // A side x side grid; `seams` base vertices repeat the position of an
    // earlier one (a seam split), `seed` shuffles the copy.
    Family(int side, int seams, unsigned seed) {
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) base.push_back({float(x), float(y), 0.125f * float((x * y) % 5)});
        for (int s = 0; s < seams; ++s) base.push_back(base[size_t(s * side)]);
        for (int y = 0; y + 1 < side; ++y)
            for (int x = 0; x + 1 < side; ++x) {
                int32_t a = y * side + x;
                faces.push_back({a, a + 1, a + side});
                faces.push_back({a + 1, a + side + 1, a + side});
            }
        order.resize(base.size());
        std::iota(order.begin(), order.end(), 0);
        std::shuffle(order.begin(), order.end(), std::mt19937(seed));
    }

    // The base's OBJ text with `positions` for its vertices.
    std::string Base(const std::vector<Position>& positions) const {
        std::string text = "mtllib base.mtl\n";
        for (const Position& p : positions) text += "v " + Number(p.x) + " " + Number(p.y) + " " + Number(p.z) + "\n";
        for (const Position& p : positions) text += "vt " + Number(p.x / 8) + " " + Number(p.y / 8) + "\n";
        for (size_t f = 0; f < faces.size(); ++f) {
            if (f == 0 || f == faces.size() / 2) text += f ? "g back\nusemtl blue\n" : "g front\nusemtl red\n";
            text += "f";
            for (int32_t v : faces[f]) text += " " + std::to_string(v + 1) + "/" + std::to_string(v + 1);
            text += "\n";
        }
        return text;
    }

    // The copy's OBJ text (another program's order, no UVs) with the base positions each moved by `move`.
    template <typename Move>
    std::string Copy(Move move) const {
        std::string text;
        std::vector<int32_t> inverse(order.size());
        for (size_t i = 0; i < order.size(); ++i) {
            Position p = move(base[size_t(order[i])]);
            inverse[size_t(order[i])] = int32_t(i);
            text += "v " + Number(p.x) + " " + Number(p.y) + " " + Number(p.z) + "\n";
        }
        text += "g mesh\n";
        for (const auto& face : faces)
            text += "f " + std::to_string(inverse[size_t(face[0])] + 1) + " " +
                    std::to_string(inverse[size_t(face[1])] + 1) + " " + std::to_string(inverse[size_t(face[2])] + 1) +
                    "\n";
        return text;
    }

    std::vector<Position> Moved(const Displacement& sculpt) const {
        std::vector<Position> moved;
        for (const Position& p : base) moved.push_back(sculpt.Apply(p));
        return moved;
    }

    // Writes base.obj, base.mtl, matching.obj and shape_<k>.obj for every sculpt into `folder`; with `jitter`, the
    // copy's positions came back from the other program a unit in the last place off.
    void WriteAll(const ScratchFolder& folder, bool jitter = false) const {
        auto copy = [jitter](Position p) {
            return jitter ? Position{std::nextafter(p.x, 100.0f), p.y, std::nextafter(p.z, -100.0f)} : p;
        };
        folder.Write("in/base.obj", Base(base));
        folder.Write("in/base.mtl", "newmtl red\nKd 1 0 0\nnewmtl blue\nKd 0 0 1\n");
        folder.Write("in/matching.obj", Copy(copy));
        for (size_t k = 0; k < std::size(kSculpts); ++k)
            folder.Write("in/shape_" + std::to_string(k) + ".obj",
                         Copy([&](Position p) { return kSculpts[k].Apply(copy(p)); }));
    }
};

}  // namespace family
