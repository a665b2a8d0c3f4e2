#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/block.h"
#include "model/model.h"
#include "platform/text.h"
#include "tests/model/hand_model.h"

TEST(GroupNames, NewestNameComesFirst) {
    Model model;
    EXPECT_EQ(model.FindGroupName("head"), -1);
    EXPECT_EQ(model.FindGroupName(nullptr), -1);
    EXPECT_EQ(model.AddGroupName(nullptr), 0);

    for (const char* name : {"head", "body", "legs"}) EXPECT_EQ(model.AddGroupName(name), 1);
    EXPECT_EQ(model.AddGroupName("body"), 0);
    EXPECT_EQ(model.group_names.count, 3);

    EXPECT_EQ(model.FindGroupName("legs"), 0);
    EXPECT_EQ(model.FindGroupName("body"), 1);
    EXPECT_EQ(model.FindGroupName("head"), 2);
    EXPECT_EQ(model.FindGroupName("Head"), -1);   // case matters
    EXPECT_EQ(model.FindGroupName("head "), -1);  // a trailing blank is part of a name
    EXPECT_EQ(model.AddGroupName(""), 1);         // the empty name is a name
    EXPECT_EQ(model.FindGroupName(""), 0);
    EXPECT_EQ(model.FindGroupName("head"), 3);

    // The list itself runs newest to oldest.
    const char* expected[] = {"", "legs", "body", "head"};
    for (int32_t position = 0; position < 4; ++position)
        EXPECT_STREQ(model.GroupNameAt(position), expected[position]) << position;
    EXPECT_STREQ(model.GroupNameAt(4), "");
    EXPECT_STREQ(model.GroupNameAt(-1), "");
}

// The index must answer exactly like a walk of the list, however many names
// (and however often the index and the name pool grow meanwhile).
TEST(GroupNames, IndexAgreesWithListWalk) {
    Model model;
    const int count = 5000;
    for (int i = 0; i < count; ++i) {
        std::string name = "g" + std::to_string((i * 7919) % count);
        model.AddGroupName(name.c_str());
    }
    ASSERT_EQ(model.group_names.count, count);
    for (int32_t position = 0; position < count; ++position) {
        std::string name = "g" + std::to_string((int64_t(count - 1 - position) * 7919) % count);
        ASSERT_STREQ(model.GroupNameAt(position), name.c_str());
        ASSERT_EQ(model.FindGroupName(name.c_str()), position) << name;
    }
    EXPECT_EQ(model.FindGroupName("g5000"), -1);
}

TEST(GroupNames, LongNamesAreCutTheSameWayWhenAddedAndLookedUp) {
    Model model;
    std::string long_name(300, 'x');
    EXPECT_EQ(model.AddGroupName(long_name.c_str()), 1);
    EXPECT_EQ(std::strlen(model.GroupNameAt(0)), size_t(kGroupNameCapacity - 1));
    EXPECT_EQ(model.FindGroupName(long_name.c_str()), 0);
    EXPECT_EQ(model.FindGroupName(std::string(kGroupNameCapacity - 1, 'x').c_str()), 0);
    EXPECT_EQ(model.AddGroupName((long_name + "y").c_str()), 0);  // same first 127 bytes
}

TEST(Text, CopyAndAppendCutToCapacityLessOne) {
    char small[5];
    CopyText(small, "abcdefg");
    EXPECT_STREQ(small, "abcd");
    CopyText(small, "ab");
    EXPECT_EQ(AppendText(small, "cd"), 1);
    EXPECT_STREQ(small, "abcd");
    EXPECT_EQ(AppendText(small, "e"), 0);
    EXPECT_STREQ(small, "abcd");
}
