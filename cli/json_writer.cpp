#include "cli/json_writer.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "platform/files/output_file.h"

namespace {

// The length of the valid UTF-8 sequence at p (1 to 4), or 0.
int Utf8Length(const unsigned char* p) {
    unsigned char c = p[0];
    int length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (length <= 1) return length;
    for (int k = 1; k < length; ++k)
        if ((p[k] & 0xC0) != 0x80) return 0;
    // Overlong forms, surrogates and code points past U+10FFFF are not valid.
    uint32_t code = c & (0x7F >> length);
    for (int k = 1; k < length; ++k) code = code << 6 | (p[k] & 0x3F);
    const uint32_t least[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

}  // namespace

void JsonWriter::Put(const char* text, size_t length) {
    if (out_)
        std::fwrite(text, 1, length, out_);
    else
        WriteOutput(file_, text, length);
}

void JsonWriter::Put(const char* text) { Put(text, std::strlen(text)); }

void JsonWriter::Start(const char* key) {
    if (depth_ > 0) {
        if (has_members_[depth_ - 1]) Put(',');
        has_members_[depth_ - 1] = true;
    }
    if (key) {
        Quoted(key, false);
        Put(':');
    }
}

void JsonWriter::BeginObject(const char* key) {
    Start(key);
    Put('{');
    if (depth_ < kMaxDepth) {
        has_members_[depth_] = false;
        closers_[depth_++] = '}';
    }
}

void JsonWriter::BeginArray(const char* key) {
    Start(key);
    Put('[');
    if (depth_ < kMaxDepth) {
        has_members_[depth_] = false;
        closers_[depth_++] = ']';
    }
}

void JsonWriter::End() {
    if (depth_ == 0) return;
    Put(closers_[--depth_]);
    if (depth_ == 0) {
        Put('\n');
        if (out_) std::fflush(out_);
    }
}

void JsonWriter::Quoted(const char* text, bool message) {
    Put('"');
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (*p) {
        if (message && p[0] == '\r' && p[1] == '\n') {
            ++p;
            continue;
        }
        int length = Utf8Length(p);
        if (*p == '"' || *p == '\\') {
            Put('\\');
            Put(*p);
        } else if (*p == '\n') {
            Put("\\n");
        } else if (*p == '\t') {
            Put("\\t");
        } else if (*p < 0x20 || *p == 0x7F || length == 0) {
            // A byte outside UTF-8 (0x80 and up) as the lone surrogate
            // U+DC80 + (byte - 0x80), as Python's os.fsdecode reads it: no
            // character stands for it, so the bytes come back exactly.
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", *p >= 0x80 ? 0xDC00u + *p : unsigned(*p));
            Put(escape);
        } else {
            Put(reinterpret_cast<const char*>(p), size_t(length));
            p += length;
            continue;
        }
        ++p;
    }
    Put('"');
}

void JsonWriter::Text(const char* key, const char* text) {
    if (!text) return Null(key);
    Start(key);
    Quoted(text, false);
}

void JsonWriter::Message(const char* key, const char* text) {
    if (!text) return Null(key);
    Start(key);
    Quoted(text, true);
}

void JsonWriter::Integer(const char* key, int64_t value) {
    Start(key);
    char text[24];
    *std::to_chars(text, text + sizeof text - 1, value).ptr = '\0';
    Put(text);
}

void JsonWriter::Number(const char* key, double value) {
    if (!std::isfinite(value)) return Null(key);
    Start(key);
    char text[48];
    *std::to_chars(text, text + sizeof text - 1, value).ptr = '\0';
    Put(text);
}

void JsonWriter::Number(const char* key, float value) {
    if (!std::isfinite(value)) return Null(key);
    Start(key);
    char text[48];
    *std::to_chars(text, text + sizeof text - 1, value).ptr = '\0';
    Put(text);
}

void JsonWriter::NumberText(const char* key, const char* text, size_t length) {
    Start(key);
    Put(text, length);
}

void JsonWriter::Boolean(const char* key, bool value) {
    Start(key);
    Put(value ? "true" : "false");
}

void JsonWriter::Null(const char* key) {
    Start(key);
    Put("null");
}
