#pragma once
// Text from files on its way to a terminal. Bytes read from a file (a path,
// a library name) may hold control characters, and a terminal takes some of
// them as commands (moving the cursor, retitling the window, ...): on a
// terminal they are shown escaped instead; anywhere else the bytes go out as
// they are.
#include <cstddef>
#include <cstdio>

// 1 when stream is a terminal.
int IsTerminal(std::FILE* stream);

// Writes `length` bytes of text to stream; on a terminal every control
// character other than a line feed or a tab is written as \xHH.
void WriteText(std::FILE* stream, const char* text, size_t length);
