#include "app/message_choice.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(MessageChoice, ConvertAndReportResults) {
    const char* operation = "There was an error loading the original morph file:\r\n\r\nfilepath: \"x\"\r\n";
    const char* failed = "There was an error creating the morph.";
    const char* report_failed = "There was an error creating the report file.";
    const char* report_busy =
        "There was an error creating the report file.  If another application\r\n"
        "has this file open, please close it and try again.";
    struct Case {
        bool report;
        int32_t result;
        const char* text;
        const char* title;
        uint32_t icon;
    } cases[] = {
        {false, 1, "The morph was created successfully.", "Success", kIconInformation},
        {false, -2, operation, "Error", kIconWarning},
        {false, -5, operation, "Error", kIconWarning},
        {false, -7, operation, "Error", kIconWarning},
        {false, -8, nullptr, nullptr, 0},
        // The fixed text, even though the buffer holds something else.
        {false, 0, failed, "Error", kIconWarning},
        {false, -1, failed, "Error", kIconWarning},
        {false, -9, failed, "Error", kIconWarning},
        {false, 2, failed, "Error", kIconWarning},
        {true, 0, report_failed, "Error", kIconWarning},
        {true, -1, report_busy, "Error", kIconWarning},
        {true, 1, nullptr, nullptr, 0},
        {true, -2, nullptr, nullptr, 0},
    };
    auto text = [](const char* value) { return std::string(value ? value : "(none)"); };
    for (const Case& c : cases) {
        MessageChoice choice = c.report ? ChooseReportMessage(c.result) : ChooseConvertMessage(c.result, operation);
        EXPECT_EQ(text(choice.text), text(c.text)) << c.report << " " << c.result;
        EXPECT_EQ(text(choice.title), text(c.title)) << c.report << " " << c.result;
        EXPECT_EQ(choice.icon, c.icon) << c.report << " " << c.result;
    }
}

}  // namespace
