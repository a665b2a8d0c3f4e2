#include "platform/mapped_file.h"

#include "platform/block_header.h"

#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__)
#include <atomic>
#include <cstdint>
#include <mutex>

#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Files below this size are read: mapping them saves nothing worth a fault
// guard.
constexpr size_t kMapFileThreshold = size_t(4) << 20;

// The byte ranges of the images mapped now. Written under the lock, read by
// the fault guard, which may run at any moment and takes no lock.
struct MappedImages {
    static constexpr int kSlots = 64;
    struct Image {
        std::atomic<uintptr_t> begin{0};
        std::atomic<uintptr_t> end{0};
        std::atomic<int32_t> lost{0};
    };
    Image images[kSlots];
    std::mutex lock;
    struct sigaction previous = {};
    size_t page = 4096;
};

MappedImages& Images() {
    static MappedImages images;
    return images;
}

// A fault that isn't on a mapped image goes to whatever handled SIGBUS
// before, or takes the default action, as though the guard weren't there.
void PassOn(int signal, siginfo_t* info, void* context) {
    const struct sigaction& previous = Images().previous;
    if (previous.sa_flags & SA_SIGINFO) {
        previous.sa_sigaction(signal, info, context);
    } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
        previous.sa_handler(signal);
    } else {
        struct sigaction fallback = {};
        fallback.sa_handler = SIG_DFL;
        sigemptyset(&fallback.sa_mask);
        sigaction(signal, &fallback, nullptr);
        raise(signal);  // delivered when this handler returns
    }
}

void OnBusError(int signal, siginfo_t* info, void* context) {
    MappedImages& mapped = Images();
    uintptr_t address = reinterpret_cast<uintptr_t>(info->si_addr);
    if (info->si_code == BUS_ADRERR) {
        for (MappedImages::Image& image : mapped.images) {
            uintptr_t end = image.end.load(std::memory_order_acquire);
            if (address >= end || address < image.begin.load(std::memory_order_acquire)) continue;
            void* page = reinterpret_cast<void*>(address & ~(uintptr_t(mapped.page) - 1));
            void* zeros = mmap(page, mapped.page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
            if (zeros == MAP_FAILED) break;
            image.lost.store(1, std::memory_order_release);
            return;  // the read is retried on the zeros
        }
    }
    PassOn(signal, info, context);
}

bool InstallGuard() {
    static bool installed = [] {
        MappedImages& mapped = Images();
        long page = sysconf(_SC_PAGESIZE);
        if (page > 0) mapped.page = static_cast<size_t>(page);
        struct sigaction guard = {};
        guard.sa_sigaction = OnBusError;
        guard.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESTART;
        sigemptyset(&guard.sa_mask);
        return sigaction(SIGBUS, &guard, &mapped.previous) == 0;
    }();
    return installed;
}

MappedImages::Image* FindImage(const void* block) {
    uintptr_t begin = reinterpret_cast<uintptr_t>(block);
    for (MappedImages::Image& image : Images().images) {
        if (image.begin.load(std::memory_order_acquire) == begin && image.end.load(std::memory_order_acquire) != 0)
            return &image;
    }
    return nullptr;
}

}  // namespace

void* MapFileBlock(int descriptor, size_t bytes) {
    if (bytes < kMapFileThreshold) return nullptr;
    struct stat status;
    if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) || static_cast<uint64_t>(status.st_size) < bytes)
        return nullptr;
    if (!InstallGuard()) return nullptr;
    MappedImages& mapped = Images();
    size_t page = mapped.page;
    if (bytes > SIZE_MAX - 2 * page) return nullptr;
    size_t file_pages = (bytes + page - 1) & ~(page - 1);
    size_t length = page + file_pages;

    // One page in front holds the block header; the file follows it.
    void* region = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (region == MAP_FAILED) return nullptr;
    char* data = static_cast<char*>(region) + page;
    if (mmap(data, file_pages, PROT_READ, MAP_PRIVATE | MAP_FIXED | MAP_POPULATE, descriptor, 0) == MAP_FAILED) {
        munmap(region, length);
        return nullptr;
    }
    BlockHeader* header = reinterpret_cast<BlockHeader*>(data) - 1;
    header->mapped_bytes = length;
    header->kind = kMappedFile;

    std::lock_guard<std::mutex> guard(mapped.lock);
    for (MappedImages::Image& image : mapped.images) {
        if (image.end.load(std::memory_order_relaxed) != 0) continue;
        image.lost.store(0, std::memory_order_relaxed);
        image.begin.store(reinterpret_cast<uintptr_t>(data), std::memory_order_release);
        image.end.store(reinterpret_cast<uintptr_t>(data) + file_pages, std::memory_order_release);
        return data;
    }
    munmap(region, length);  // every slot taken: the caller reads instead
    return nullptr;
}

int32_t BlockIntact(const void* block) {
    if (!block) return 1;
    std::lock_guard<std::mutex> guard(Images().lock);
    MappedImages::Image* image = FindImage(block);
    return image && image->lost.load(std::memory_order_acquire) ? 0 : 1;
}

void ReleaseMappedFile(void* block) {
    BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
    size_t length = header->mapped_bytes;
    {
        std::lock_guard<std::mutex> guard(Images().lock);
        if (MappedImages::Image* image = FindImage(block)) {
            image->end.store(0, std::memory_order_release);
            image->begin.store(0, std::memory_order_release);
        }
    }
    munmap(static_cast<char*>(block) - Images().page, length);
}

#else

void* MapFileBlock(int, size_t) { return nullptr; }

int32_t BlockIntact(const void*) { return 1; }

void ReleaseMappedFile(void*) {}

#endif
