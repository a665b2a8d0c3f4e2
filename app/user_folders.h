#pragma once
// Folders of the user's own: where the program writes when its own folder
// (under Program Files, say) can't be written.
#include <windows.h>

#include <cstdint>

// 1 when a file can be created in folder (ending with a backslash); 0 with
// the system's reason in *reason otherwise. Leaves nothing behind.
int32_t FolderWritable(const char* folder, int32_t* reason);

// The user's Documents folder with a backslash, or "" when there is none.
void DocumentsFolder(char* folder);

// Documents\Quandrelistaphor\, made when missing; "" when it can't be.
void ProgramDocumentsFolder(char* folder);
