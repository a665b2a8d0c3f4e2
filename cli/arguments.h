#pragma once
// The words of a command line: the command, its positional arguments and its
// options. Every option the program knows is listed once, with whether it
// takes a value; each command says which of them it accepts.
#include <cstdint>

constexpr int kUsageError = 64;
constexpr int kMaxPositional = 1024;
constexpr int kMaxOptions = 32;

struct OptionWord {
    const char* name;  // "--tolerance"
    bool takes_value;
};

struct Arguments {
    const char* command = nullptr;
    const char* positional[kMaxPositional] = {};
    int positional_count = 0;
    const char* option_names[kMaxOptions] = {};
    const char* option_values[kMaxOptions] = {};  // null for a flag
    int option_count = 0;
    bool help = false;
    bool version = false;

    // The option's value (or "" for a flag) when given, else null; the
    // last one given counts.
    const char* Option(const char* name) const;
    bool Has(const char* name) const { return Option(name) != nullptr; }
};

// Splits argv into `arguments`. Returns 0 on success, else prints the problem
// with the usage text to standard error and returns kUsageError.
int ParseArguments(int argc, char** argv, Arguments& arguments);

// 0 when every option given is --quiet or one of `accepted`
// (null-terminated); otherwise reports the first other one as a usage error.
int CheckOptions(const Arguments& arguments, const char* const* accepted, const char* usage_line);

// Prints "quandrelistaphor: problem" (when not null) and the usage text to
// standard error; returns kUsageError.
int Usage(const char* problem);
