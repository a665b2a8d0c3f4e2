#include "app/message_choice.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Text(const MessageChoice& choice) {
    return choice.text ? choice.text : "(none)";
}

TEST(MessageChoice, ConvertResults) {
    const char* operation = "There was an error loading the original morph file:\r\n\r\nfilepath: \"x\"\r\n";
    struct Case {
        int32_t result;
        std::string text;
        std::string title;
        uint32_t icon;
    } cases[] = {
        {1, "The morph was created successfully.", "Success", kIconInformation},
        {-2, operation, "Error", kIconWarning},
        {-5, operation, "Error", kIconWarning},
        {-7, operation, "Error", kIconWarning},
        {-8, "(none)", "", 0},
        // The fixed text, even though the buffer holds something else.
        {0, "There was an error creating the morph.", "Error", kIconWarning},
        {-1, "There was an error creating the morph.", "Error", kIconWarning},
        {-9, "There was an error creating the morph.", "Error", kIconWarning},
        {2, "There was an error creating the morph.", "Error", kIconWarning},
    };
    for (const Case& c : cases) {
        MessageChoice choice = ChooseConvertMessage(c.result, operation);
        EXPECT_EQ(Text(choice), c.text) << c.result;
        EXPECT_EQ(choice.title ? choice.title : "", c.title) << c.result;
        EXPECT_EQ(choice.icon, c.icon) << c.result;
    }
}

TEST(MessageChoice, ReportResults) {
    EXPECT_EQ(Text(ChooseReportMessage(0)), "There was an error creating the report file.");
    EXPECT_EQ(Text(ChooseReportMessage(-1)),
              "There was an error creating the report file.  If another application\r\n"
              "has this file open, please close it and try again.");
    EXPECT_STREQ(ChooseReportMessage(-1).title, "Error");
    EXPECT_EQ(ChooseReportMessage(0).icon, kIconWarning);
    EXPECT_EQ(ChooseReportMessage(1).text, nullptr);
    EXPECT_EQ(ChooseReportMessage(-2).text, nullptr);
}

}  // namespace
