#include "app/path_fields.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>

#include "app/file_choosers.h"
#include "app/resource_ids.h"
#include "app/typed_path.h"
#include "model/records.h"
#include "morph/convert.h"
#include "platform/text.h"

const PathField kPathFields[3] = {
    {IDC_ORIGINAL_FIELD, Slot::kOriginal},
    {IDC_MATCHING_FIELD, Slot::kMatching},
    {IDC_NEW_FIELD, Slot::kNew},
};

void PreparePathFields(HWND window) {
    // The operations read at most kPathCapacity - 1 characters; more typed
    // text would be dropped without a word.
    for (const PathField& field : kPathFields)
        SendDlgItemMessageA(window, field.id, EM_LIMITTEXT, kPathCapacity - 1, 0);
    DragAcceptFiles(window, TRUE);
}

// The field whose edit control holds the point (client coordinates of
// window), or null.
static const PathField* FieldAt(HWND window, POINT point) {
    for (const PathField& field : kPathFields) {
        RECT rect;
        HWND edit = GetDlgItem(window, field.id);
        if (!edit || !GetWindowRect(edit, &rect)) continue;
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
        if (PtInRect(&rect, point)) return &field;
    }
    return nullptr;
}

namespace {

constexpr int kShownEnds = 40;  // characters kept at each end of a long path

int32_t AnsiBytes(const wchar_t* text, int length) {
    return length == 0 ? 0 : WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
}

// A path long enough to need it with its middle given way to "...".
void ShortenMiddle(const char* path, char* shown, size_t capacity) {
    size_t length = std::strlen(path);
    if (length <= 2 * kShownEnds + 3) return CopyText(shown, capacity, path);
    CopyText(shown, capacity, path, kShownEnds);
    AppendText(shown, capacity, "...");
    AppendText(shown, capacity, path + length - kShownEnds);
}

}  // namespace

void TakeDroppedFile(HWND window, HDROP drop) {
    POINT point = {};
    DragQueryPoint(drop, &point);
    const PathField* field = FieldAt(window, point);
    if (field && DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0) > 0) {
        char path[kPathCapacity];
        UINT length = DragQueryFileA(drop, 0, nullptr, 0);
        if (length > UINT(kPathCapacity - 1)) {
            char whole[4 * kPathCapacity] = "", shown[kMessageCapacity / 2];
            DragQueryFileA(drop, 0, whole, sizeof whole);
            ShortenMiddle(whole, shown, sizeof shown);
            ReportPathTooLong(window, int(field - kPathFields), int32_t(length), shown);
        } else if (DragQueryFileA(drop, 0, path, kPathCapacity) == length) {
            SetDlgItemTextA(window, field->id, path);
            ShowPathEnd(window, field->id);
        }
    }
    DragFinish(drop);
}


int32_t PathFieldBytes(HWND window, int id, char* shown, size_t capacity) {
    wchar_t text[4 * kPathCapacity] = L"";
    GetDlgItemTextW(window, id, text, 4 * kPathCapacity);
    const wchar_t* begin = text;
    const wchar_t* end = text + lstrlenW(text);
    while (begin < end && (*begin == L' ' || *begin == L'\t')) ++begin;
    while (end > begin && (end[-1] == L' ' || end[-1] == L'\t')) --end;
    if (end - begin >= 2 && *begin == L'"' && end[-1] == L'"') ++begin, --end;
    const int length = int(end - begin);
    int32_t bytes = AnsiBytes(begin, length);
    // The middle of a long path gives way to "...".
    int head = length > 2 * kShownEnds + 3 ? kShownEnds : length;
    int made = WideCharToMultiByte(CP_ACP, 0, begin, head, shown, int(capacity) - 1, nullptr, nullptr);
    if (head < length) {
        made += WideCharToMultiByte(CP_ACP, 0, L"...", 3, shown + made, int(capacity) - 1 - made, nullptr, nullptr);
        made += WideCharToMultiByte(CP_ACP, 0, end - kShownEnds, kShownEnds, shown + made, int(capacity) - 1 - made,
                                    nullptr, nullptr);
    }
    shown[made] = '\0';
    return bytes;
}

void ShowPathEnd(HWND window, int id) {
    LRESULT end = SendDlgItemMessageA(window, id, WM_GETTEXTLENGTH, 0, 0);
    SendDlgItemMessageA(window, id, EM_SETSEL, WPARAM(end), LPARAM(end));
    SendDlgItemMessageA(window, id, EM_SCROLLCARET, 0, 0);
}

void ReportPathTooLong(HWND window, int k, int32_t bytes, const char* shown) {
    const char* const names[3] = {"Original File", "Matching File", "New File"};
    char text[kMessageCapacity];
    std::snprintf(text, sizeof text,
                  "The path in the %s box is too long: it takes %d bytes, and a path may take at most %d.\r\n"
                  "\r\n%s\r\n\r\nMove the file to a shorter path, or give a folder a shorter name.",
                  names[k], bytes, kPathCapacity - 1, shown);
    MessageBoxA(window, text, "Error", MB_OK | MB_ICONEXCLAMATION);
}

void TidyPathField(HWND window, int id) {
    char text[kPathCapacity];
    GetDlgItemTextA(window, id, text, kPathCapacity);
    size_t length = std::strlen(text);
    if (length < 2 || text[0] != '"' || text[length - 1] != '"') return;
    TidyTypedPath(text);
    SetDlgItemTextA(window, id, text);
    WPARAM end = WPARAM(std::strlen(text));
    SendDlgItemMessageA(window, id, EM_SETSEL, end, LPARAM(end));
}
