#pragma once
// The usage line of every command and the text of --help.

extern const char kUsage[];
extern const char kHelp[];
