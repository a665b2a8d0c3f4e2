// The process-wide state of the block allocator (its kept mappings) and of
// mapped file images (their table and fault guard) under several threads
// taking and giving back blocks and images at once.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/block.h"
#include "platform/file_image.h"
#include "platform/parallel.h"
#include "tests/wavefront/file_test_support.h"

TEST(Threads, BlocksAndMappedImagesStayTheirOwnOnEveryThread) {
    ScratchFolder folder;
    std::string text(size_t(5) << 20, 'a');  // large enough to be mapped
    for (size_t k = 0; k < text.size(); k += 4093) text[k] = char('b' + k % 23);
    std::string path = folder.Write("image.bin", text);
    std::vector<int> wrong(64, 0);
    RunInParallel(64, 4, [&](int32_t job) {
        const size_t bytes = (size_t(1) << 20) * size_t(1 + job % 5);
        unsigned char* block = static_cast<unsigned char*>(AllocateBlock(bytes));
        FileImage image;
        if (!block || MapFileImage(path.c_str(), image) != 1) {
            wrong[size_t(job)] = 1;
            return;
        }
        for (size_t k = 0; k < bytes; k += 4096) wrong[size_t(job)] |= block[k] != 0;
        std::memset(block, job + 1, bytes);
        wrong[size_t(job)] |= image.size != text.size() || std::memcmp(image.data, text.data(), text.size()) != 0 ||
                              !FileImageIntact(image);
        for (size_t k = 0; k < bytes; k += 4096) wrong[size_t(job)] |= block[k] != job + 1;
        ReleaseFileImage(image);
        ReleaseBlock(block);
    });
    ReleaseSpareBlocks();
    EXPECT_EQ(wrong, std::vector<int>(64, 0));
}
