// The line reader shared by the OBJ and MTL readers.
#include <cstdint>

#include "wavefront/line_scan.h"
#include "wavefront/obj_reader.h"

int32_t ObjReader::ReadLine(char* buffer, int32_t capacity) {
    if (!buffer || capacity < 1) return 0;
    buffer[0] = '\0';
    if (!text.data || text.read_pos >= text.size) return 0;
    if (text.read_pos == 0) text.read_pos = ByteOrderMarkLength(text.data, text.size);
    if (text.read_pos >= text.size) return 0;

    const unsigned char* data = text.data;
    unsigned char first = data[text.read_pos++];
    if (text.read_pos >= text.size) return 1;  // a single trailing byte is dropped
    unsigned char second = data[text.read_pos++];

    int32_t n = 0;
    auto store = [&](unsigned char c) {
        if (n < capacity - 1) buffer[n++] = static_cast<char>(c);
    };
    if (first != '\r' && first != '\n') store(first);
    if (second != '\r') {
        if (second != '\n') store(second);
        unsigned char last = second;
        while (last != '\n' && text.read_pos < text.size) {
            last = data[text.read_pos++];
            store(last);
            if (last == '\r') break;
        }
    }
    buffer[n] = '\0';

    int32_t skip = 0;
    while (buffer[skip] == ' ' || buffer[skip] == '\t') ++skip;
    if (skip > 0) {
        int32_t i = 0;
        while ((buffer[i] = buffer[i + skip]) != '\0') ++i;
    }
    return 1;
}
