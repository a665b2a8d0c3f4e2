#pragma once
// Where a window centred on its parent goes, along one axis.
#include <cstdint>

// parent_start + (parent_size - size) / 2 (truncated toward zero); a negative
// result becomes 0, and only a non-negative one is pulled back so that the
// window ends at the screen's edge: screen_size - size, which is negative for
// a window larger than the screen.
int32_t CenteredCoordinate(int32_t parent_start, int32_t parent_size, int32_t size, int32_t screen_size);
