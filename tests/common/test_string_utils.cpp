#include <gtest/gtest.h>

#include "core/common/uTStringUtils.h"

using orvanta::TStringUtils;

TEST(GetField, CutsAtEachDelimiterAndKeepsEmptyFields) {
    EXPECT_EQ(TStringUtils::GetField("a**b", "*", 1), "a");
    EXPECT_EQ(TStringUtils::GetField("a**b", "*", 2), "");
    EXPECT_EQ(TStringUtils::GetField("a**b", "*", 3), "b");
    EXPECT_EQ(TStringUtils::GetField("a**b", "*", 4), "");
}

TEST(GetField, TrackEntryFields) {
    const std::string entry = "/music/a*b.mp3*215";
    // A path may itself hold the delimiter; callers rely on field order, not on uniqueness.
    EXPECT_EQ(TStringUtils::GetField("/music/ab.mp3*215", "*", 1), "/music/ab.mp3");
    EXPECT_EQ(TStringUtils::GetField("/music/ab.mp3*215", "*", 2), "215");
    EXPECT_EQ(TStringUtils::GetField("/music/ab.mp3*215", "*", 3), "");
    EXPECT_EQ(TStringUtils::GetField("/music/ab.mp3", "*", 2), "");
    EXPECT_EQ(TStringUtils::GetField(entry, "*", 3), "215");
}

TEST(GetField, DegenerateArgumentsGiveEmpty) {
    EXPECT_EQ(TStringUtils::GetField("", "*", 1), "");
    EXPECT_EQ(TStringUtils::GetField("abc", "", 1), "");
    EXPECT_EQ(TStringUtils::GetField("abc", "*", 0), "");
    EXPECT_EQ(TStringUtils::GetField("abc", "*", -3), "");
    EXPECT_EQ(TStringUtils::GetField("abc", "*", 1), "abc");
}

TEST(GetField, MultiCharacterDelimiter) {
    EXPECT_EQ(TStringUtils::GetField("one\r\ntwo\r\n", "\r\n", 2), "two");
    EXPECT_EQ(TStringUtils::GetField("one\r\ntwo\r\n", "\r\n", 3), "");
    EXPECT_EQ(TStringUtils::GetField("a\rb\r\nc", "\r\n", 1), "a\rb");
}

namespace {
std::vector<std::string> walk(const std::string& text, const std::string& delimiter) {
    std::vector<std::string> fields;
    int from = 1;
    do {
        std::string field;
        from = TStringUtils::NextField(field, text, from, delimiter);
        fields.push_back(field);
    } while (from > 0);
    return fields;
}
} // namespace

TEST(NextField, WalksLinesAndYieldsFinalEmptyField) {
    EXPECT_EQ(walk("0\r\nA", "\r\n"), (std::vector<std::string>{"0", "A"}));
    EXPECT_EQ(walk("0\r\nA\r\n", "\r\n"), (std::vector<std::string>{"0", "A", ""}));
}

TEST(NextField, ReturnsPositionAfterDelimiter) {
    std::string field;
    EXPECT_EQ(TStringUtils::NextField(field, "ab*cd", 1, "*"), 4);
    EXPECT_EQ(field, "ab");
    EXPECT_EQ(TStringUtils::NextField(field, "ab*cd", 4, "*"), 0);
    EXPECT_EQ(field, "cd");
}

TEST(NextField, BadArgumentsLeaveFieldUnchanged) {
    std::string field = "untouched";
    EXPECT_EQ(TStringUtils::NextField(field, "", 1, "*"), 0);
    EXPECT_EQ(TStringUtils::NextField(field, "abc", 1, ""), 0);
    EXPECT_EQ(TStringUtils::NextField(field, "abc", 0, "*"), 0);
    EXPECT_EQ(field, "untouched");
    EXPECT_EQ(TStringUtils::NextField(field, "abc", 9, "*"), 0);
    EXPECT_EQ(field, "");
}
