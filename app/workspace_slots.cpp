#include "app/workspace_slots.h"

#include <cstring>

#include "platform/text.h"

char* SlotDirectory(Workspace& workspace, Slot slot) {
    switch (slot) {
    case Slot::kOriginal: return workspace.original_directory;
    case Slot::kMatching: return workspace.matching_directory;
    case Slot::kNew: break;
    }
    return workspace.new_directory;
}

char* SlotFileName(Workspace& workspace, Slot slot) {
    switch (slot) {
    case Slot::kOriginal: return workspace.original_file_name;
    case Slot::kMatching: return workspace.matching_file_name;
    case Slot::kNew: break;
    }
    return workspace.new_file_name;
}

int32_t BuildFieldText(const char* directory, const char* file_name, char* text) {
    CopyText(text, kPathCapacity, directory);
    return AppendText(text, kPathCapacity, file_name) && std::strlen(directory) < size_t(kPathCapacity) ? 1 : 0;
}

int32_t TakeChosenFile(Workspace& workspace, Slot slot, const char* file_path, int32_t file_offset,
                       const char* file_title) {
    if (!file_path || !file_title || file_offset < 0) return 0;
    size_t folder_length = std::strlen(file_path);
    if (size_t(file_offset) < folder_length) folder_length = size_t(file_offset);
    bool needs_separator = folder_length > 0 && file_path[folder_length - 1] != '\\';
    size_t title_length = std::strlen(file_title);
    // The edit field shows folder and name together in kPathCapacity - 1
    // characters; a choice that would be cut there names another file.
    if (folder_length + (needs_separator ? 1 : 0) + title_length > size_t(kPathCapacity - 1)) return 0;

    char* directory = SlotDirectory(workspace, slot);
    CopyText(directory, kPathCapacity, file_path, folder_length);
    if (needs_separator) AppendText(directory, kPathCapacity, "\\");
    CopyText(SlotFileName(workspace, slot), kPathCapacity, file_title, title_length);
    CopyText(workspace.chosen_directory, directory);
    if (slot == Slot::kNew) workspace.new_named = 1;
    return 1;
}
