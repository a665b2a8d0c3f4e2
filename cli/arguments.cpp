#include "cli/arguments.h"

#include <cstdio>
#include <cstring>

#include "cli/help_text.h"

namespace {

// Every option of every command.
const OptionWord kOptionWords[] = {
    {"--yes", false},
    {"--output", true},
    {"--tolerance", true},
    {"--strict", false},
    {"--accept-unsure", false},
    {"--allow-count-change", false},
    {"--details", false},
    {"--out-dir", true},
    {"--gltf", true},
    {"--jobs", true},
    {"--force", false},
    {"--by", true},
    {"--seed", true},
    {"--json", false},
    {"--quiet", false},
};

// The option named by word up to its '=' or its end.
const OptionWord* FindOptionWord(const char* word, size_t length) {
    for (const OptionWord& option : kOptionWords)
        if (std::strncmp(option.name, word, length) == 0 && option.name[length] == '\0') return &option;
    return nullptr;
}

int UsageWith(const char* format, const char* word) {
    char problem[320];
    std::snprintf(problem, sizeof problem, format, word);
    return Usage(problem);
}

}  // namespace

const char* Arguments::Option(const char* name) const {
    for (int k = option_count - 1; k >= 0; --k)
        if (std::strcmp(option_names[k], name) == 0) return option_values[k] ? option_values[k] : "";
    return nullptr;
}

int Usage(const char* problem) {
    if (problem) std::fprintf(stderr, "quandrelistaphor: %s\n", problem);
    PrintUsage(stderr);
    return kUsageError;
}

int ParseArguments(int argc, char** argv, Arguments& arguments) {
    bool options_done = false;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (!options_done && (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0)) {
            arguments.help = true;
            return 0;
        } else if (!options_done && std::strcmp(a, "--version") == 0) {
            arguments.version = true;
            return 0;
        } else if (!options_done && std::strcmp(a, "--") == 0) {
            options_done = true;
        } else if (!options_done && std::strcmp(a, "-q") == 0) {  // --quiet's short form
            if (arguments.option_count == kMaxOptions) return Usage("too many options");
            arguments.option_names[arguments.option_count] = "--quiet";
            arguments.option_values[arguments.option_count++] = nullptr;
        } else if (!options_done && a[0] == '-' && a[1] == '-') {
            // --name value, or --name=value in one word.
            const char* equals = std::strchr(a, '=');
            const OptionWord* option = FindOptionWord(a, equals ? size_t(equals - a) : std::strlen(a));
            if (!option) return UsageWith("unknown option %.200s", a);
            if (arguments.option_count == kMaxOptions) return Usage("too many options");
            const char* value = equals ? equals + 1 : nullptr;
            if (equals && !option->takes_value) return UsageWith("%s takes no value", option->name);
            if (option->takes_value && !equals) {
                if (i + 1 >= argc) return UsageWith("%s needs a value", option->name);
                value = argv[++i];
            }
            arguments.option_names[arguments.option_count] = option->name;
            arguments.option_values[arguments.option_count++] = value;
        } else if (!arguments.command) {
            arguments.command = a;
        } else {
            if (arguments.positional_count == kMaxPositional) return Usage("too many arguments");
            arguments.positional[arguments.positional_count++] = a;
        }
    }
    return 0;
}

int CheckOptions(const Arguments& arguments, const char* const* accepted, const char* usage_line) {
    for (int k = 0; k < arguments.option_count; ++k) {
        bool known = std::strcmp(arguments.option_names[k], "--quiet") == 0;  // every command's
        for (const char* const* name = accepted; *name && !known; ++name)
            known = std::strcmp(*name, arguments.option_names[k]) == 0;
        if (!known) return Usage(usage_line);
    }
    return 0;
}
