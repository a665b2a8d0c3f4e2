#pragma once
// Helpers of the reader tests: a Model's file image from a string, and the
// file helpers.
#include <cstring>
#include <string>

#include "platform/block.h"
#include "model/model.h"
#include "tests/wavefront/file_test_support.h"

inline void SetText(Model& model, const std::string& content) {
    model.ReleaseText();
    if (!content.empty()) {
        model.text.data = static_cast<unsigned char*>(AllocateBlock(content.size()));
        std::memcpy(model.text.data, content.data(), content.size());
    }
    model.text.size = static_cast<uint32_t>(content.size());
    model.text.read_pos = 0;
}
