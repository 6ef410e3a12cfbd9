#include <gtest/gtest.h>

#include "core/common/uTStringUtils.h"

using orvanta::TStringUtils;

// Fields count from 1; an empty field, one past the end and degenerate arguments give "". A
// path may itself hold the delimiter: callers rely on field order, not uniqueness.
TEST(GetField, CutsAtEachDelimiter) {
    const auto field = &TStringUtils::GetField;
    EXPECT_EQ(field("a**b", "*", 1), "a");
    EXPECT_EQ(field("a**b", "*", 2), "");
    EXPECT_EQ(field("a**b", "*", 3), "b");
    EXPECT_EQ(field("a**b", "*", 4), "");
    EXPECT_EQ(field("/music/a*b.mp3*215", "*", 3), "215");
    EXPECT_EQ(field("/music/ab.mp3*215", "*", 1), "/music/ab.mp3");
    EXPECT_EQ(field("/music/ab.mp3*215", "*", 3), "");
    EXPECT_EQ(field("/music/ab.mp3", "*", 2), "");
    EXPECT_EQ(field("", "*", 1), "");
    EXPECT_EQ(field("abc", "", 1), "");
    EXPECT_EQ(field("abc", "*", 0), "");
    EXPECT_EQ(field("abc", "*", -3), "");
    EXPECT_EQ(field("abc", "*", 1), "abc");
    EXPECT_EQ(field("one\r\ntwo\r\n", "\r\n", 2), "two");
    EXPECT_EQ(field("one\r\ntwo\r\n", "\r\n", 3), "");
    EXPECT_EQ(field("a\rb\r\nc", "\r\n", 1), "a\rb");
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
