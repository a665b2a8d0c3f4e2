#include "app/message_choice.h"

const char kConvertFailedText[] = "There was an error creating the morph.";

MessageChoice ChooseConvertMessage(int32_t result, const char* message) {
    if (result == 1) return {"The morph was created successfully.", "Success", kIconInformation};
    if (result == -8) return {nullptr, nullptr, 0};
    if (result <= -2 && result >= -7 && message) return {message, "Error", kIconWarning};
    return {kConvertFailedText, "Error", kIconWarning};
}

MessageChoice ChooseReportMessage(int32_t result) {
    if (result == 0) return {"There was an error creating the report file.", "Error", kIconWarning};
    if (result == -1)
        return {"There was an error creating the report file.  If another application\r\n"
                "has this file open, please close it and try again.",
                "Error", kIconWarning};
    return {nullptr, nullptr, 0};
}
