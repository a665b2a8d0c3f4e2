// A thread serving page help never changes a byte of what another thread
// fills meanwhile, and stops once the filling is over, offered or not.
#include <gtest/gtest.h>

#include <cstdint>
#include <thread>

#include "platform/block.h"
#include "platform/page_help.h"

TEST(PageHelp, TheServerLeavesEveryByteToTheFillingThread) {
    const size_t bytes = size_t(24) << 20;
    for (bool offered : {true, false}) {
        ScopedBlock<uint8_t> block(AllocateUnclearedTable<uint8_t>(bytes));
        ASSERT_NE(block.Get(), nullptr);
        PageHelp help;
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
