#pragma once
// File images mapped from the page cache instead of copied into fresh memory.
//
// A mapped image is a block like any other: ReleaseBlock gives it back. If
// the file is cut short while it is mapped, reading a page past its new end
// would raise SIGBUS; a guard catches that fault for mapped images only,
// puts a page of zeros in place of the lost one and marks the image, so the
// reader finishes on harmless bytes and its caller fails the load.
#include <cstddef>
#include <cstdint>

// Maps `bytes` bytes of the open regular file `descriptor` read-only. Null
// when this build or platform doesn't map files, when the file is smaller
// than a mapping is worth, or when the mapping fails: the caller then reads
// the file instead.
void* MapFileBlock(int descriptor, size_t bytes);

// 1 unless the block is a mapped image that lost pages since it was mapped.
int32_t BlockIntact(const void* block);

// Unmaps a mapped image (the block allocator's ReleaseBlock calls it).
void ReleaseMappedFile(void* block);
