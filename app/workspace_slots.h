#pragma once
// The three file slots of the Workspace as the main window and the file
// choosers see them: which pair of strings a field uses, the text its edit
// field shows, and what a successful choice writes.
#include <cstdint>

#include "app/workspace.h"

enum class Slot : int32_t { kOriginal, kMatching, kNew };

char* SlotDirectory(Workspace& workspace, Slot slot);
char* SlotFileName(Workspace& workspace, Slot slot);
inline const char* SlotDirectory(const Workspace& workspace, Slot slot) {
    return SlotDirectory(const_cast<Workspace&>(workspace), slot);
}
inline const char* SlotFileName(const Workspace& workspace, Slot slot) {
    return SlotFileName(const_cast<Workspace&>(workspace), slot);
}

// directory followed directly by file_name, cut to kPathCapacity - 1.
// Returns 1 when all of it fitted.
int32_t BuildFieldText(const char* directory, const char* file_name, char* text);

// After a successful choice: the folder is the chosen full path up to the
// file name's offset (with a trailing backslash added when missing), the file
// name is the chooser's file title exactly as returned. Writes the slot only
// when both together fit kPathCapacity - 1, the edit field's text, and returns
// 1 (the folder is then the chosen one, and a chosen New file is named);
// otherwise writes nothing and returns 0.
int32_t TakeChosenFile(Workspace& workspace, Slot slot, const char* file_path, int32_t file_offset,
                       const char* file_title);
