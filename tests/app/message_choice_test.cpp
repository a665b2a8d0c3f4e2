#include "app/message_choice.h"

#include <gtest/gtest.h>

#include <string>
#include "app/centring.h"

namespace {

TEST(MessageChoice, ConvertAndReportResults) {
    const char* operation = "There was an error loading the original morph file:\r\n\r\nfilepath: \"x\"\r\n";
    const char* failed = "There was an error creating the morph.";
    const char* report_failed = "There was an error creating the report file.";
    const char* report_busy =
        "There was an error creating the report file.  If another application\r\n"
        "has this file open, please close it and try again.";
    struct Case { bool report; int32_t result; const char* text; const char* title; uint32_t icon; } cases[] = {
        {false, 1, "The morph was created successfully.", "Success", kIconInformation},
        {false, -2, operation, "Error", kIconWarning}, {false, -5, operation, "Error", kIconWarning},
        {false, -7, operation, "Error", kIconWarning}, {false, -8, nullptr, nullptr, 0},
        // The fixed text, even though the buffer holds something else.
        {false, 0, failed, "Error", kIconWarning}, {false, -1, failed, "Error", kIconWarning},
        {false, -9, failed, "Error", kIconWarning}, {false, 2, failed, "Error", kIconWarning},
        {true, 0, report_failed, "Error", kIconWarning}, {true, -1, report_busy, "Error", kIconWarning},
        {true, 1, nullptr, nullptr, 0}, {true, -2, nullptr, nullptr, 0},
    };
    auto text = [](const char* value) { return std::string(value ? value : "(none)"); };
    for (const Case& c : cases) {
        MessageChoice choice = c.report ? ChooseReportMessage(c.result) : ChooseConvertMessage(c.result, operation);
        EXPECT_EQ(text(choice.text), text(c.text)) << c.report << " " << c.result;
        EXPECT_EQ(text(choice.title), text(c.title)) << c.report << " " << c.result;
        EXPECT_EQ(choice.icon, c.icon) << c.report << " " << c.result;
    }
}

TEST(Centring, OneAxis) {
    struct Case { int32_t parent_start, parent_size, size, screen, expected; } cases[] = {
        {0, 1024, 400, 1024, 312},     // centred on the screen
        {0, 1023, 400, 1024, 311},     // the half pixel is dropped
        {100, 300, 200, 1024, 150},    // centred on a parent
        {-500, 300, 200, 1024, 0},     // negative: to the edge
        {0, 1024, 1026, 1024, 0},      // two wider: centred at -1, a negative position becomes 0
        {0, 1024, 1025, 1024, -1},     // one wider: (1024 - 1025) / 2 truncates to 0, pulled back to -1
        {0, 1025, 1025, 1024, -1},     // centred at 0 on a parent of its own size, pulled back to -1
        {900, 300, 200, 1024, 824},    // past the right edge: pulled back
        {0, 1024, 2000, 1024, 0},      // far larger: negative centre becomes 0
        {0, 1000, 1100, 1024, 0},      // a negative centre stays at 0 though the window overhangs the far edge
        {60, 1000, 1100, 1024, -76},   // a non-negative one is pulled back to screen - size, a negative position
    };
    for (const Case& c : cases)
        EXPECT_EQ(CenteredCoordinate(c.parent_start, c.parent_size, c.size, c.screen), c.expected)
            << c.parent_start << " " << c.parent_size << " " << c.size << " " << c.screen;
}

}  // namespace
