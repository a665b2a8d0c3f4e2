#include "wavefront/obj_opening.h"

#include <cstring>

#include "wavefront/line_scan.h"

namespace {

// The statements of the OBJ format (geometry, grouping, display and
// free-form ones), lower case.
const char* const kKeywords[] = {
    "v", "vt", "vn", "vp", "f", "fo", "l", "p", "g", "o", "s", "mg", "usemtl", "mtllib", "usemap", "maplib",
    "cstype", "deg", "bmat", "step", "curv", "curv2", "surf", "parm", "trim", "hole", "scrv", "sp", "end",
    "con", "lod", "bevel", "c_interp", "d_interp", "shadow_obj", "trace_obj", "ctech", "stech", "call", "csh",
};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsKeyword(const char* word, size_t length) {
    for (const char* keyword : kKeywords) {
        if (std::strlen(keyword) != length) continue;
        size_t k = 0;
        while (k < length && Lower(word[k]) == keyword[k]) ++k;
        if (k == length) return true;
    }
    return false;
}

enum class LineKind { kBlank, kStatement, kOther };

// A line from `at` to `end` (no line break in it).
LineKind Classify(const char* at, const char* end) {
    while (at < end && (*at == ' ' || *at == '\t')) ++at;
    if (at == end || *at == '#') return LineKind::kBlank;
    const char* word = at;
    while (at < end && *at != ' ' && *at != '\t') ++at;
    return IsKeyword(word, size_t(at - word)) ? LineKind::kStatement : LineKind::kOther;
}

}  // namespace

int32_t LooksLikeObjText(const unsigned char* text, uint32_t size, bool whole) {
    if (!text || size == 0) return 1;
    if (size > kObjOpeningBytes) {
        size = kObjOpeningBytes;
        whole = false;
    }
    const char* begin = reinterpret_cast<const char*>(text);
    const char* end = begin + size;
    if (std::memchr(begin, '\0', size)) return 0;
    bool other = false;
    for (const char* at = begin + ByteOrderMarkLength(text, size); at < end;) {
        const char* line_end = at;
        while (line_end < end && *line_end != '\n' && *line_end != '\r') ++line_end;
        if (line_end == end && !whole) break;
        LineKind kind = Classify(at, line_end);
        if (kind == LineKind::kStatement) return 1;
        other = other || kind == LineKind::kOther;
        at = line_end + 1;
    }
    // A first window shorter than the opening lines, cut before any
    // statement, can't tell: the rest of the opening lines may hold one,
    // and the same file read whole would then load.
    if (!whole && size < kObjOpeningBytes) return 1;
    return other ? 0 : 1;
}
