#include "app/path_fields.h"

#include <shellapi.h>

#include "app/file_choosers.h"
#include "app/resource_ids.h"
#include "model/records.h"

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

void TakeDroppedFile(HWND window, HDROP drop) {
    POINT point = {};
    DragQueryPoint(drop, &point);
    const PathField* field = FieldAt(window, point);
    if (field && DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0) > 0) {
        char path[kPathCapacity];
        UINT length = DragQueryFileA(drop, 0, nullptr, 0);
        if (length > UINT(kPathCapacity - 1)) {
            ReportChooserError(field->slot);
        } else if (DragQueryFileA(drop, 0, path, kPathCapacity) == length) {
            SetDlgItemTextA(window, field->id, path);
        }
    }
    DragFinish(drop);
}
