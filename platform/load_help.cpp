#include "platform/load_help.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

// Pages are made present a slice at a time, so that a close is seen soon.
constexpr size_t kSlice = size_t(2) << 20;

// The pages of [start, start + bytes) present and writable, their bytes as
// they were. Fails quietly where the system has no such call (before Linux
// 5.14, and elsewhere) or the range is no longer mapped.
void MakePresent(char* start, size_t bytes) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    const uintptr_t page = 4096;
    uintptr_t first = reinterpret_cast<uintptr_t>(start) & ~(page - 1);
    uintptr_t end = (reinterpret_cast<uintptr_t>(start) + bytes + page - 1) & ~(page - 1);
    madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
#else
    (void)start, (void)bytes;
#endif
}

}  // namespace

void LoadHelp::Offer(void* const* blocks, const size_t* sizes, int32_t count, Part part, void* context) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        for (int32_t i = 0; i < count && count_ < kMostBlocks; ++i) {
            if (!blocks[i] || sizes[i] == 0) continue;
            starts_[count_] = static_cast<char*>(blocks[i]);
            sizes_[count_++] = sizes[i];
        }
        part_ = part;
        context_ = context;
        if (part) part_state_ = kOpen;
        offered_ = true;
    }
    changed_.notify_all();
}

void LoadHelp::Finish() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        part_state_ = kOver;
    }
    changed_.notify_all();
}

void LoadHelp::Settle(bool run) {
    int32_t open = kOpen;
    if (part_state_.compare_exchange_strong(open, kTaken)) {
        if (run) part_(context_);
        Finish();
        return;
    }
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return part_state_ == kOver; });
}

void LoadHelp::Close() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        closed_ = true;
    }
    changed_.notify_all();
}

void LoadHelp::Serve() {
    {
        std::unique_lock<std::mutex> guard(lock_);
        changed_.wait(guard, [this] { return offered_ || closed_; });
    }
    int32_t open = kOpen;
    if (part_state_.compare_exchange_strong(open, kTaken)) {
        part_(context_);
        Finish();
    }
    for (int32_t i = 0; i < count_; ++i) {
        for (size_t done = 0; done < sizes_[i] && !closed_; done += kSlice) {
            size_t left = sizes_[i] - done;
            MakePresent(starts_[i] + done, left < kSlice ? left : kSlice);
        }
    }
}
