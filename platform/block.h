#pragma once
// Zero-filled heap blocks for the Model's tables and file images.
//
// Every table is created once at its final size and never grown, so one
// allocation path serves them all. Large blocks are mapped directly and
// advised for transparent huge pages where the platform offers them: a
// large table then takes one page fault per huge page on first touch, not
// one per small page as a plain heap block would. Released large blocks
// are kept for the next request they can serve, so a file image or table
// released just before another is made does not pay for fresh pages again.
#include <cstddef>

// A zero-filled block of `bytes` bytes, or null when it can't be had
// (also for 0 bytes).
void* AllocateBlock(size_t bytes);

// The same, for a block the caller fills completely itself: its bytes are
// not cleared first.
void* AllocateUnclearedBlock(size_t bytes);

// Releases a block from AllocateBlock, AllocateUnclearedBlock or MapFileBlock
// (a mapped file image is unmapped); null is ignored.
void ReleaseBlock(void* block);

// Gives the released blocks that are kept for reuse back to the system;
// an operation calls it when it is done.
void ReleaseSpareBlocks();

// Typed helper: a zero-filled table of `count` records.
template <typename T>
T* AllocateTable(size_t count) {
    if (count == 0 || count > (size_t)-1 / sizeof(T)) return nullptr;
    return static_cast<T*>(AllocateBlock(count * sizeof(T)));
}

// The same for scratch tables whose records are all written before any is
// read: clearing them first would only cost time.
template <typename T>
T* AllocateUnclearedTable(size_t count) {
    if (count == 0 || count > (size_t)-1 / sizeof(T)) return nullptr;
    return static_cast<T*>(AllocateUnclearedBlock(count * sizeof(T)));
}

// Owns one block until the end of its scope, so that a function with
// several ways out releases what it made on each of them without a chain
// of ReleaseBlock calls. Take hands the block on and leaves nothing to
// release; Reset releases it at a chosen point, where the order in which
// blocks go back matters to which of them are kept for reuse.
template <typename T>
class ScopedBlock {
public:
    explicit ScopedBlock(T* block = nullptr) : block_(block) {}
    ~ScopedBlock() { ReleaseBlock(block_); }
    ScopedBlock(const ScopedBlock&) = delete;
    ScopedBlock& operator=(const ScopedBlock&) = delete;

    T* Get() const { return block_; }
    T& operator[](size_t i) const { return block_[i]; }
    T* Take() {
        T* block = block_;
        block_ = nullptr;
        return block;
    }
    void Reset(T* block = nullptr) {
        ReleaseBlock(block_);
        block_ = block;
    }

private:
    T* block_;
};
