#include "platform/file_image.h"

#include <cstdio>

#include <sys/stat.h>

#include "platform/block.h"
#include "platform/mapped_file.h"

namespace {

int64_t FileLength(std::FILE* file) {
#if defined(_WIN32)
    if (_fseeki64(file, 0, SEEK_END) != 0) return -1;
    int64_t length = _ftelli64(file);
    if (_fseeki64(file, 0, SEEK_SET) != 0) return -1;
#else
    if (fseeko(file, 0, SEEK_END) != 0) return -1;
    int64_t length = ftello(file);
    if (fseeko(file, 0, SEEK_SET) != 0) return -1;
#endif
    return length;
}

int Descriptor(std::FILE* file) {
#if defined(_WIN32)
    return _fileno(file);
#else
    return fileno(file);
#endif
}

bool IsFolder(std::FILE* file) {
#if defined(_WIN32)
    struct _stat64 info;
    if (_fstat64(Descriptor(file), &info) != 0) return false;
    return (info.st_mode & _S_IFDIR) != 0;
#else
    struct stat info;
    if (fstat(Descriptor(file), &info) != 0) return false;
    return S_ISDIR(info.st_mode);
#endif
}

// Reads exactly `length` bytes in large calls; false when the file ends early
// or a read fails.
bool ReadWhole(std::FILE* file, unsigned char* data, size_t length) {
    constexpr size_t kChunk = size_t(64) << 20;
    size_t done = 0;
    while (done < length) {
        size_t want = length - done < kChunk ? length - done : kChunk;
        size_t got = std::fread(data + done, 1, want, file);
        done += got;
        if (got != want) return false;
    }
    return true;
}

// Reads the file, or maps it when `may_map` and the platform maps files.
int32_t TakeFileImage(const char* path, FileImage& image, bool may_map) {
    ReleaseFileImage(image);
    if (!path || !path[0]) return 0;
#if !defined(_WIN32)
    // Opening a named pipe waits until some other program opens it for
    // writing, which may be never: such a path is one that can't be opened.
    struct stat status;
    if (stat(path, &status) == 0 && S_ISFIFO(status.st_mode)) return 0;
#endif
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return 0;
    if (IsFolder(file)) {
        std::fclose(file);
        return 0;
    }
    int64_t length = FileLength(file);
    if (length < 0 || length >= (int64_t(1) << 32)) {
        std::fclose(file);
        return -1;
    }
    if (length > 0) {
        void* mapped = may_map ? MapFileBlock(Descriptor(file), static_cast<size_t>(length)) : nullptr;
        if (mapped) {
            image.data = static_cast<unsigned char*>(mapped);
            image.size = static_cast<uint32_t>(length);
            std::fclose(file);
            return 1;
        }
        unsigned char* data = static_cast<unsigned char*>(AllocateUnclearedBlock(static_cast<size_t>(length)));
        if (!data) {
            std::fclose(file);
            return -1;
        }
        if (!ReadWhole(file, data, static_cast<size_t>(length))) {
            ReleaseBlock(data);
            std::fclose(file);
            return -1;
        }
        image.data = data;
        image.size = static_cast<uint32_t>(length);
    }
    std::fclose(file);
    return 1;
}

}  // namespace

void ReleaseFileImage(FileImage& image) {
    ReleaseBlock(image.data);
    image.data = nullptr;
    image.size = 0;
}

int32_t ReadFileImage(const char* path, FileImage& image) { return TakeFileImage(path, image, false); }

int32_t MapFileImage(const char* path, FileImage& image) { return TakeFileImage(path, image, true); }

int32_t FileImageIntact(const FileImage& image) { return BlockIntact(image.data); }
