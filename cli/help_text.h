#pragma once
// The usage lines of every command and the texts of --help, whole and one
// command's.
#include <cstdio>

// The usage lines of every command.
void PrintUsage(std::FILE* stream);

// Everything: the usage lines, every command with its options, the options
// of every command and the exit statuses.
void PrintHelp(std::FILE* stream);

// One command's usage, text and options, the options of every command and
// the exit statuses; 0 (nothing printed) for a name no command has.
int PrintCommandHelp(std::FILE* stream, const char* name);
