// A thread serving load help never changes a byte of what another thread
// fills meanwhile, stops once the filling is over, offered or not, and does
// the offered part of the work unless the loader settled it first.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>

#include "platform/block.h"
#include "platform/load_help.h"

TEST(LoadHelp, TheServerLeavesEveryByteToTheFillingThread) {
    const size_t bytes = size_t(24) << 20;
    for (bool offered : {true, false}) {
        ScopedBlock<uint8_t> block(AllocateUnclearedTable<uint8_t>(bytes));
        ASSERT_NE(block.Get(), nullptr);
        LoadHelp help;
        std::thread server([&help] { help.Serve(); });
        void* blocks[] = {block.Get()};
        size_t sizes[] = {bytes};
        if (offered) help.Offer(blocks, sizes, 1);
        // Back to front: the server's walk from the front meets filled bytes.
        for (size_t i = bytes; i-- > 0;) block[i] = uint8_t(i * 7 + 1);
        help.Close();
        server.join();
        size_t differing = 0;
        for (size_t i = 0; i < bytes; ++i) differing += block[i] != uint8_t(i * 7 + 1);
        EXPECT_EQ(differing, 0u) << offered;
    }
}

// The part is done once: by a helper that came first, else by the loader's
// Settle(true); a Settle(false) before any helper drops it.
TEST(LoadHelp, TheOfferedPartIsDoneOnce) {
    struct Case { bool served; bool run; int done; } cases[] = {
        {true, true, 1}, {true, false, 1}, {false, true, 1}, {false, false, 0},
    };
    for (const Case& c : cases) {
        LoadHelp help;
        std::atomic<int> done{0};
        help.Offer(nullptr, nullptr, 0, [](void* count) { ++*static_cast<std::atomic<int>*>(count); }, &done);
        if (c.served) std::thread([&help] { help.Serve(); }).join();
        help.Settle(c.run);
        help.Settle(c.run);
        std::thread late([&help] { help.Serve(); });
        help.Close();
        late.join();
        EXPECT_EQ(done, c.done) << c.served << c.run;
    }
}
