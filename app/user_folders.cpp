#include "app/user_folders.h"

#include <shlobj.h>

#include "model/records.h"
#include "platform/text.h"

int32_t FolderWritable(const char* folder, int32_t* reason) {
    char probe[kPathCapacity];
    CopyText(probe, folder);
    if (!folder[0] || !AppendText(probe, "~quandrelistaphor.probe")) {
        *reason = ERROR_FILENAME_EXCED_RANGE;
        return 0;
    }
    // Deleted as its handle closes: a crash leaves no probe behind either.
    HANDLE file = CreateFileA(probe, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *reason = int32_t(GetLastError());
        // A probe that another run holds says the folder can be written.
        return *reason == ERROR_FILE_EXISTS || *reason == ERROR_SHARING_VIOLATION;
    }
    CloseHandle(file);
    *reason = 0;
    return 1;
}

void DocumentsFolder(char* folder) {
    char path[MAX_PATH] = "";
    folder[0] = '\0';
    if (SHGetFolderPathA(nullptr, CSIDL_PERSONAL | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK)
        return;
    CopyText(folder, kPathCapacity, path);
    size_t length = lstrlenA(folder);
    if (length > 0 && folder[length - 1] != '\\' && !AppendText(folder, kPathCapacity, "\\")) folder[0] = '\0';
}

void ProgramDocumentsFolder(char* folder) {
    DocumentsFolder(folder);
    if (!folder[0] || !AppendText(folder, kPathCapacity, "Quandrelistaphor\\")) {
        folder[0] = '\0';
        return;
    }
    if (!CreateDirectoryA(folder, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) folder[0] = '\0';
}
