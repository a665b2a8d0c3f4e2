#include "app/file_choosers.h"

#include <commdlg.h>

#include "app/chooser_start.h"
#include "app/path_fields.h"
#include "app/typed_path.h"
#include "app/workspace_slots.h"
#include "platform/text.h"

namespace {

constexpr int kOpenBufferCapacity = 260;
constexpr int kSaveBufferCapacity = 256;
constexpr DWORD kCommonFlags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_ENABLESIZING;

const char kOpenFilter[] =
    "Supported files (*.obj)\0*.obj\0"
    "Wavefront OBJ files (*.obj)\0*.obj\0"
    "All files (*.*)\0*.*\0";
const char kSaveFilter[] = "Wavefront OBJ files (*.obj)\0*.obj\0";
const char kOpenErrorText[] = "There was an error opening the file.";
const char kSaveErrorText[] = "There was an error getting the file.";

// After the chooser returned: the Workspace update, or the reason it failed.
int TakeChoice(BOOL chosen, Slot slot, const OPENFILENAMEA& request) {
    if (!chosen) {
        if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL) ReportChooserError(slot);
        return 0;
    }
    // The chosen file's folder comes from its full path: the chooser need
    // not leave the current directory there (OFN_NOCHANGEDIR aside, it
    // doesn't on every system), and relative paths typed later resolve
    // against it.
    if (!TakeChosenFile(*g_workspace, slot, request.lpstrFile, request.nFileOffset, request.lpstrFileTitle)) {
        ReportChooserError(slot);
        return 0;
    }
    SetCurrentDirectoryA(SlotDirectory(*g_workspace, slot));
    return 1;
}

bool FileExists(const char* path) {
    DWORD attributes = path[0] ? GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The text of the box of slot, as the operations would take it.
void BoxPath(HWND owner, Slot slot, char* path) {
    path[0] = '\0';
    for (const PathField& field : kPathFields)
        if (field.slot == slot) GetDlgItemTextA(owner, field.id, path, kPathCapacity);
    TidyTypedPath(path);
}

// Where the chooser of slot starts (ChooserStart).
void StartingPoint(HWND owner, Slot slot, char* directory, char* file_name) {
    char box[kPathCapacity], matching[kPathCapacity];
    BoxPath(owner, slot, box);
    BoxPath(owner, Slot::kMatching, matching);
    ChooserView view{box, FileExists(box), matching, FileExists(matching)};
    ChooserStart(*g_workspace, slot, view, directory, file_name);
}

int BrowseOpenFile(HWND owner, Slot slot) {
    char directory[kPathCapacity];
    char name[kPathCapacity];
    StartingPoint(owner, slot, directory, name);
    SetCurrentDirectoryA(directory);

    char file[kOpenBufferCapacity];
    char title[kOpenBufferCapacity] = "";
    CopyText(file, name);

    OPENFILENAMEA request = {};
    request.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    request.hwndOwner = owner;
    request.lpstrFilter = kOpenFilter;
    request.nFilterIndex = 1;
    request.lpstrFile = file;
    request.nMaxFile = kOpenBufferCapacity;
    request.lpstrFileTitle = title;
    request.nMaxFileTitle = kOpenBufferCapacity;
    request.lpstrInitialDir = directory;
    request.lpstrTitle = "Open File";
    request.Flags = kCommonFlags;
    BOOL chosen = GetOpenFileNameA(&request);
    return TakeChoice(chosen, slot, request);
}

}  // namespace

void ReportChooserError(Slot slot) {
    const char* text = slot == Slot::kNew ? kSaveErrorText : kOpenErrorText;
    MessageBoxA(GetFocus(), text, "Error", MB_OK | MB_ICONEXCLAMATION);
}

int BrowseOriginalFile(HWND owner) {
    return BrowseOpenFile(owner, Slot::kOriginal);
}

int BrowseMatchingFile(HWND owner) {
    return BrowseOpenFile(owner, Slot::kMatching);
}

int BrowseNewFile(HWND owner) {
    char directory[kPathCapacity];
    char name[kPathCapacity];
    StartingPoint(owner, Slot::kNew, directory, name);
    SetCurrentDirectoryA(directory);

    char file[kSaveBufferCapacity];
    char title[kSaveBufferCapacity] = "";
    CopyText(file, name);

    OPENFILENAMEA request = {};
    request.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    request.hwndOwner = owner;
    request.lpstrFilter = kSaveFilter;
    request.nFilterIndex = 1;
    request.lpstrFile = file;
    request.nMaxFile = kSaveBufferCapacity;
    request.lpstrFileTitle = title;
    request.nMaxFileTitle = kSaveBufferCapacity;
    request.lpstrInitialDir = directory;
    request.lpstrTitle = "Save File";
    request.Flags = kCommonFlags | OFN_OVERWRITEPROMPT;
    request.lpstrDefExt = "obj";
    BOOL chosen = GetSaveFileNameA(&request);
    return TakeChoice(chosen, Slot::kNew, request);
}
