#include "app/centring.h"

#include <gtest/gtest.h>

namespace {

TEST(Centring, OneAxis) {
    struct Case {
        int32_t parent_start, parent_size, size, screen, expected;
    } cases[] = {
        {0, 1024, 400, 1024, 312},     // centred on the screen
        {0, 1023, 400, 1024, 311},     // the half pixel is dropped
        {100, 300, 200, 1024, 150},    // centred on a parent
        {-500, 300, 200, 1024, 0},     // negative: to the edge
        {0, 1024, 1026, 1024, 0},      // two wider: centred at -1, a negative position becomes 0
        {0, 1024, 1025, 1024, -1},     // one wider: (1024 - 1025) / 2 truncates to 0, pulled back to -1
        {0, 1025, 1025, 1024, -1},     // centred at 0 on a parent of its own size, pulled back to -1
        {900, 300, 200, 1024, 824},    // past the right edge: pulled back
        {0, 1024, 2000, 1024, 0},      // far larger: negative centre becomes 0
        {0, 1000, 1100, 1024, 0},      // a negative centre stays at 0 though the window overhangs the far edge
        {60, 1000, 1100, 1024, -76},   // a non-negative one is pulled back to screen - size, a negative position
    };
    for (const Case& c : cases)
        EXPECT_EQ(CenteredCoordinate(c.parent_start, c.parent_size, c.size, c.screen), c.expected)
            << c.parent_start << " " << c.parent_size << " " << c.size << " " << c.screen;
}

}  // namespace
