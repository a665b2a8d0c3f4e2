#include <gtest/gtest.h>

#include <string>

#include "model/model.h"
#include "tests/wavefront/file_test_support.h"

// A file large enough to be mapped loads like any other.
TEST(LoadObj, ALargeFileLoadsWhole) {
    constexpr int kVertices = 300000;
    std::string content = "g big\n";
    for (int i = 0; i < kVertices; ++i) content += "v " + std::to_string(i) + " 0.5 -2\n";
    for (int i = 1; i + 2 <= kVertices; i += 3) {
        content += "f " + std::to_string(i) + " " + std::to_string(i + 1) + " " + std::to_string(i + 2) + "\n";
    }
    ASSERT_GE(content.size(), size_t(4) << 20);
    ScratchFolder folder;
    Model model;
    ASSERT_EQ(model.LoadObj(folder.Write("big.obj", content).c_str()), 1);
    ASSERT_EQ(model.vertex_count, kVertices);
    EXPECT_EQ(model.vertices[kVertices - 1].x, float(kVertices - 1));
    EXPECT_EQ(model.vertices[kVertices - 1].z, -2.0f);
    ASSERT_EQ(model.group_count, 1);
    ASSERT_EQ(model.groups[0].face_fill, kVertices / 3);
    const Face& last = model.groups[0].faces[kVertices / 3 - 1];
    EXPECT_EQ(last.vertex_indices[2], kVertices - 1);
}
