#include "platform/CodePage.h"

#include <gtest/gtest.h>

using platform::FromGbk;
using platform::IsValidUtf8;
using platform::ToGbk;

TEST(CodePage, GbkRoundTripOfChineseAndAscii) {
    const std::string gbk = "\xBF\xBC\xCA\xD4 A1"; // 考试 A1
    EXPECT_EQ(FromGbk(gbk), QStringLiteral("考试 A1"));
    EXPECT_EQ(ToGbk(QStringLiteral("考试 A1")), gbk);
    EXPECT_EQ(ToGbk(FromGbk("")), "");
}

TEST(CodePage, Utf8Detection) {
    EXPECT_TRUE(IsValidUtf8("plain ascii"));
    EXPECT_TRUE(IsValidUtf8("\xE8\x80\x83")); // 考 in UTF-8
    EXPECT_FALSE(IsValidUtf8("\xBF\xBC\xCA\xD4"));
    EXPECT_TRUE(IsValidUtf8(""));
}
