#pragma once
// What the OBJ reader's passes take from one line: its keyword, a group
// name, a library or material name, the corner tokens of a face. Lines are
// ranges [line, end) as the line reader hands them on.
#include <cstddef>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "model/records.h"
#include "wavefront/number_text.h"

enum class ObjKeyword { kNone, kOther, kV, kVt, kVn, kG, kF, kO, kS, kL, kMtllib, kUsemtl };

// The keyword is the first run of characters up to white space, compared
// without regard to letter case. `after` is set just past it.
inline ObjKeyword ClassifyKeyword(const char* line, const char* end, const char*& after) {
    const char* p = line;
    while (p < end && IsScanSpace(static_cast<unsigned char>(*p))) ++p;
    const char* word = p;
    while (p < end && !IsScanSpace(static_cast<unsigned char>(*p))) ++p;
    after = p;
    size_t length = static_cast<size_t>(p - word);
    auto lower = [](char c) { return static_cast<char>(c | 0x20); };
    switch (length) {
        case 0:
            return ObjKeyword::kNone;
        case 1: {
            char c = lower(word[0]);
            if (c == 'v') return ObjKeyword::kV;
            if (c == 'f') return ObjKeyword::kF;
            if (c == 'g') return ObjKeyword::kG;
            if (c == 'o') return ObjKeyword::kO;
            if (c == 's') return ObjKeyword::kS;
            if (c == 'l') return ObjKeyword::kL;
            return ObjKeyword::kOther;
        }
        case 2: {
            char a = lower(word[0]), b = lower(word[1]);
            if (a == 'v' && b == 't') return ObjKeyword::kVt;
            if (a == 'v' && b == 'n') return ObjKeyword::kVn;
            if (a == 'f' && b == 'o') return ObjKeyword::kF;
            return ObjKeyword::kOther;
        }
        case 6: {
            char lowered[6];
            for (int i = 0; i < 6; ++i) lowered[i] = lower(word[i]);
            auto same = [&](const char* keyword) {
                for (int i = 0; i < 6; ++i) {
                    if (lowered[i] != keyword[i]) return false;
                }
                return true;
            };
            // "| 0x20" maps some punctuation onto letters; check those stay apart.
            for (int i = 0; i < 6; ++i) {
                if (!((word[i] >= 'a' && word[i] <= 'z') || (word[i] >= 'A' && word[i] <= 'Z'))) {
                    return ObjKeyword::kOther;
                }
            }
            if (same("mtllib")) return ObjKeyword::kMtllib;
            if (same("usemtl")) return ObjKeyword::kUsemtl;
            return ObjKeyword::kOther;
        }
        default:
            return ObjKeyword::kOther;
    }
}

// The group name of a `g` line, built the same way in every pass: after
// the keyword character and the blanks and tabs around it, the rest of the
// line up to CR or LF, cut to fit a group name; "NoName" when nothing but
// the line end follows the keyword. Returns the name's length.
inline size_t BuildGroupName(const char* line, const char* end, char (&name)[kGroupNameCapacity]) {
    const char* p = line;
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    if (p < end) ++p;  // the keyword character
    // Nothing but the line end after the keyword is no name at all, as when
    // the line reader dropped that end: every line-end style gives "NoName".
    bool bare = p == end || (p + 1 == end && (*p == '\r' || *p == '\n'));
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    if (bare) {
        static const char kNoName[] = "NoName";
        for (size_t i = 0; i < sizeof kNoName; ++i) name[i] = kNoName[i];
        return sizeof kNoName - 1;
    }
    size_t length = 0;
    while (p < end && *p != '\r' && *p != '\n' && length < kGroupNameCapacity - 1) name[length++] = *p++;
    name[length] = '\0';
    return length;
}

// The name of an `mtllib` or `usemtl` line: after the six keyword characters
// and the blanks and tabs that follow, up to the first tab, CR or LF. Sets
// [name, name_end); empty when nothing is left.
inline void TakeLibraryName(const char* line, const char* end, const char*& name, const char*& name_end) {
    const char* p = line + 6 <= end ? line + 6 : end;
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    name = p;
    while (p < end && *p != '\t' && *p != '\r' && *p != '\n') ++p;
    name_end = p;
}

inline bool IsCornerSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Number of corner tokens from p to end, eight bytes at a time: a token
// starts at each non-separator byte whose predecessor is a separator (or
// the range start).
inline int64_t CountCornerTokensByWord(const char* p, const char* end) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    constexpr uint64_t kOnes = 0x0101010101010101ull;
    constexpr uint64_t kHigh = 0x8080808080808080ull;
    constexpr uint64_t kLow = 0x7f7f7f7f7f7f7f7full;
    // High bit of each byte set exactly where the byte is zero.
    auto zero_bytes = [](uint64_t x) { return ~(((x & kLow) + kLow) | x) & kHigh; };
    int64_t count = 0;
    uint64_t carry = 0x80;  // the range start acts as a separator before byte 0
    while (p < end) {
        uint64_t word = kOnes * ' ';  // a short tail is padded with separators
        size_t take = static_cast<size_t>(end - p) < 8 ? static_cast<size_t>(end - p) : 8;
        std::memcpy(&word, p, take);
        p += take;
        uint64_t separators = zero_bytes(word ^ (kOnes * ' ')) | zero_bytes(word ^ (kOnes * '\t')) |
                              zero_bytes(word ^ (kOnes * '\r')) | zero_bytes(word ^ (kOnes * '\n'));
        uint64_t starts = ~separators & kHigh & ((separators << 8) | carry);
        count += static_cast<int64_t>((((starts >> 7) * kOnes) >> 56) & 0xff);
        carry = (separators >> 56) & 0x80;
    }
    return count;
#else
    int64_t count = 0;
    bool inside = false;
    for (; p < end; ++p) {
        bool separator = IsCornerSeparator(*p);
        if (!separator && !inside) ++count;
        inside = !separator;
    }
    return count;
#endif
}

// The same count, sixteen bytes at a time where SSE2 is at hand.
inline int64_t CountCornerTokens(const char* p, const char* end) {
#if defined(__SSE2__)
    int64_t count = 0;
    uint32_t before = 1;  // the range start acts as a separator before byte 0
    while (end - p >= 16) {
        __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i blank = _mm_or_si128(_mm_cmpeq_epi8(chunk, _mm_set1_epi8(' ')),
                                     _mm_cmpeq_epi8(chunk, _mm_set1_epi8('\t')));
        __m128i line_end = _mm_or_si128(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('\r')),
                                        _mm_cmpeq_epi8(chunk, _mm_set1_epi8('\n')));
        uint32_t separators = static_cast<uint32_t>(_mm_movemask_epi8(_mm_or_si128(blank, line_end)));
        uint32_t starts = ~separators & 0xFFFFu & ((separators << 1) | before);
        starts = starts - ((starts >> 1) & 0x5555u);  // bits set, in pairs, nibbles, bytes
        starts = (starts & 0x3333u) + ((starts >> 2) & 0x3333u);
        starts = (starts + (starts >> 4)) & 0x0F0Fu;
        count += (starts + (starts >> 8)) & 0x1Fu;
        before = separators >> 15;
        p += 16;
    }
    // A token running on past the last chunk was counted there already.
    if (!before) {
        while (p < end && !IsCornerSeparator(*p)) ++p;
    }
    return count + CountCornerTokensByWord(p, end);
#else
    return CountCornerTokensByWord(p, end);
#endif
}
