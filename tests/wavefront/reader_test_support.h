#pragma once
// Helpers of the reader tests: a reader's file image from a string, and the
// file helpers.
#include <cstring>
#include <string>

#include "platform/block.h"
#include "model/model.h"
#include "wavefront/obj_reader.h"
#include "tests/wavefront/file_test_support.h"

inline void SetText(ObjReader& reader, const std::string& content) {
    reader.ReleaseText();
    if (!content.empty()) {
        reader.text.data = static_cast<unsigned char*>(AllocateBlock(content.size()));
        std::memcpy(reader.text.data, content.data(), content.size());
    }
    reader.text.size = static_cast<uint32_t>(content.size());
    reader.text.read_pos = 0;
}
