#pragma once
// The texts a conversion reports, for every operation that converts files:
// each writes its text into a message of kMessageCapacity bytes.
#include <cstdint>

void WriteOriginalNotLoaded(char* message, const char* path);
void WriteMatchingNotLoaded(char* message, const char* path);
void WriteNewNotSaved(char* message, const char* path);
void WriteVertexCountsDiffer(char* message, int32_t original_count, int32_t matching_count);
void WriteNoVertices(char* message, int32_t original_count, int32_t matching_count);
void WriteNotAllMatched(char* message, int32_t match_count, int32_t total_vertices);

// The face-count question, into a buffer of `capacity` bytes.
void WriteFaceCountQuestion(char* question, int32_t capacity, int32_t original_faces, int32_t matching_faces);
