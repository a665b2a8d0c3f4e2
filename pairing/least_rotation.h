#pragma once
// The least rotation of a cyclic sequence, in linear time: where to start
// reading a face's corners so that every copy of the face, whatever corner
// it was written from, reads the same.
#include <cstdint>

// The start of the least rotation of the c corners as `key` reads them,
// and whether the cycle repeats a shorter one (two starts compared equal
// all the way round).
template <typename Key>
int32_t LeastRotation(const int32_t* corners, int32_t c, const Key& key, bool& periodic) {
    int32_t i = 0, j = 1, k = 0;
    while (i < c && j < c && k < c) {
        int32_t a = key(corners[(i + k) % c]);
        int32_t b = key(corners[(j + k) % c]);
        if (a == b) {
            ++k;
            continue;
        }
        if (a > b) i += k + 1; else j += k + 1;
        if (i == j) ++j;
        k = 0;
    }
    periodic = k >= c;
    return i < j ? i : j;
}
