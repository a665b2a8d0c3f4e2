#include "app/matching_group.h"

#include "app/path_fields.h"
#include "app/resource_ids.h"
#include "platform/text.h"

namespace {

const int kWayButtons[] = {IDC_MATCH_EXACT, IDC_MATCH_SMALL, IDC_MATCH_CONNECTIVITY};
const int kGroupControls[] = {IDC_MATCH_EXACT, IDC_MATCH_SMALL, IDC_MATCH_CONNECTIVITY, IDC_MATCH_DISTANCE,
                              IDC_MATCH_COUNT_CHANGE};

}  // namespace

void PrepareMatchingGroup(HWND window, const MatchingChoice& choice) {
    SendDlgItemMessageA(window, IDC_MATCH_DISTANCE, CB_ADDSTRING, 0, LPARAM(kAutomaticDistance));
    SendDlgItemMessageA(window, IDC_MATCH_DISTANCE, CB_LIMITTEXT, kDistanceCapacity - 1, 0);
    ShowMatchingChoice(window, choice);
}

void ShowMatchingChoice(HWND window, const MatchingChoice& choice) {
    int way = int(choice.way);
    if (way < 0 || way > 2) way = 0;
    CheckRadioButton(window, IDC_MATCH_EXACT, IDC_MATCH_CONNECTIVITY, kWayButtons[way]);
    SetDlgItemTextA(window, IDC_MATCH_DISTANCE, choice.distance);
    CheckDlgButton(window, IDC_MATCH_COUNT_CHANGE, choice.count_change ? BST_CHECKED : BST_UNCHECKED);
    UpdateMatchingGroup(window);
}

MatchingChoice ReadMatchingChoice(HWND window) {
    MatchingChoice choice;
    for (int way = 0; way < 3; ++way)
        if (IsDlgButtonChecked(window, kWayButtons[way]) == BST_CHECKED) choice.way = MatchingWay(way);
    GetDlgItemTextA(window, IDC_MATCH_DISTANCE, choice.distance, kDistanceCapacity);
    choice.count_change = IsDlgButtonChecked(window, IDC_MATCH_COUNT_CHANGE) == BST_CHECKED;
    return choice;
}

void UpdateMatchingGroup(HWND window) {
    // A locked group stays locked until the command has ended.
    if (!IsWindowEnabled(GetDlgItem(window, IDC_MATCH_EXACT))) return;
    EnableWindow(GetDlgItem(window, IDC_MATCH_DISTANCE), IsDlgButtonChecked(window, IDC_MATCH_SMALL) == BST_CHECKED);
}

void LockInputs(HWND window, bool locked) {
    for (const PathField& field : kPathFields) SendDlgItemMessageA(window, field.id, EM_SETREADONLY, locked, 0);
    for (int id : kGroupControls) EnableWindow(GetDlgItem(window, id), !locked);
    if (!locked) UpdateMatchingGroup(window);
}
