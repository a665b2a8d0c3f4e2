#pragma once
// Fresh memory taken off a busy thread's path. A thread about to fill large
// new blocks offers them; a thread with nothing else to do makes their
// pages present ahead of the filling, as writes would, without changing a
// byte. The first touch of a fresh page is the dearest part of filling it on
// some machines (the system clears the page, and a virtual machine's host
// may have to back it first); this way another core pays for it.
//
// Usage:
//   PageHelp help;
//   filling thread: help.Offer(blocks, sizes, n); ...fills them...; help.Close();
//   idle thread:    help.Serve();   // returns once served, or closed
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>

class PageHelp {
public:
    static constexpr int32_t kMostBlocks = 8;

    // The blocks about to be filled, in the order they will be (the first
    // kMostBlocks; null and empty ones are skipped). Once.
    void Offer(void* const* blocks, const size_t* sizes, int32_t count);
    // Filling is over, done or failed: Serve stops. May come before an offer.
    void Close();
    // Waits for the offer or the close, then makes the offered blocks' pages
    // present, front to back, until all are or the offer is closed. Safe
    // whatever becomes of the blocks meanwhile: it never writes to them.
    void Serve();

private:
    std::mutex lock_;
    std::condition_variable changed_;
    char* starts_[kMostBlocks] = {};
    size_t sizes_[kMostBlocks] = {};
    int32_t count_ = 0;
    bool offered_ = false;
    std::atomic<bool> closed_{false};
};
