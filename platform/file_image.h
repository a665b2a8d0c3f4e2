#pragma once
// A whole file as one block: read into memory, or mapped from the page cache;
// or a file read a part at a time.
#include <cstdint>

// The bytes of one file, no terminator added. The block comes from the block
// allocator and goes back with ReleaseBlock.
struct FileImage {
    unsigned char* data = nullptr;
    uint32_t size = 0;  // bytes in data
};

// Reads the file at path, in binary mode, into a fresh block that becomes
// image.data (image.size its length); an empty file gives no block and size
// 0. Whatever image held before is released first.
// Returns 1 when read; 0 when the file can't be opened (or is a folder);
// -1 when it opened but is 4 GiB or larger, can't be held in memory, or
// reads short. On 0 and -1 image is left empty, and *error (when not null)
// says why (platform/reasons.h); on 1 it is 0.
int32_t ReadFileImage(const char* path, FileImage& image, int32_t* error = nullptr);

// The same, except that a large file may be mapped from the page cache
// instead of copied (where the platform allows it): loading it then touches
// no fresh memory. Such an image stays readable if the file is cut short
// meanwhile, but FileImageIntact then gives 0 and the image must not be
// used.
int32_t MapFileImage(const char* path, FileImage& image, int32_t* error = nullptr);

// 1 while image holds every byte its file had when it was taken; 0 when a
// mapped file lost pages since.
int32_t FileImageIntact(const FileImage& image);

// Gives the image's block back and leaves the image empty.
void ReleaseFileImage(FileImage& image);

// A file read a part at a time, from its start as often as needed: a large
// file then passes through one reused buffer instead of fresh memory.
struct FileReader {
    void* file = nullptr;  // the open std::FILE
    uint32_t size = 0;     // its length when it was opened
    uint32_t offset = 0;   // bytes read since its start
};

// Opens the file at path for ReadFilePart: 1, or 0 and -1 with *error as
// ReadFileImage gives them. Whatever reader held before is closed first.
int32_t OpenFileReader(const char* path, FileReader& reader, int32_t* error = nullptr);

// The next `length` bytes of the file (no more than are left of its length
// when opened) into data: 0, or the reason as for ReadFileImage.
int32_t ReadFilePart(FileReader& reader, unsigned char* data, uint32_t length);

// Back to the file's first byte: 0, or the reason; kReasonFileChanged when
// its length is no longer the one it had when it was opened.
int32_t RewindFileReader(FileReader& reader);

// To the byte at `offset` (at most the length), the file's length checked
// as by RewindFileReader: 0, or the reason.
int32_t SeekFileReader(FileReader& reader, uint32_t offset);

void CloseFileReader(FileReader& reader);
