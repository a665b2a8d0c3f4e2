#include "platform/block.h"

#include "platform/block_header.h"
#include "platform/mapped_file.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#if defined(__linux__)
#include <mutex>

#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

// Under AddressSanitizer every block comes from the heap, so that overruns
// and leaks of the big tables and file images are seen like any other.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kHeapOnly = true;
#else
constexpr bool kHeapOnly = false;
#endif

#if defined(__linux__)
// Blocks of 1 MiB and more are mapped: a huge page costs a tenth of the
// faults of the 4 KiB pages the heap would touch them with, and at this size
// rounding up to whole huge pages at most doubles the block.
constexpr size_t kMapThreshold = size_t(1) << 20;
constexpr size_t kHugePage = size_t(2) << 20;      // mappings are whole huge pages

size_t KeptBytesLimit() {
    const size_t least = size_t(1) << 30;
    long pages = sysconf(_SC_PHYS_PAGES);
    long page_bytes = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || page_bytes <= 0) return least;
    size_t quarter_pages = size_t(pages) / 4;
    if (quarter_pages > SIZE_MAX / size_t(page_bytes)) return SIZE_MAX;
    size_t quarter = quarter_pages * size_t(page_bytes);
    return quarter > least ? quarter : least;
}

// Released mappings kept for the next large block. The first touch of a
// fresh page costs far more than clearing one already touched (on some
// virtual machines ten times more), and a Convert releases the scratch of
// one stage just before the next one asks for its own. Up to a quarter of
// the machine's memory is kept: a fixed limit would make the tables of a
// large shape, which a batch converts one after the other, fresh for every
// file. Kept mappings serve every later request, cut from a larger one or
// grown from the largest; what such cuts leave over raises a batch's peak.
struct SpareMappings {
    static constexpr int kSlots = 32;
    const size_t max_bytes = KeptBytesLimit();  // kept at most in all
    struct Spare {
        char* base;
        size_t bytes;
    };
    std::mutex lock;
    Spare spares[kSlots] = {};
    int count = 0;
    size_t bytes = 0;

    // A kept mapping of at least `wanted` bytes (the smallest such), cut to
    // `wanted` when the rest is worth keeping; failing that the largest one
    // grown to `wanted` with its touched pages. `reused` is set to the bytes
    // that were touched before. Null when nothing is kept.
    char* Take(size_t wanted, size_t& mapped, size_t& reused) {
        std::lock_guard<std::mutex> guard(lock);
        if (count == 0) return nullptr;
        int pick = -1;
        for (int i = 0; i < count; ++i) {
            if (spares[i].bytes >= wanted && (pick < 0 || spares[i].bytes < spares[pick].bytes)) pick = i;
        }
        if (pick >= 0) {
            Spare& spare = spares[pick];
            char* base = spare.base;
            if (spare.bytes - wanted >= kMapThreshold) {
                spare.base += wanted;  // the rest stays a mapping of its own
                spare.bytes -= wanted;
                bytes -= wanted;
                mapped = reused = wanted;
                return base;
            }
            mapped = reused = spare.bytes;
            Remove(pick);
            return base;
        }
        int largest = 0;
        for (int i = 1; i < count; ++i) {
            if (spares[i].bytes > spares[largest].bytes) largest = i;
        }
        Spare spare = spares[largest];
        Remove(largest);
        void* grown = mremap(spare.base, spare.bytes, wanted, MREMAP_MAYMOVE);
        if (grown == MAP_FAILED) {
            munmap(spare.base, spare.bytes);
            return nullptr;
        }
        madvise(grown, wanted, MADV_HUGEPAGE);
        mapped = wanted;
        reused = spare.bytes;
        return static_cast<char*>(grown);
    }

    // Keeps a released mapping, giving up the smallest kept ones when the
    // slots or the byte limit run out.
    void Keep(char* base, size_t length) {
        std::lock_guard<std::mutex> guard(lock);
        while (count > 0 && (count == kSlots || bytes + length > max_bytes)) {
            int smallest = 0;
            for (int i = 1; i < count; ++i) {
                if (spares[i].bytes < spares[smallest].bytes) smallest = i;
            }
            if (spares[smallest].bytes > length) break;
            munmap(spares[smallest].base, spares[smallest].bytes);
            Remove(smallest);
        }
        if (count == kSlots || bytes + length > max_bytes) {
            munmap(base, length);
            return;
        }
        spares[count++] = {base, length};
        bytes += length;
    }

    void ReleaseAll() {
        std::lock_guard<std::mutex> guard(lock);
        for (int i = 0; i < count; ++i) munmap(spares[i].base, spares[i].bytes);
        count = 0;
        bytes = 0;
    }

    void Remove(int i) {
        bytes -= spares[i].bytes;
        spares[i] = spares[--count];
    }
};

SpareMappings& Spares() {
    static SpareMappings spares;
    return spares;
}

void* MapBlock(size_t bytes, bool cleared) {
    size_t wanted = (bytes + sizeof(BlockHeader) + kHugePage - 1) & ~(kHugePage - 1);
    size_t mapped = 0;
    size_t reused = 0;
    char* base = Spares().Take(wanted, mapped, reused);
    if (!base) {
        void* fresh = mmap(nullptr, wanted, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (fresh == MAP_FAILED) return nullptr;
        madvise(fresh, wanted, MADV_HUGEPAGE);  // advice only; failure is harmless
        base = static_cast<char*>(fresh);
        mapped = wanted;
    }
    BlockHeader* header = reinterpret_cast<BlockHeader*>(base);
    header->mapped_bytes = mapped;
    header->kind = kMappedMemory;
    size_t total = bytes + sizeof(BlockHeader);
    if (cleared && reused > sizeof(BlockHeader)) {
        size_t dirty = (reused < total ? reused : total) - sizeof(BlockHeader);
        std::memset(header + 1, 0, dirty);  // fresh pages beyond come zeroed
    }
    return header + 1;
}
#endif

void* Allocate(size_t bytes, bool cleared) {
    if (bytes == 0 || bytes > SIZE_MAX - sizeof(BlockHeader) - (size_t(4) << 20)) return nullptr;
    size_t total = bytes + sizeof(BlockHeader);
#if defined(__linux__)
    if (!kHeapOnly && total >= kMapThreshold) return MapBlock(bytes, cleared);
#endif
    BlockHeader* header = static_cast<BlockHeader*>(cleared ? std::calloc(1, total) : std::malloc(total));
    if (!header) return nullptr;
    header->mapped_bytes = 0;
    header->kind = kMappedMemory;
    return header + 1;
}

}  // namespace

void* AllocateBlock(size_t bytes) { return Allocate(bytes, true); }

void* AllocateUnclearedBlock(size_t bytes) { return Allocate(bytes, false); }

void ReleaseSpareBlocks() {
#if defined(__linux__)
    Spares().ReleaseAll();
#endif
}

void ReleaseBlock(void* block) {
    if (!block) return;
    BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
#if defined(__linux__)
    if (header->kind == kMappedFile) {
        ReleaseMappedFile(block);
        return;
    }
    if (header->mapped_bytes != 0) {
        Spares().Keep(reinterpret_cast<char*>(header), header->mapped_bytes);
        return;
    }
#endif
    std::free(header);
}
