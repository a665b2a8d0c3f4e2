#include "platform/file_image.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <sys/stat.h>

#include "platform/block.h"
#include "platform/mapped_file.h"
#include "platform/reasons.h"

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

// The reason of the C library call that just failed: errno, or on Windows
// the system's own code behind it.
int32_t LastCallError() {
#if defined(_WIN32)
    int32_t error = static_cast<int32_t>(_doserrno);
#else
    int32_t error = errno;
#endif
    return error > 0 ? error : kErrorInputOutput;
}

int32_t SeekTo(std::FILE* file, int64_t offset) {
#if defined(_WIN32)
    return _fseeki64(file, offset, SEEK_SET) == 0 ? 0 : LastCallError();
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0 ? 0 : LastCallError();
#endif
}

// Reads exactly `length` bytes in large calls; 0, or the reason when the
// file ends early or a read fails.
int32_t ReadWhole(std::FILE* file, unsigned char* data, size_t length) {
    constexpr size_t kChunk = size_t(64) << 20;
    size_t done = 0;
    while (done < length) {
        size_t want = length - done < kChunk ? length - done : kChunk;
        size_t got = std::fread(data + done, 1, want, file);
        done += got;
        if (got != want) return std::ferror(file) ? LastCallError() : kReasonFileShrank;
    }
    return 0;
}

// Opens path for reading; null with the reason when it can't be opened or is
// not a file to read.
std::FILE* OpenToRead(const char* path, int32_t& error) {
#if !defined(_WIN32)
    // Opening a named pipe waits until some other program opens it for
    // writing, which may be never: such a path is one that can't be opened.
    struct stat status;
    if (stat(path, &status) == 0 && S_ISFIFO(status.st_mode)) {
        error = kReasonNamedPipe;
        return nullptr;
    }
#endif
    errno = 0;
    std::FILE* file = std::fopen(path, "rb");
    if (!file) {
        error = LastCallError();
        return nullptr;
    }
    if (IsFolder(file)) {
        std::fclose(file);
        error = kErrorIsFolder;
        return nullptr;
    }
    return file;
}

// The open file's length, or -1 with the reason when it can't be had or is
// 4 GiB or more.
int64_t MeasureFile(std::FILE* file, int32_t& error) {
    int64_t length = FileLength(file);
    if (length < 0) {
        error = LastCallError();
        return -1;
    }
    if (length >= (int64_t(1) << 32)) {
        error = kReasonFileTooLarge;
        return -1;
    }
    return length;
}

// The bytes of the open file into image: 1, or -1 with the reason.
int32_t TakeBytes(FileReader& reader, FileImage& image, bool may_map, int32_t& error) {
    const size_t length = reader.size;
    if (length == 0) return 1;
    std::FILE* file = static_cast<std::FILE*>(reader.file);
    void* mapped = may_map ? MapFileBlock(Descriptor(file), length) : nullptr;
    if (mapped) {
        image.data = static_cast<unsigned char*>(mapped);
        image.size = reader.size;
        return 1;
    }
    unsigned char* data = static_cast<unsigned char*>(AllocateUnclearedBlock(length));
    if (!data) {
        error = kErrorNoMemory;
        return -1;
    }
    error = ReadWhole(file, data, length);
    if (error) {
        ReleaseBlock(data);
        return -1;
    }
    image.data = data;
    image.size = reader.size;
    return 1;
}

// Reads the file, or maps it when `may_map` and the platform maps files.
int32_t TakeFileImage(const char* path, FileImage& image, bool may_map, int32_t* error) {
    ReleaseFileImage(image);
    FileReader reader;
    int32_t result = OpenFileReader(path, reader, error);
    if (result != 1) return result;
    int32_t reason = 0;
    result = TakeBytes(reader, image, may_map, reason);
    CloseFileReader(reader);
    if (error) *error = reason;
    return result;
}

}  // namespace

void ReleaseFileImage(FileImage& image) {
    ReleaseBlock(image.data);
    image.data = nullptr;
    image.size = 0;
}

int32_t ReadFileImage(const char* path, FileImage& image, int32_t* error) {
    return TakeFileImage(path, image, false, error);
}

int32_t MapFileImage(const char* path, FileImage& image, int32_t* error) {
    return TakeFileImage(path, image, true, error);
}

int32_t FileImageIntact(const FileImage& image) { return BlockIntact(image.data); }

int32_t OpenFileReader(const char* path, FileReader& reader, int32_t* error) {
    CloseFileReader(reader);
    int32_t reason = 0;
    int32_t result = 0;
    if (!path || !path[0]) {
        reason = ENOENT;
    } else if (std::FILE* file = OpenToRead(path, reason)) {
        int64_t length = MeasureFile(file, reason);
        if (length < 0) {
            std::fclose(file);
            result = -1;
        } else {
            reader.file = file;
            reader.size = static_cast<uint32_t>(length);
            result = 1;
        }
    }
    if (error) *error = reason;
    return result;
}

int32_t ReadFilePart(FileReader& reader, unsigned char* data, uint32_t length) {
    if (length > reader.size - reader.offset) length = reader.size - reader.offset;
    if (!reader.file) return length ? kErrorInvalid : 0;
    int32_t error = ReadWhole(static_cast<std::FILE*>(reader.file), data, length);
    if (error == 0) reader.offset += length;
    return error;
}

int32_t RewindFileReader(FileReader& reader) {
    if (!reader.file) return kErrorInvalid;
    std::FILE* file = static_cast<std::FILE*>(reader.file);
    int32_t error = 0;
    int64_t length = MeasureFile(file, error);  // leaves the file at its start
    if (length < 0) return error;
    if (length != int64_t(reader.size)) return kReasonFileChanged;
    reader.offset = 0;
    return 0;
}

int32_t SeekFileReader(FileReader& reader, uint32_t offset) {
    if (offset > reader.size) return kErrorInvalid;
    int32_t error = RewindFileReader(reader);
    if (error || offset == 0) return error;
    if ((error = SeekTo(static_cast<std::FILE*>(reader.file), offset)) != 0) return error;
    reader.offset = offset;
    return 0;
}

void CloseFileReader(FileReader& reader) {
    if (reader.file) std::fclose(static_cast<std::FILE*>(reader.file));
    reader = FileReader{};
}
