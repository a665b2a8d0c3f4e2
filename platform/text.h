#pragma once
// Fixed-capacity text: every name and path of the program is a NUL-terminated
// string in an array of fixed capacity. Text that does not fit is cut to
// capacity - 1 bytes, the same way wherever the same name is made.
#include <cstddef>
#include <cstring>

// Copies `length` bytes of `source` (cut to capacity - 1) and terminates.
inline void CopyText(char* destination, size_t capacity, const char* source, size_t length) {
    if (capacity == 0) return;
    if (length > capacity - 1) length = capacity - 1;
    if (length) std::memmove(destination, source, length);
    destination[length] = '\0';
}

// Copies a NUL-terminated string, cut to capacity - 1.
inline void CopyText(char* destination, size_t capacity, const char* source) {
    CopyText(destination, capacity, source, source ? std::strlen(source) : 0);
}

// Appends a NUL-terminated string to the one in `destination`, cut so that
// the whole stays within capacity - 1. Returns 1 when all of it fitted.
inline int AppendText(char* destination, size_t capacity, const char* source) {
    size_t used = std::strlen(destination);
    size_t length = std::strlen(source);
    if (used >= capacity) return 0;
    size_t room = capacity - 1 - used;
    size_t take = length < room ? length : room;
    std::memcpy(destination + used, source, take);
    destination[used + take] = '\0';
    return take == length ? 1 : 0;
}

template <size_t N>
inline void CopyText(char (&destination)[N], const char* source) {
    CopyText(destination, N, source);
}
template <size_t N>
inline void CopyText(char (&destination)[N], const char* source, size_t length) {
    CopyText(destination, N, source, length);
}
template <size_t N>
inline int AppendText(char (&destination)[N], const char* source) {
    return AppendText(destination, N, source);
}
