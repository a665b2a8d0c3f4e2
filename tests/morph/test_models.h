#pragma once
// Models built by hand for the morph tests, and a host that stays quiet.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "model/model.h"
#include "morph/host.h"
#include "tests/model/hand_model.h"
#include "tests/wavefront/file_test_support.h"

struct Position {
    float x, y, z;
};

// Fills model with the given vertices and one group of faces (corner lists of vertex indices; texcoord and normal
// indices are set to 100 + corner so a test can see that they are left alone).
inline void BuildModel(Model& model, const std::vector<Position>& positions,
                       const std::vector<std::vector<int32_t>>& faces) {
    model.Release();
    std::vector<std::array<float, 3>> xyz;
    for (const Position& p : positions) xyz.push_back({p.x, p.y, p.z});
    SetVertices(model, xyz);
    std::vector<HandFace> hand;
    for (const std::vector<int32_t>& corners : faces) {
        std::vector<int32_t> marks;
        for (size_t c = 0; c < corners.size(); ++c) marks.push_back(int32_t(100 + c));
        hand.push_back(HandFace{0, corners, marks, marks});
    }
    SetGroups(model, {}, {hand});
}

inline std::vector<int32_t> Corners(const Model& model) {
    std::vector<int32_t> corners;
    for (int32_t g = 0; g < model.group_count; ++g)
        for (int32_t f = 0; f < model.groups[g].face_count; ++f) {
            const Face& face = model.groups[g].faces[f];
            for (int32_t c = 0; c < face.corner_count; ++c) corners.push_back(face.vertex_indices[c]);
        }
    return corners;
}

// The vertex table as raw bytes, so that -0.0, +0.0 and NaNs compare exactly.
inline std::vector<uint8_t> VertexBytes(const Model& model) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(model.vertices);
    return std::vector<uint8_t>(p, p + sizeof(Vertex) * size_t(model.vertex_count));
}

// The positions of the OBJ file at path, as loaded.
inline std::vector<Position> ReadPositions(const std::string& path) {
    Model model;
    EXPECT_EQ(model.LoadObj(path.c_str()), 1) << path;
    std::vector<Position> positions;
    for (int32_t k = 0; k < model.vertex_count; ++k)
        positions.push_back({model.vertices[k].x, model.vertices[k].y, model.vertices[k].z});
    return positions;
}

// A host that answers the face-count question and otherwise lets the run go by.
struct QuietHost : OperationHost {
    int32_t answer = 1;
    void ShowStatus(const char*) override {}
    void StepProgress() override {}
    void SetProgress(int32_t, int32_t) override {}
    int32_t AskToContinue(const char*, const char*) override { return answer; }
};
