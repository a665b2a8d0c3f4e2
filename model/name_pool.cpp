// The name pool: the text of a Model's names in one block that grows by
// doubling, so keeping n bytes of names costs O(n) however they come.
#include <cstring>

#include "platform/block.h"
#include "model/model.h"

namespace {

constexpr uint32_t kFirstPoolSize = 4096;

// Room for `more` bytes after the fill; false when memory ran out.
bool Reserve(NamePool& pool, uint64_t more) {
    uint64_t needed = uint64_t(pool.fill) + more;
    if (pool.text && needed <= pool.size) return true;
    if (needed > UINT32_MAX) return false;
    uint64_t size = pool.size ? pool.size : kFirstPoolSize;
    while (size < needed) size *= 2;
    if (size > UINT32_MAX) size = UINT32_MAX;
    // Only the bytes in use are ever read, so the block is not cleared.
    char* text = static_cast<char*>(AllocateUnclearedBlock(static_cast<size_t>(size)));
    if (!text) return false;
    if (pool.text) {
        std::memcpy(text, pool.text, pool.fill);
    } else {
        text[0] = '\0';  // offset 0: the empty name
        pool.fill = 1;
    }
    ReleaseBlock(pool.text);
    pool.text = text;
    pool.size = static_cast<uint32_t>(size);
    return true;
}

}  // namespace

int32_t Model::KeepName(const char* text, size_t length, size_t capacity, uint32_t& offset) {
    offset = 0;
    if (capacity == 0 || !text) return 1;
    if (length > capacity - 1) length = capacity - 1;
    const void* stop = std::memchr(text, '\0', length);
    if (stop) length = static_cast<size_t>(static_cast<const char*>(stop) - text);
    return KeepBytes(text, length, offset);
}

int32_t Model::KeepBytes(const char* text, size_t length, uint32_t& offset) {
    offset = 0;
    if (length == 0 || !text) return 1;
    if (!Reserve(name_pool, uint64_t(length) + 1 + (name_pool.text ? 0 : 1))) return 0;
    offset = name_pool.fill;
    std::memcpy(name_pool.text + offset, text, length);
    name_pool.text[offset + length] = '\0';
    name_pool.fill += static_cast<uint32_t>(length) + 1;
    return 1;
}
