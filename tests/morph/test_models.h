#pragma once
// Models built by hand for the morph tests, and a recording fake of the host.
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

// Fills model with the given vertices and one group of faces (corner lists of
// vertex indices; texcoord and normal indices are set to 100 + corner so a
// test can see that they are left alone).
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

// Records every call made through the seam, one line each.
struct RecordingHost : WindowHost, ProgressBar {
    std::string fields[3];  // 3000, 3001, 3002
    int32_t answer = kAnswerOk;
    std::vector<std::string> events;

    void GetItemText(int32_t id, char* buffer, int32_t capacity) override {
        std::string text = (id >= kOriginalFieldId && id <= kNewFieldId) ? fields[id - kOriginalFieldId] : "";
        if (text.size() > size_t(capacity - 1)) text.resize(size_t(capacity - 1));
        std::memcpy(buffer, text.c_str(), text.size() + 1);
    }
    void SetItemText(int32_t id, const char* text) override {
        events.push_back("text " + std::to_string(id) + " " + text);
    }
    int32_t AskOkCancel(const char* text, const char* title) override {
        events.push_back(std::string("ask ") + title + "\n" + text);
        return answer;
    }
    void OpenWithShell(const char* path) override { events.push_back(std::string("shell ") + path); }
    void SendProgress(uint32_t message, uintptr_t wparam, intptr_t lparam) override {
        if (message == kProgressStepIt && wparam == 0 && lparam == 0)
            events.push_back("step");
        else if (message == kProgressSetPos && lparam == 0)
            events.push_back("pos " + std::to_string(wparam));
        else
            events.push_back("progress " + std::to_string(message) + " " + std::to_string(wparam) + " " +
                             std::to_string(lparam));
    }
};
