// Face lines of up to sixteen plain corner tokens are read on a short road;
// longer lines, and lines with any other token, take the general one. Both
// must give the same corners for every token.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reader_test_support.h"

namespace {

TEST(LoadObj, ShortAndLongFaceLinesReadEveryTokenAlike) {
    std::string text;
    for (int i = 1; i <= 12; ++i) {
        std::string value = std::to_string(i);
        text += "v " + value + " 0 0\nvt " + value + " 0\nvn 0 " + value + " 0\n";
    }
    // Tokens of digit runs (up to ten digits, a tenth digit leaves the
    // short road), slashes, signs and odd bytes.
    const char alphabet[] = {'0', '1', '1', '2', '/', '/', '-', '+', 'x', '\v'};
    uint64_t state = 11;
    auto next = [&state](uint64_t range) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return (state >> 33) % range;
    };
    const int kRounds = 3000;
    std::vector<int> token_counts;
    for (int round = 0; round < kRounds; ++round) {
        int tokens = 1 + static_cast<int>(next(16));
        std::string corners;
        for (int k = 0; k < tokens; ++k) {
            std::string token;
            int length = 1 + static_cast<int>(next(round % 3 == 0 ? 24 : 8));
            for (int i = 0; i < length; ++i) token += alphabet[next(round % 2 == 0 ? 4 : sizeof alphabet)];
            corners += (next(2) ? " " : " \t") + token;
        }
        text += "f" + corners + "\n";  // the short road when every token is plain
        std::string padded = corners;
        for (int k = tokens; k < 17; ++k) padded += " 1";
        text += "f" + padded + "\r\n";  // seventeen tokens: always the general road
        token_counts.push_back(tokens);
    }
    ScratchFolder folder;
    std::string path = folder.Write("faces.obj", text);
    Model model;
    ASSERT_EQ(model.LoadObj(path.c_str()), 1);
    ASSERT_EQ(model.groups[0].face_fill, 2 * kRounds);
    int plain_shorts = 0;
    for (int round = 0; round < kRounds; ++round) {
        const Face& short_line = model.groups[0].faces[2 * round];
        const Face& long_line = model.groups[0].faces[2 * round + 1];
        ASSERT_EQ(short_line.corner_count, token_counts[round]) << round;
        ASSERT_EQ(long_line.corner_count, 17) << round;
        bool any_in_range = false;
        for (int i = 0; i < short_line.corner_count; ++i) {
            EXPECT_EQ(short_line.vertex_indices[i], long_line.vertex_indices[i]) << round << " corner " << i;
            EXPECT_EQ(short_line.texcoord_indices[i], long_line.texcoord_indices[i]) << round << " corner " << i;
            EXPECT_EQ(short_line.normal_indices[i], long_line.normal_indices[i]) << round << " corner " << i;
            any_in_range = any_in_range || short_line.vertex_indices[i] != 0 || short_line.texcoord_indices[i] != 0;
        }
        plain_shorts += any_in_range;
    }
    // The values are not all clamped to 0: the comparison saw real indices.
    EXPECT_GT(plain_shorts, kRounds / 4);
}

}  // namespace
