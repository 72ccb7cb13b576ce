#include "ui/DisplayFormat.h"

#include <gtest/gtest.h>

using namespace ui;

TEST(DisplayFormat, DateTimeMasks) {
    const QDateTime value(QDate(2024, 1, 5), QTime(7, 8, 9, 45));
    const struct {
        const char16_t* mask;
        const char16_t* text;
    } cases[] = {
        {u"yyyymmdd", u"20240105"},
        {u"yyyy-mm-dd hh:nn:ss", u"2024-01-05 07:08:09"},
        {u"yy/m/d h:n:s", u"24/1/5 7:8:9"},
        {u"YYYY年MM月DD日", u"2024年01月05日"},
        {u"dd.mm.yyyy", u"05.01.2024"},
        {u"hh:nn:ss.zzz", u"07:08:09.045"},
        // m right after h or hh is the minute, separators and quoted text between them or not;
        // anywhere else it is the month.
        {u"hh:mm", u"07:08"},
        {u"yyyy-mm-dd hh:mm:ss", u"2024-01-05 07:08:09"},
        {u"h m", u"7 8"},
        {u"hh'时'mm", u"07时08"},
        {u"hh:nn mm", u"07:08 01"},
        {u"mm hh", u"01 07"},
        {u"hhTmm", u"07T01"},
        {u"\"at\" hh 'h'", u"at 07 h"},
        {u"yyyyy", u"202424"},
        {u"", u""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatDateTime(QString::fromUtf16(c.mask), value), QString::fromUtf16(c.text))
            << QString::fromUtf16(c.mask).toStdString();
}

TEST(DisplayFormat, NumberMasks) {
    const struct {
        const char16_t* mask;
        double value;
        const char16_t* text;
    } cases[] = {
        {u"0", 2.5, u"3"},
        {u"0", -2.5, u"-3"},
        {u"0.00", 2.675, u"2.68"},
        {u"0.00", 0.5, u"0.50"},
        {u"#.##", 0.5, u".5"},
        {u"0.##", 3, u"3"},
        {u"#,##0", 1234567, u"1,234,567"},
        {u"#,##0.00", -1234.5, u"-1,234.50"},
        {u"#,##0", 999.6, u"1,000"},
        {u"000", 7, u"007"},
        {u"0.0", -0.04, u"0.0"},
        {u"0.0分", 85, u"85.0分"},
        {u"\"共\"0", 12, u"共12"},
        {u"0", 99.5, u"100"},
        {u"0.000", 1e-7, u"0.000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatNumber(QString::fromUtf16(c.mask), c.value), QString::fromUtf16(c.text))
            << QString::fromUtf16(c.mask).toStdString() << " " << c.value;
}

TEST(DisplayFormat, ValuesPickTheirFormatAndOthersKeepTheDefaultText) {
    EXPECT_EQ(FormatValue(u"0.0"_qs, QVariant(qlonglong(12))), u"12.0");
    EXPECT_EQ(FormatValue(u"yyyymmdd"_qs, QVariant(QDateTime(QDate(2024, 1, 31), QTime(1, 2)))),
              u"20240131");
    EXPECT_TRUE(FormatValue(u"0.0"_qs, QVariant(u"text"_qs)).isNull());
    EXPECT_TRUE(FormatValue(u"0.0"_qs, QVariant(QMetaType(QMetaType::Int))).isNull());
    EXPECT_TRUE(FormatValue(QString(), QVariant(3.5)).isNull());
    EXPECT_TRUE(FormatValue(u"0"_qs, QVariant(true)).isNull());
}
