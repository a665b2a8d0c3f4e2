#pragma once
// The header in front of every block, shared by the block allocator and the
// mapped file images.
#include <cstddef>

struct BlockHeader {
    size_t mapped_bytes;  // 0 for a heap block, else the length of the mapping
    size_t kind;          // kMappedMemory or kMappedFile; keeps the payload 16-byte aligned
};

constexpr size_t kMappedMemory = 0;
constexpr size_t kMappedFile = 1;
