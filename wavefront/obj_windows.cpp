// The OBJ text a window at a time. Reading a large file whole would fill as
// much fresh memory, which costs more than the file's bytes being copied
// twice from the page cache: one block is filled window by window instead,
// for each pass, and a line the window leaves unfinished is moved to its
// start and finished by the next window's bytes.
#include <cstring>

#include "platform/block.h"
#include "platform/reasons.h"
#include "wavefront/line_scan.h"
#include "wavefront/obj_reader.h"

namespace {

// Past this a window could only hold a line too long to be read.
constexpr uint32_t kLargestWindow = uint32_t(1) << 31;

// The window's bytes after its first `kept`, as many as it has room for: 1,
// or 0 with the reason.
int32_t FillWindow(ObjReader& reader, uint32_t kept) {
    uint32_t room = reader.window_capacity - kept;
    uint32_t left = reader.file.size - reader.file.offset;
    uint32_t take = room < left ? room : left;
    int32_t error = ReadFilePart(reader.file, reader.text.data + kept, take);
    if (error) {
        reader.error = error;
        return 0;
    }
    reader.text.size = kept + take;
    return 1;
}

// A window block of `capacity` bytes opening with the `kept` first bytes of
// the one it replaces: 1, or 0 with the reason.
int32_t ResizeWindow(ObjReader& reader, uint32_t capacity, uint32_t kept) {
    auto* block = static_cast<unsigned char*>(AllocateUnclearedBlock(capacity));
    if (!block) {
        reader.error = kErrorNoMemory;
        return 0;
    }
    if (kept > 0) std::memcpy(block, reader.text.data, kept);
    ReleaseBlock(reader.text.data);
    reader.text.data = block;
    reader.window_capacity = capacity;
    return 1;
}

// A scanner over the window; only the file's first window may open with a
// byte-order mark.
void ScanWindow(const ObjReader& reader, LineScanner& scanner, bool first) {
    scanner = LineScanner(reader.text.data, reader.text.size);
    if (!first) scanner.pos = scanner.data;
    scanner.last = !reader.file.file || reader.file.offset == reader.file.size;
}

// The first window from where the file reader stands: 1, or 0 with the reason.
int32_t ReadFirstWindow(ObjReader& reader) {
    uint32_t window = reader.window_bytes > 3 ? reader.window_bytes : 3;
    uint32_t left = reader.file.size - reader.file.offset;
    if (left > 0 && !ResizeWindow(reader, left < window ? left : window, 0)) return 0;
    return FillWindow(reader, 0);
}

// The survey and the values pass each read the file once; the bytes read
// so far of both, told to the reader's progress.
void TellProgress(const ObjReader& reader) {
    constexpr uint64_t kPasses = 2;
    if (!reader.progress || !reader.progress->on_read || reader.passes_begun < 1) return;
    uint64_t passes = reader.passes_begun < int32_t(kPasses) ? uint64_t(reader.passes_begun) : kPasses;
    uint64_t size = reader.file.size;
    reader.progress->on_read(reader.progress->context, (passes - 1) * size + reader.file.offset, kPasses * size);
}

}  // namespace

int32_t ObjReader::OpenText(const char* path) {
    if (OpenFileReader(path, file, &error) != 1 || !ReadFirstWindow(*this)) return 0;
    if (file.offset == file.size) CloseFileReader(file);  // read whole: never read again
    return 1;
}

int32_t ObjReader::OpenTextAt(const char* path, uint32_t size, uint32_t offset, LineScanner& scanner) {
    if (OpenFileReader(path, file, &error) != 1) return 0;
    int32_t reason = file.size == size ? SeekFileReader(file, offset) : kReasonFileChanged;
    if (reason) {
        error = reason;
        return 0;
    }
    if (!ReadFirstWindow(*this)) return 0;
    ScanWindow(*this, scanner, false);
    return 1;
}

int32_t ObjReader::FirstWindow(LineScanner& scanner) {
    ++passes_begun;
    // The window holds the file's first bytes when it ends where the reading does.
    if (file.file && file.offset != text.size) {
        int32_t reason = RewindFileReader(file);
        if (reason) {
            error = reason;
            return 0;
        }
        if (!FillWindow(*this, 0)) return 0;
    }
    ScanWindow(*this, scanner, true);
    return 1;
}

int32_t ObjReader::NextWindow(LineScanner& scanner) {
    if (scanner.last) return 0;
    uint32_t kept = static_cast<uint32_t>(scanner.end - scanner.pos);
    if (kept == window_capacity) {
        // One line fills the window: the window grows for it.
        if (window_capacity >= kLargestWindow) {
            error = kReasonLongLine;
            return -1;
        }
        uint32_t grown = window_capacity > kLargestWindow / 2 ? kLargestWindow : window_capacity * 2;
        if (!ResizeWindow(*this, grown, kept)) return -1;
    } else if (kept > 0) {
        std::memmove(text.data, scanner.pos, kept);
    }
    if (!FillWindow(*this, kept)) return -1;
    ScanWindow(*this, scanner, false);
    TellProgress(*this);
    return 1;
}
