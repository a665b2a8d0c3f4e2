#include "platform/files/output_names.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>

#include "platform/text.h"
#include "platform/path_text.h"

namespace {

constexpr int kStemCapacity = kLongNameBytes + 1;

uint64_t HashName(const char* name) {
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (const char* c = name; *c; ++c) hash = (hash ^ static_cast<unsigned char>(*c)) * 1099511628211ull;
    return hash;
}

void Stem(const char* target, char (&stem)[kStemCapacity]) {
    const char* name = FileNamePart(target);
    size_t length = std::strlen(name);
    if (length <= static_cast<size_t>(kLongNameBytes)) {
        CopyText(stem, name);
        return;
    }
    char tag[24];
    std::snprintf(tag, sizeof tag, "~%016llx", static_cast<unsigned long long>(HashName(name)));
    CopyText(stem, name, kLongNameKept);
    AppendText(stem, tag);
}

// Mixes the bits of x thoroughly (splitmix64's finaliser).
uint64_t Mix(uint64_t x) {
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    return x ^ (x >> 31);
}

// Reads exactly `count` lower-case hex digits; 0 when they are not there.
int32_t ReadHex(const char* text, int count, uint64_t* value) {
    *value = 0;
    for (int i = 0; i < count; ++i) {
        char c = text[i];
        uint64_t digit = c >= '0' && c <= '9' ? uint64_t(c - '0') : c >= 'a' && c <= 'f' ? uint64_t(c - 'a' + 10) : 16;
        if (digit > 15) return 0;
        *value = *value << 4 | digit;
    }
    return 1;
}

struct Sweep {
    const char* target;
    char folder[kTemporaryPathCapacity];
};

void RemoveIfLeftover(const char* name, void* context) {
    Sweep& sweep = *static_cast<Sweep*>(context);
    if (!IsLeftoverOf(name, sweep.target)) return;
    char path[kTemporaryPathCapacity];
    CopyText(path, sweep.folder);
    if (AppendText(path, name) && OwnFileRefusal(path) == 0) std::remove(path);
}

}  // namespace

int32_t NameBeside(const char* target, const char* tail, char (&path)[kTemporaryPathCapacity]) {
    char stem[kStemCapacity];
    Stem(target, stem);
    if (!FolderPart(target, path, sizeof path)) return 0;
    return AppendText(path, stem) && AppendText(path, tail) ? 1 : 0;
}

uint64_t RunToken() {
    static const uint64_t token = [] {
        uint64_t now = static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
        uint64_t drawn = 0;
        try {
            std::random_device device;
            drawn = uint64_t(device()) << 32 | device();
        } catch (...) {  // no source of randomness: the clock and the process number
        }
        return Mix(Mix(now) ^ (static_cast<uint64_t>(ProcessNumber()) << 32) ^ Mix(drawn));
    }();
    return token;
}

void UniqueTail(char (&tail)[kTailCapacity], const char* suffix) {
    static std::atomic<uint32_t> serial{0};
    std::snprintf(tail, sizeof tail, "~%016llx.%08x%s", static_cast<unsigned long long>(RunToken()),
                  static_cast<unsigned>(serial.fetch_add(1)), suffix);
}

int32_t IsLeftoverOf(const char* name, const char* target, uint64_t* token) {
    char stem[kStemCapacity];
    Stem(target, stem);
    size_t stem_length = std::strlen(stem);
    if (std::strncmp(name, stem, stem_length) != 0 || name[stem_length] != '~') return 0;
    const char* tail = name + stem_length + 1;
    uint64_t run = 0;
    uint64_t serial = 0;
    if (!ReadHex(tail, 16, &run) || tail[16] != '.' || !ReadHex(tail + 17, 8, &serial)) return 0;
    if (token) *token = run;
    return std::strcmp(tail + 25, ".tmp") == 0 ? 1 : std::strcmp(tail + 25, ".bak") == 0 ? 2 : 0;
}

void RemoveLeftovers(const char* target) {
    Sweep sweep{target, {}};
    FolderPart(target, sweep.folder, sizeof sweep.folder);
    ForEachName(sweep.folder, RemoveIfLeftover, &sweep);
}
