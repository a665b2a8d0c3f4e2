#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include "model/model.h"
#include "tests/wavefront/file_test_support.h"
#include "wavefront/file_image.h"

namespace {

// Builds that map large file images instead of reading them.
#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__)
constexpr bool kMapsFiles = true;
#else
constexpr bool kMapsFiles = false;
#endif

std::string Bytes(const TextBuffer& text) {
    return text.data ? std::string(reinterpret_cast<const char*>(text.data), text.size) : std::string();
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
        TextBuffer mapped, read;
        ASSERT_EQ(MapFileImage(path.c_str(), mapped), 1) << size;
        ASSERT_EQ(ReadFileImage(path.c_str(), read), 1) << size;
        EXPECT_EQ(mapped.size, size);
        EXPECT_EQ(mapped.read_pos, 0u);
        EXPECT_TRUE(Bytes(mapped) == content) << size;
        EXPECT_TRUE(Bytes(read) == content) << size;
        EXPECT_EQ(FileImageIntact(mapped), 1) << size;
        EXPECT_EQ(FileImageIntact(read), 1) << size;
        Model holder;  // hands both images back the way a load does
        holder.text = mapped;
        holder.ReleaseText();
        holder.text = read;
        holder.ReleaseText();
    }
    TextBuffer none;
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
    Model model;
    ASSERT_EQ(MapFileImage(path.c_str(), model.text), 1);
    std::filesystem::resize_file(path, size / 3);

    std::string seen = Bytes(model.text);  // touches every page
    EXPECT_TRUE(seen.compare(0, size / 3, content, 0, size / 3) == 0);
    if (kMapsFiles) {
        EXPECT_EQ(FileImageIntact(model.text), 0);
        size_t first_lost = (size / 3 + 4095) & ~size_t(4095);
        EXPECT_EQ(seen.find_first_not_of('\0', first_lost), std::string::npos);
    } else {
        EXPECT_EQ(FileImageIntact(model.text), 1);
        EXPECT_TRUE(seen == content);
    }
    model.ReleaseText();

    // The next image of the same file is whole again.
    ASSERT_EQ(MapFileImage(path.c_str(), model.text), 1);
    EXPECT_EQ(FileImageIntact(model.text), 1);
    EXPECT_TRUE(Bytes(model.text) == content.substr(0, size / 3));
    model.ReleaseText();
}

#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__)
// The guard for mapped images leaves every other bus error as it was.
// (AddressSanitizer handles bus errors itself.)
TEST(FileImageDeathTest, OtherBusErrorsStillEndTheProgram) {
    ScratchFolder folder;
    std::string path = folder.Write("big.bin", Noise(size_t(5) << 20, 5));
    EXPECT_EXIT(
        {
            TextBuffer text;
            if (MapFileImage(path.c_str(), text) == 1) std::raise(SIGBUS);
            std::exit(0);
        },
        testing::KilledBySignal(SIGBUS), "");
}
#endif

// A file large enough to be mapped loads like any other.
TEST(LoadObj, ALargeFileLoadsWhole) {
    constexpr int kVertices = 300000;
    std::string content = "g big\n";
    for (int i = 0; i < kVertices; ++i) content += "v " + std::to_string(i) + " 0.5 -2\n";
    for (int i = 1; i + 2 <= kVertices; i += 3) {
        content += "f " + std::to_string(i) + " " + std::to_string(i + 1) + " " + std::to_string(i + 2) + "\n";
    }
    ASSERT_GE(content.size(), size_t(4) << 20);
    ScratchFolder folder;
    Model model;
    ASSERT_EQ(model.LoadObj(folder.Write("big.obj", content).c_str()), 1);
    ASSERT_EQ(model.vertex_count, kVertices);
    EXPECT_EQ(model.vertices[kVertices - 1].x, float(kVertices - 1));
    EXPECT_EQ(model.vertices[kVertices - 1].z, -2.0f);
    ASSERT_EQ(model.group_count, 1);
    ASSERT_EQ(model.groups[0].face_fill, kVertices / 3);
    const Face& last = model.groups[0].faces[kVertices / 3 - 1];
    EXPECT_EQ(last.vertex_indices[2], kVertices - 1);
    EXPECT_EQ(model.text.data, nullptr);
}
