// Items run once each, and never more of them hold a processor slot at once
// than there are slots, however many threads wait for one.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/parallel.h"

TEST(Parallel, SlotsBoundTheItemsComputingAtOnce) {
    for (int32_t slot_count : {1, 2, 3}) {
        ProcessorSlots slots(slot_count);
        std::vector<std::atomic<int32_t>> runs(200);
        std::atomic<int32_t> inside{0}, most{0};
        RunInParallel(200, 8, [&](int32_t k) {
            slots.Take();
            int32_t now = ++inside;
            for (int32_t seen = most.load(); now > seen && !most.compare_exchange_weak(seen, now);) {}
            std::this_thread::sleep_for(std::chrono::microseconds(200));  // lets the others pile up
            --inside;
            slots.Give();
            ++runs[size_t(k)];
        });
        for (const auto& count : runs) EXPECT_EQ(count.load(), 1);
        EXPECT_LE(most.load(), slot_count);
    }
}
