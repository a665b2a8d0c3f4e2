#include "app/settings.h"

#include "app/matching_choice.h"
#include "app/matching_group.h"
#include "app/path_fields.h"
#include "app/typed_path.h"
#include "app/workspace.h"
#include "platform/text.h"

const char kSettingsKey[] = "Software\\Quandrelistaphor";

namespace {

// Each box's folder (what earlier versions kept) and its whole path.
const char* const kFolderNames[3] = {"OriginalFolder", "MatchingFolder", "NewFolder"};
const char* const kFileNames[3] = {"OriginalFile", "MatchingFile", "NewFile"};
const char kChosenFolderName[] = "ChosenFolder";

bool ReadString(HKEY key, const char* name, char* text, DWORD capacity) {
    DWORD type = 0, size = capacity;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
        type != REG_SZ || size == 0 || size > capacity)
        return false;
    text[size - 1] = '\0';
    return true;
}

DWORD ReadNumber(HKEY key, const char* name, DWORD otherwise) {
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return otherwise;
    return value;
}

void WriteString(HKEY key, const char* name, const char* text) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), DWORD(lstrlenA(text) + 1));
}

void WriteNumber(HKEY key, const char* name, DWORD value) {
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

// A kept folder serves only while it exists and ends with its backslash.
bool UsableFolder(const char* folder) {
    size_t length = lstrlenA(folder);
    if (length == 0 || folder[length - 1] != '\\') return false;
    DWORD attributes = GetFileAttributesA(folder);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A box's path as kept: its folder must still exist; a name that no longer
// names a file is shown all the same, so that Convert says what is missing.
void RestoreBox(HKEY key, int k, Workspace& workspace) {
    Slot slot = kPathFields[k].slot;
    char path[kPathCapacity], folder[kPathCapacity], name[kPathCapacity];
    if (ReadString(key, kFileNames[k], path, sizeof path)) {
        SplitTypedPath(path, folder, name);
        if (UsableFolder(folder) && name[0]) {
            CopyText(SlotDirectory(workspace, slot), kPathCapacity, folder);
            CopyText(SlotFileName(workspace, slot), kPathCapacity, name);
            if (slot == Slot::kNew) workspace.new_named = 1;
            return;
        }
    }
    if (ReadString(key, kFolderNames[k], folder, sizeof folder) && UsableFolder(folder))
        CopyText(SlotDirectory(workspace, slot), kPathCapacity, folder);
}

// A distance that Convert would refuse is not kept over the last good one.
bool ValidDistance(const MatchingChoice& choice) {
    MatchingChoice small = choice;
    small.way = MatchingWay::kSmallDifferences;
    ConvertOptions options;
    char problem[kMessageCapacity];
    return ChoiceOptions(small, options, problem) == 1;
}

}  // namespace

void RestoreSettings(HWND window) {
    MatchingChoice choice;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD way = ReadNumber(key, "Matching", 0);
        choice.way = way <= 2 ? MatchingWay(way) : MatchingWay::kExact;
        char distance[kDistanceCapacity];
        if (ReadString(key, "Distance", distance, sizeof distance)) CopyText(choice.distance, distance);
        choice.count_change = ReadNumber(key, "SplitOrWeld", 0) != 0;
        for (int k = 0; k < 3 && g_workspace; ++k) RestoreBox(key, k, *g_workspace);
        char folder[kPathCapacity];
        if (g_workspace && ReadString(key, kChosenFolderName, folder, sizeof folder) && UsableFolder(folder))
            CopyText(g_workspace->chosen_directory, folder);
        RegCloseKey(key);
    }
    PrepareMatchingGroup(window, choice);
}

void KeepSettings(HWND window) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    MatchingChoice choice = ReadMatchingChoice(window);
    WriteNumber(key, "Matching", DWORD(choice.way));
    if (ValidDistance(choice)) WriteString(key, "Distance", choice.distance);
    WriteNumber(key, "SplitOrWeld", choice.count_change ? 1 : 0);
    for (int k = 0; k < 3; ++k) {
        char path[kPathCapacity], folder[kPathCapacity], name[kPathCapacity];
        GetDlgItemTextA(window, kPathFields[k].id, path, kPathCapacity);
        TidyTypedPath(path);
        SplitTypedPath(path, folder, name);
        if (folder[0]) WriteString(key, kFolderNames[k], folder);
        if (folder[0] && name[0]) WriteString(key, kFileNames[k], path);
    }
    if (g_workspace && g_workspace->chosen_directory[0])
        WriteString(key, kChosenFolderName, g_workspace->chosen_directory);
    RegCloseKey(key);
}
