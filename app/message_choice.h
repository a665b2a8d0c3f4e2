#pragma once
// Which message box the main window shows after a command: a pure function
// of the command's result code (and, for Convert, the operation's message).
#include <cstdint>

// The icons' values (MB_ICONEXCLAMATION, MB_ICONINFORMATION).
constexpr uint32_t kIconWarning = 0x30;
constexpr uint32_t kIconInformation = 0x40;

extern const char kConvertFailedText[];  // "There was an error creating the morph."

struct MessageChoice {
    const char* text;  // null: no message box
    const char* title;
    uint32_t icon;
};

// 1: success; -2..-7: the operation's message; -8: none; anything else: the fixed text.
MessageChoice ChooseConvertMessage(int32_t result, const char* message);
// 0 and -1: the two error texts; anything else (1 on success): none.
MessageChoice ChooseReportMessage(int32_t result);
