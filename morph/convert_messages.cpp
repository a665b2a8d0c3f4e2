#include "morph/convert_messages.h"

#include <cstdio>

#include "morph/convert.h"

void WriteOriginalNotLoaded(char* message, const char* path) {
    std::snprintf(message, kMessageCapacity,
                  "There was an error loading the original morph file:\r\n\r\nfilepath: \"%s\"\r\n", path);
}

void WriteMatchingNotLoaded(char* message, const char* path) {
    std::snprintf(message, kMessageCapacity,
                  "There was an error loading the matching morph file:\r\n\r\nfilepath: \"%s\"\r\n", path);
}

void WriteNewNotSaved(char* message, const char* path) {
    std::snprintf(message, kMessageCapacity, "There was an error saving the new morph file:\r\n\r\nfilepath: \"%s\"\r\n",
                  path);
}

void WriteVertexCountsDiffer(char* message, int32_t original_count, int32_t matching_count) {
    std::snprintf(message, kMessageCapacity,
                  "There was an error creating the new morph file.\r\nVertex count does not match:\r\n\r\n"
                  "original: %d vertices\r\nmatching: %d vertices\r\n",
                  original_count, matching_count);
}

void WriteNoVertices(char* message, int32_t original_count, int32_t matching_count) {
    std::snprintf(message, kMessageCapacity,
                  "There was an error creating the new morph file.\r\nNo vertices found:\r\n\r\n"
                  "original: %d vertices\r\nmatching: %d vertices\r\n",
                  original_count, matching_count);
}

void WriteNotAllMatched(char* message, int32_t match_count, int32_t total_vertices) {
    std::snprintf(message, kMessageCapacity,
                  "There was an error creating the new morph file.\r\nUnable to match all vertices:\r\n\r\n"
                  "num_matches: %d\r\ntotal_vertices: %d\r\n",
                  match_count, total_vertices);
}

void WriteFaceCountQuestion(char* question, int32_t capacity, int32_t original_faces, int32_t matching_faces) {
    std::snprintf(question, static_cast<size_t>(capacity),
                  "The total face count does not match:\r\n\r\noriginal: %d faces\r\nmatching: %d faces\r\n\r\n"
                  "Continue anyway?\r\n",
                  original_faces, matching_faces);
}
