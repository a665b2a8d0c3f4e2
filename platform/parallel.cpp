#include "platform/parallel.h"

#include <atomic>
#include <thread>
#include <vector>

int32_t ProcessorCount() {
    unsigned count = std::thread::hardware_concurrency();
    return count > 0 ? static_cast<int32_t>(count) : 1;
}

void RunInParallel(int32_t count, int32_t threads, const std::function<void(int32_t)>& work) {
    if (count <= 0) return;
    if (threads > count) threads = count;
    if (threads < 1) threads = 1;
    std::atomic<int32_t> next{0};
    auto drain = [&] {
        for (int32_t k = next.fetch_add(1); k < count; k = next.fetch_add(1)) work(k);
    };
    std::vector<std::thread> helpers;
    helpers.reserve(static_cast<size_t>(threads - 1));
    for (int32_t t = 1; t < threads; ++t) helpers.emplace_back(drain);
    drain();
    for (std::thread& helper : helpers) helper.join();
}

void ProcessorSlots::Take() {
    std::unique_lock<std::mutex> guard(lock_);
    freed_.wait(guard, [this] { return free_ > 0; });
    --free_;
}

void ProcessorSlots::Give() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        ++free_;
    }
    freed_.notify_one();
}
