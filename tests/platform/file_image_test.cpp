#include <gtest/gtest.h>

#include <string>

#include "platform/file_image.h"
#include "tests/wavefront/file_test_support.h"

namespace {

// Builds that map large file images instead of reading them.
#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__)
constexpr bool kMapsFiles = true;
#else
constexpr bool kMapsFiles = false;
#endif

std::string Bytes(const FileImage& image) {
    return image.data ? std::string(reinterpret_cast<const char*>(image.data), image.size) : std::string();
}

std::string Noise(size_t length, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(length, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

}  // namespace

TEST(FileImage, MappedAndReadImagesHoldTheFileBytes) {
    ScratchFolder folder;
    const size_t sizes[] = {0, 1, 4095, (size_t(4) << 20) - 1, size_t(4) << 20, (size_t(5) << 20) + 123};
    for (size_t size : sizes) {
        std::string content = Noise(size, static_cast<unsigned>(size));
        std::string path = folder.Write("file.bin", content);
        FileImage mapped, read;
        ASSERT_EQ(MapFileImage(path.c_str(), mapped), 1) << size;
        ASSERT_EQ(ReadFileImage(path.c_str(), read), 1) << size;
        EXPECT_EQ(mapped.size, size);
        EXPECT_TRUE(Bytes(mapped) == content) << size;
        EXPECT_TRUE(Bytes(read) == content) << size;
        EXPECT_EQ(FileImageIntact(mapped), 1) << size;
        EXPECT_EQ(FileImageIntact(read), 1) << size;
        ReleaseFileImage(mapped);
        ReleaseFileImage(read);
    }
    FileImage none;
    EXPECT_EQ(MapFileImage(folder.Join("missing.bin").c_str(), none), 0);
    EXPECT_EQ(MapFileImage(folder.path().c_str(), none), 0);
    EXPECT_EQ(none.data, nullptr);
}

// A file cut short by another program while its image is in use: a mapped
// image reads zeros where the lost pages were and reports the loss; a read
// image keeps its bytes.
TEST(FileImage, AFileCutShortUnderItsImage) {
    ScratchFolder folder;
    const size_t size = (size_t(6) << 20) + 7;
    std::string content = Noise(size, 6);
    std::string path = folder.Write("cut.bin", content);
    FileImage image;
    ASSERT_EQ(MapFileImage(path.c_str(), image), 1);
    std::filesystem::resize_file(path, size / 3);

    std::string seen = Bytes(image);  // touches every page
    EXPECT_TRUE(seen.compare(0, size / 3, content, 0, size / 3) == 0);
    if (kMapsFiles) {
        EXPECT_EQ(FileImageIntact(image), 0);
        size_t first_lost = (size / 3 + 4095) & ~size_t(4095);
        EXPECT_EQ(seen.find_first_not_of('\0', first_lost), std::string::npos);
    } else {
        EXPECT_EQ(FileImageIntact(image), 1);
        EXPECT_TRUE(seen == content);
    }
    ReleaseFileImage(image);

    // The next image of the same file is whole again.
    ASSERT_EQ(MapFileImage(path.c_str(), image), 1);
    EXPECT_EQ(FileImageIntact(image), 1);
    EXPECT_TRUE(Bytes(image) == content.substr(0, size / 3));
    ReleaseFileImage(image);
}

