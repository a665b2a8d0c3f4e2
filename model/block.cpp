#include "model/block.h"

#include <cstdint>
#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

// Every block starts with a small header that remembers how it was made.
struct BlockHeader {
    size_t mapped_bytes;  // 0 for a heap block, else the length of the mapping
    size_t reserved;      // keeps the payload 16-byte aligned
};

#if defined(__linux__)
constexpr size_t kMapThreshold = size_t(4) << 20;  // map blocks of 4 MiB and more
#endif

// Under AddressSanitizer every block comes from the heap, so that overruns
// and leaks of the big tables and file images are seen like any other.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kHeapOnly = true;
#else
constexpr bool kHeapOnly = false;
#endif

}  // namespace

void* AllocateBlock(size_t bytes) {
    if (bytes == 0 || bytes > SIZE_MAX - sizeof(BlockHeader) - 4096) return nullptr;
    size_t total = bytes + sizeof(BlockHeader);
#if defined(__linux__)
    if (!kHeapOnly && total >= kMapThreshold) {
        void* base = mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (base == MAP_FAILED) return nullptr;
        madvise(base, total, MADV_HUGEPAGE);  // advice only; failure is harmless
        BlockHeader* header = static_cast<BlockHeader*>(base);
        header->mapped_bytes = total;
        return header + 1;
    }
#endif
    BlockHeader* header = static_cast<BlockHeader*>(std::calloc(1, total));
    if (!header) return nullptr;
    header->mapped_bytes = 0;
    return header + 1;
}

void ReleaseBlock(void* block) {
    if (!block) return;
    BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
#if defined(__linux__)
    if (header->mapped_bytes != 0) {
        munmap(header, header->mapped_bytes);
        return;
    }
#endif
    std::free(header);
}
