#pragma once
// An idle thread's help for a busy load. The loading thread offers the
// large new blocks it is about to fill, and may offer a part of its work as
// well; a thread with nothing else to do first takes that part, then makes
// the blocks' pages present ahead of the filling, as writes would, without
// changing a byte. The first touch of a fresh page is the dearest part of
// filling it on some machines (the system clears the page, and a virtual
// machine's host may have to back it first); this way another core pays
// for it.
//
// The offered part is done exactly once: by the helper if it takes it in
// time, otherwise by the loader at its Settle, or not at all when the loader
// drops it. A loader that never finds a helper loses nothing but the wait.
//
// Usage:
//   LoadHelp help;
//   loading thread: help.Offer(blocks, sizes, n, part, context); ...its own work...;
//                   help.Settle(true); ...fills the rest...; help.Close();
//   idle thread:    help.Serve();   // returns once served, or closed
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>

class LoadHelp {
public:
    static constexpr int32_t kMostBlocks = 8;
    using Part = void (*)(void* context);

    // The blocks about to be filled, in the order they will be (the first
    // kMostBlocks; null and empty ones are skipped), and the work a helper
    // may take (null for none). Once.
    void Offer(void* const* blocks, const size_t* sizes, int32_t count, Part part = nullptr,
               void* context = nullptr);
    // The loader's side of the offered part: done here unless a helper has
    // taken it (run), or dropped unless it has (!run); returns once it is
    // done or dropped. Without a part it returns at once.
    void Settle(bool run);
    // Filling is over, done or failed: Serve stops. May come before an offer.
    void Close();
    // Waits for the offer or the close, does the offered part unless the
    // loader has settled it, then makes the offered blocks' pages present,
    // front to back, until all are or the offer is closed. Safe whatever
    // becomes of the blocks meanwhile: it never writes to them.
    void Serve();

private:
    // The offered part: open, taken (by either side) or over.
    enum : int32_t { kOpen, kTaken, kOver };
    void Finish();

    std::mutex lock_;
    std::condition_variable changed_;
    char* starts_[kMostBlocks] = {};
    size_t sizes_[kMostBlocks] = {};
    int32_t count_ = 0;
    Part part_ = nullptr;
    void* context_ = nullptr;
    std::atomic<int32_t> part_state_{kOver};
    bool offered_ = false;
    std::atomic<bool> closed_{false};
};
