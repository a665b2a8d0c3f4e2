#include "app/workspace.h"

#include <cstring>

#include "platform/text.h"

char g_program_directory[kPathCapacity];
Workspace* g_workspace = nullptr;

// Splits the program path at backslashes (runs of them and those at either
// end give no empty pieces) and keeps every piece but the last, the program's
// own file name, each followed by one backslash. A path that begins with two
// backslashes names a network share and keeps them. Without a program path
// the current directory is taken. A directory that would not fit the
// capacity together with its final backslash is refused (left empty) rather
// than cut into a different folder.
void FindProgramDirectory(const char* program_path, const char* current_directory, char* program_directory) {
    char result[2 * kPathCapacity];
    size_t length = 0;
    bool overflow = false;
    auto append = [&](const char* text, size_t count) {
        if (length + count >= sizeof result) {
            overflow = true;
            return;
        }
        std::memcpy(result + length, text, count);
        length += count;
    };

    if (program_path && program_path[0] != '\0') {
        const char* p = program_path;
        bool network = p[0] == '\\' && p[1] == '\\';
        bool first = true;
        const char* token = nullptr;
        size_t token_length = 0;
        for (;;) {
            while (*p == '\\') ++p;
            if (*p == '\0') break;
            const char* start = p;
            while (*p != '\0' && *p != '\\') ++p;
            // The piece before this one is a folder: keep it.
            if (token) {
                if (first && network) append("\\\\", 2);
                first = false;
                append(token, token_length);
                append("\\", 1);
            }
            token = start;
            token_length = size_t(p - start);
        }
    } else if (current_directory) {
        append(current_directory, std::strlen(current_directory));
    }

    if (length > 0 && result[length - 1] != '\\') append("\\", 1);
    if (overflow || length > size_t(kPathCapacity - 1)) length = 0;
    CopyText(program_directory, kPathCapacity, result, length);
}

void SetWorkspaceDefaults(Workspace& workspace, const char* program_directory) {
    std::memset(&workspace, 0, sizeof workspace);
    CopyText(workspace.original_directory, program_directory);
    CopyText(workspace.original_file_name, "Untitled.obj");
    CopyText(workspace.matching_directory, program_directory);
    CopyText(workspace.matching_file_name, "Untitled.obj");
    CopyText(workspace.new_directory, program_directory);
    CopyText(workspace.new_file_name, "New.obj");
}
