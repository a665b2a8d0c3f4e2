#pragma once
// JSON for scripts, written as it is built: members and elements are
// separated and nested as they come. Texts are bytes from files and the
// command line: valid UTF-8 goes out as it is, control characters as
// \u00XX, and every byte that is not part of valid UTF-8 as \udcXX (a lone
// surrogate, which no character decodes to), so that the document always
// parses and every byte comes back as it was.
#include <cstddef>
#include <cstdint>
#include <cstdio>

struct OutputFile;  // platform/files/output_file.h

class JsonWriter {
public:
    explicit JsonWriter(std::FILE* out) : out_(out) {}
    // Into a file opened with OpenOutputFile; the caller commits it.
    explicit JsonWriter(OutputFile* file) : file_(file) {}

    // Each call names its member's key inside an object; null in an array
    // or for the document itself.
    void BeginObject(const char* key = nullptr);
    void BeginArray(const char* key = nullptr);
    void End();  // the innermost object or array; the document's ends with a line feed
    void Text(const char* key, const char* text);  // null text: null
    // Text with every "\r\n" as "\n" (the operations' messages).
    void Message(const char* key, const char* text);
    void Integer(const char* key, int64_t value);
    // The shortest decimal text that reads back as the value; not finite: null.
    void Number(const char* key, double value);
    void Number(const char* key, float value);  // the float's own shortest text
    // A number as text that already has JSON's number syntax.
    void NumberText(const char* key, const char* text, size_t length);
    void Boolean(const char* key, bool value);
    void Null(const char* key);

private:
    void Start(const char* key);
    void Put(const char* text, size_t length);
    void Put(const char* text);
    void Put(char c) { Put(&c, 1); }
    void Quoted(const char* text, bool message);
    static constexpr int kMaxDepth = 16;
    std::FILE* out_ = nullptr;
    OutputFile* file_ = nullptr;
    int depth_ = 0;
    bool has_members_[kMaxDepth] = {};
    char closers_[kMaxDepth] = {};
};
