#pragma once
// Models built by hand for the morph tests, and a recording fake of the host.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "model/block.h"
#include "model/model.h"
#include "morph/host.h"

struct Position {
    float x, y, z;
};

// Fills model with the given vertices and one group of faces (corner lists of
// vertex indices; texcoord and normal indices are set to 100 + corner so a
// test can see that they are left alone).
inline void BuildModel(Model& model, const std::vector<Position>& positions,
                       const std::vector<std::vector<int32_t>>& faces) {
    model.Release();
    model.vertex_count = int32_t(positions.size());
    model.vertices = AllocateTable<Vertex>(positions.size());
    for (size_t i = 0; i < positions.size(); ++i) {
        model.vertices[i].x = positions[i].x;
        model.vertices[i].y = positions[i].y;
        model.vertices[i].z = positions[i].z;
    }
    model.group_count = 1;
    model.groups = AllocateTable<Group>(1);
    Group& group = model.groups[0];
    group.face_count = group.face_fill = int32_t(faces.size());
    group.faces = faces.empty() ? nullptr : AllocateTable<Face>(faces.size());
    for (size_t f = 0; f < faces.size(); ++f) {
        Face& face = group.faces[f];
        size_t n = faces[f].size();
        face.corner_count = int32_t(n);
        face.vertex_indices = AllocateTable<int32_t>(n);
        face.texcoord_indices = AllocateTable<int32_t>(n);
        face.normal_indices = AllocateTable<int32_t>(n);
        for (size_t c = 0; c < n; ++c) {
            face.vertex_indices[c] = faces[f][c];
            face.texcoord_indices[c] = int32_t(100 + c);
            face.normal_indices[c] = int32_t(100 + c);
        }
    }
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

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

// A fresh folder for one test, removed afterwards. path() ends without a
// separator; Join adds the platform's preferred one.
struct TempFolder {
    std::filesystem::path root;
    TempFolder() {
        std::random_device device;
        root = std::filesystem::temp_directory_path() / ("quandre_morph_" + std::to_string(device()) + std::to_string(device()));
        std::filesystem::create_directories(root);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    std::string Join(const std::string& name) const { return (root / name).string(); }
    std::string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(root / name, std::ios::binary) << bytes;
        return Join(name);
    }
    std::string Directory() const { return (root / "").string(); }  // with a trailing separator
};

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}
