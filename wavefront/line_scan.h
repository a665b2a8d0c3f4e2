#pragma once
// A zero-copy line scanner over a file image that yields exactly the lines
// ObjReader::ReadLine would store with unlimited capacity, as ranges of the
// image itself: a line ends at CR or LF; a CR or LF among the first two
// bytes of a line is never part of it; a line end met after them stays at
// the end of the line; a single byte left at the end of the image is
// consumed and yields an empty line. A UTF-8 byte-order mark that opens the
// image is no part of its first line.
//
// A scanner over one window of a longer text (`last` false) stops before a
// line that the bytes after the window could still change, at its start:
// the next window, opening with that line, then gives the same lines as the
// whole text would.
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// 3 when the image opens with a UTF-8 byte-order mark, else 0. Editors that
// save UTF-8 on Windows put one in front of the first keyword, which would
// then not be recognised and its line would be lost.
inline uint32_t ByteOrderMarkLength(const unsigned char* text, uint32_t size) {
    return text && size >= 3 && text[0] == 0xEF && text[1] == 0xBB && text[2] == 0xBF ? 3 : 0;
}

struct LineScanner {
    const char* data;
    const char* end;
    const char* pos;
    bool last = true;  // end is the end of the whole text

    LineScanner(const unsigned char* text, uint32_t size, uint32_t start = 0)
        : data(reinterpret_cast<const char*>(text)),
          end(reinterpret_cast<const char*>(text) + (text ? size : 0)),
          pos(reinterpret_cast<const char*>(text) +
              (text && start > 0 ? start : ByteOrderMarkLength(text, size))) {}

    // The stored bytes of the next line, leading blanks and tabs included.
    // Returns false when the image is exhausted.
    bool NextRaw(const char*& line, const char*& line_end) {
        if (pos >= end) return false;
        const char* first = pos++;
        if (pos == end) {  // a single byte at the end is dropped
            if (!last) return Hold(first);
            line = line_end = pos;
            return true;
        }
        const char* second = pos++;
        bool first_ends = *first == '\r' || *first == '\n';
        if (*second == '\r' || *second == '\n') {
            line = first;
            line_end = first_ends ? first : second;
            return true;
        }
        line = first_ends ? second : first;
        const char* stop = FindLineEnd(pos);
        if (stop == end) {
            if (!last) return Hold(first);
            pos = end;
        } else {
            pos = stop + 1;  // the line end is kept
        }
        line_end = pos;
        return true;
    }

    // The line as ReadLine hands it on: leading blanks and tabs removed.
    bool Next(const char*& line, const char*& line_end) {
        if (!NextRaw(line, line_end)) return false;
        while (line < line_end && (*line == ' ' || *line == '\t')) ++line;
        return true;
    }

    uint32_t Offset() const { return static_cast<uint32_t>(pos - data); }

private:
    bool Hold(const char* line_start) {
        pos = line_start;
        return false;
    }

    // First CR or LF at or after from, or end: sixteen bytes at a time
    // where SSE2 is there (every x86-64), never reading past end.
    const char* FindLineEnd(const char* from) const {
#if defined(__SSE2__)
        const __m128i lf = _mm_set1_epi8('\n');
        const __m128i cr = _mm_set1_epi8('\r');
        while (end - from >= 16) {
            __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
            int hits = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(chunk, lf), _mm_cmpeq_epi8(chunk, cr)));
            if (hits != 0) return from + __builtin_ctz(static_cast<unsigned>(hits));
            from += 16;
        }
#endif
        while (from < end && *from != '\n' && *from != '\r') ++from;
        return from;
    }
};

// The line buffer size for a longest line of `longest` bytes: room for it and
// its terminator, and never less than 1025; 0 (no buffer, the load fails)
// when that would not fit an int32.
inline int32_t LineBufferSize(uint32_t longest) {
    if (longest <= 1024) return 1025;
    if (longest >= static_cast<uint32_t>(INT32_MAX)) return 0;
    return static_cast<int32_t>(longest + 1);
}
