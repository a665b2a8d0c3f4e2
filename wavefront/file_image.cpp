#include "wavefront/file_image.h"

#include <cstdio>

#include <sys/stat.h>

#include "model/block.h"

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

bool IsFolder(std::FILE* file) {
#if defined(_WIN32)
    struct _stat64 info;
    if (_fstat64(_fileno(file), &info) != 0) return false;
    return (info.st_mode & _S_IFDIR) != 0;
#else
    struct stat info;
    if (fstat(fileno(file), &info) != 0) return false;
    return S_ISDIR(info.st_mode);
#endif
}

// A regular file is mapped where the platform allows; anything else (and any
// mapping that fails) is read.
unsigned char* MapImage(std::FILE* file, size_t length) {
#if defined(_WIN32)
    (void)file;
    (void)length;
    return nullptr;
#else
    struct stat info;
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
    if (info.st_size < 0 || static_cast<uint64_t>(info.st_size) != length) return nullptr;
    return static_cast<unsigned char*>(MapFileBlock(fileno(file), length));
#endif
}

void Empty(TextBuffer& text) {
    ReleaseBlock(text.data);
    text.data = nullptr;
    text.size = 0;
    text.read_pos = 0;
}

}  // namespace

int32_t ReadFileImage(const char* path, TextBuffer& text) {
    Empty(text);
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
        if (unsigned char* mapped = MapImage(file, static_cast<size_t>(length))) {
            text.data = mapped;
            text.size = static_cast<uint32_t>(length);
            std::fclose(file);
            return 1;
        }
        unsigned char* data = static_cast<unsigned char*>(AllocateBlock(static_cast<size_t>(length)));
        if (!data) {
            std::fclose(file);
            return -1;
        }
        size_t got = std::fread(data, 1, static_cast<size_t>(length), file);
        if (got != static_cast<size_t>(length)) {
            ReleaseBlock(data);
            std::fclose(file);
            return -1;
        }
        text.data = data;
        text.size = static_cast<uint32_t>(length);
    }
    std::fclose(file);
    return 1;
}
