#include "app/centring.h"

int32_t CenteredCoordinate(int32_t parent_start, int32_t parent_size, int32_t size, int32_t screen_size) {
    int32_t position = parent_start + (parent_size - size) / 2;
    if (position < 0) return 0;
    if (position + size > screen_size) return screen_size - size;
    return position;
}
