#pragma once
// A zero-copy line scanner over a file image that yields exactly the lines
// Model::ReadLine would store with unlimited capacity, as ranges of the
// image itself: a line ends at CR or LF; a CR or LF among the first two
// bytes of a line is never part of it; a line end met after them stays at
// the end of the line; a single byte left at the end of the image is
// consumed and yields an empty line.
#include <cstdint>
#include <cstring>

struct LineScanner {
    const char* data;
    const char* end;
    const char* pos;
    const char* next_lf;  // cached: first LF at or after where it was last sought
    const char* next_cr;  // likewise for CR

    LineScanner(const unsigned char* text, uint32_t size, uint32_t start = 0)
        : data(reinterpret_cast<const char*>(text)),
          end(reinterpret_cast<const char*>(text) + (text ? size : 0)),
          pos(reinterpret_cast<const char*>(text) + (text ? start : 0)),
          next_lf(nullptr),
          next_cr(nullptr) {}

    // The stored bytes of the next line, leading blanks and tabs included.
    // Returns false when the image is exhausted.
    bool NextRaw(const char*& line, const char*& line_end) {
        if (pos >= end) return false;
        const char* first = pos++;
        if (pos == end) {  // a single byte at the end is dropped
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
    // First CR or LF at or after from, or end.
    const char* FindLineEnd(const char* from) {
        if (!next_lf || next_lf < from) {
            const void* found = std::memchr(from, '\n', static_cast<size_t>(end - from));
            next_lf = found ? static_cast<const char*>(found) : end;
        }
        if (!next_cr || next_cr < from) {
            const void* found = std::memchr(from, '\r', static_cast<size_t>(end - from));
            next_cr = found ? static_cast<const char*>(found) : end;
        }
        return next_lf < next_cr ? next_lf : next_cr;
    }
};
