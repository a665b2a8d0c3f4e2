#include "platform/files/output_names.h"

#include <chrono>
#include <cstdio>
#include <cstring>

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

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

struct Sweep {
    const char* target;
    const char* keep_name;  // null: none
    char folder[kTemporaryPathCapacity];
};

void RemoveIfLeftover(const char* name, void* context) {
    Sweep& sweep = *static_cast<Sweep*>(context);
    if (!IsLeftoverOf(name, sweep.target)) return;
    if (sweep.keep_name && std::strcmp(name, sweep.keep_name) == 0) return;
    char path[kTemporaryPathCapacity];
    CopyText(path, sweep.folder);
    if (AppendText(path, name)) std::remove(path);
}

}  // namespace

int32_t NameBeside(const char* target, const char* tail, char (&path)[kTemporaryPathCapacity]) {
    char stem[kStemCapacity];
    Stem(target, stem);
    if (!FolderPart(target, path, sizeof path)) return 0;
    return AppendText(path, stem) && AppendText(path, tail) ? 1 : 0;
}

void UniqueTail(char (&tail)[kTailCapacity], const char* suffix, uint64_t salt) {
    uint64_t now = static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    uint64_t number = Mix(Mix(now) ^ (static_cast<uint64_t>(ProcessNumber()) << 32) ^ Mix(salt));
    std::snprintf(tail, sizeof tail, "~%016llx%s", static_cast<unsigned long long>(number), suffix);
}

int32_t IsLeftoverOf(const char* name, const char* target) {
    char stem[kStemCapacity];
    Stem(target, stem);
    size_t stem_length = std::strlen(stem);
    if (std::strncmp(name, stem, stem_length) != 0 || name[stem_length] != '~') return 0;
    const char* digits = name + stem_length + 1;
    size_t count = 0;
    while (count <= 16 && IsHexDigit(digits[count])) ++count;
    if (count == 0 || count > 16) return 0;
    return std::strcmp(digits + count, ".tmp") == 0 || std::strcmp(digits + count, ".bak") == 0 ? 1 : 0;
}

void RemoveLeftovers(const char* target, const char* keep) {
    Sweep sweep{target, keep ? FileNamePart(keep) : nullptr, {}};
    FolderPart(target, sweep.folder, sizeof sweep.folder);
    ForEachName(sweep.folder, RemoveIfLeftover, &sweep);
}
