#pragma once
// Random vertex tables for the position searches: points of a coarse grid with repeats, copies of them moved by a
// little, and a share of awkward coordinates (signed zeros, infinities, NaNs, huge and tiny values).
#include <cmath>
#include <random>
#include <vector>

#include "model/records.h"

struct PositionShape {
    int32_t count;
    float spacing;       // of the grid
    int32_t steps;       // grid points along each axis
    double offset;       // of the grid from the origin
    int32_t odd_percent; // coordinates replaced by an awkward value
};

inline float OddCoordinate(std::mt19937& random) {
    const float odd[] = {0.0f, -0.0f, INFINITY, -INFINITY, NAN, 1e30f, -3e38f, 1e-45f, -2e-39f, 8388609.0f};
    return odd[random() % 10];
}

inline std::vector<Vertex> GridPositions(const PositionShape& shape, std::mt19937& random) {
    std::vector<Vertex> table;
    for (int32_t k = 0; k < shape.count; ++k) {
        if (k > 0 && random() % 10 == 0) {  // a repeat of an earlier position
            table.push_back(table[random() % table.size()]);
            continue;
        }
        float c[3];
        for (float& value : c) {
            value = float(shape.offset + double(shape.spacing) * double(random() % uint32_t(shape.steps)));
            if (int32_t(random() % 100) < shape.odd_percent) value = OddCoordinate(random);
        }
        table.push_back({0, 0, c[0], c[1], c[2]});
    }
    return table;
}

// Copies of random table vertices, each coordinate moved by up to `reach`
// (some not at all), mixed with a share of fresh grid points.
inline std::vector<Vertex> MovedCopies(const std::vector<Vertex>& table, const PositionShape& shape, int32_t count,
                                       double reach, std::mt19937& random) {
    std::vector<Vertex> copies = GridPositions({count, shape.spacing, shape.steps, shape.offset, shape.odd_percent},
                                               random);
    std::uniform_real_distribution<double> move(-reach, reach);
    for (Vertex& v : copies) {
        if (table.empty() || random() % 10 < 3) continue;
        v = table[random() % table.size()];
        for (float* value : {&v.x, &v.y, &v.z}) {
            if (random() % 4) *value = float(double(*value) + move(random));
        }
    }
    return copies;
}
