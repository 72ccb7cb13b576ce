#include "tallyboard/ColumnFile.h"

#include "platform/RuntimeErrors.h"
#include "tests/support/TempDir.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

using tallyboard::GridColumnInfo;
using tallyboard::GridColumnLayout;
using Pieces = std::vector<std::string>;

std::string errorText(const GridColumnLayout& layout) {
    if (!layout.error)
        return {};
    try {
        std::rethrow_exception(layout.error);
    } catch (const platform::Exception& error) {
        return error.what();
    }
}

std::vector<std::string> fieldNames(const GridColumnLayout& layout) {
    std::vector<std::string> names;
    for (const auto& column : layout.columns)
        names.push_back(column.fieldName);
    return names;
}

// A section holding one line under test between two ordinary entries.
GridColumnLayout parseAround(const std::string& line) {
    return tallyboard::ParseColumnLayout(
        "[score]\r\nFirst,F,,10,true\r\n" + line + "\r\nLast,L,,30,true\r\n", "score");
}

TEST(SplitText, GivesTheTrimmedPiecesBetweenSeparators) {
    using tallyboard::SplitText;
    EXPECT_EQ(SplitText("a,b,c", ","), (Pieces{"a", "b", "c"}));
    EXPECT_EQ(SplitText("a,b,", ","), (Pieces{"a", "b"}));
    EXPECT_EQ(SplitText(",a", ","), (Pieces{"", "a"}));
    EXPECT_EQ(SplitText("a,,b", ","), (Pieces{"a", "", "b"}));
    EXPECT_EQ(SplitText("a,b, ", ","), (Pieces{"a", "b", ""}));
    EXPECT_EQ(SplitText("", ","), Pieces{});
    EXPECT_EQ(SplitText(" \t a \x01, b\x20", ","), (Pieces{"a", "b"}));
    EXPECT_EQ(SplitText(",", ","), Pieces{""});
    EXPECT_EQ(SplitText("a::b:c", "::"), (Pieces{"a", "b:c"}));
    EXPECT_EQ(SplitText("单位名称,成绩", ","), (Pieces{"单位名称", "成绩"}));
}

TEST(ColumnFileLines, EndAtCrLfLoneCrOrLoneLf) {
    using tallyboard::SplitLines;
    EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), (Pieces{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\r\n"), Pieces{"a"});
    EXPECT_EQ(SplitLines(""), Pieces{});
    EXPECT_EQ(SplitLines("\r\n\r\n"), (Pieces{"", ""}));
    EXPECT_EQ(SplitLines("a\n\rb"), (Pieces{"a", "", "b"}));
    EXPECT_EQ(SplitLines("a\r\r\nb"), (Pieces{"a", "", "b"}));
    EXPECT_EQ(tallyboard::TrimText("\t\x1F [x] \x20\x7F"), "[x] \x20\x7F");
}

TEST(ColumnFileSection, HeaderMatchesTrimmedIgnoringAsciiCaseAndTheFirstOneCounts) {
    using tallyboard::FindSectionHeader;
    EXPECT_EQ(FindSectionHeader({"x", "[Score]"}, "score"), 1u);
    EXPECT_EQ(FindSectionHeader({"  [score]\t"}, "score"), 0u);
    EXPECT_EQ(FindSectionHeader({"[SCORE]", "[score]"}, "Score"), 0u);
    EXPECT_EQ(FindSectionHeader({"[ score ]", "[scores]", "score", "[score"}, "score"), 4u);

    // Only the first section of that name is read.
    const auto layout = tallyboard::ParseColumnLayout(
        "A,before,,10,true\n[score]\nB,b,,20,true\n[other]\nC,c,,30,true\n[score]\nD,d,,40,true",
        "score");
    EXPECT_TRUE(layout.sectionFound);
    EXPECT_EQ(fieldNames(layout), Pieces{"B"});
}

TEST(ColumnFileRead, EachKindOfLineHasItsEffect) {
    auto layout = parseAround("A,T,,100,TRUE");
    ASSERT_EQ(fieldNames(layout), (Pieces{"First", "A", "Last"}));
    EXPECT_EQ(layout.columns[1].title, "T");
    EXPECT_EQ(layout.columns[1].displayFormat, "");
    EXPECT_EQ(layout.columns[1].width, 100);
    EXPECT_FALSE(layout.error);

    EXPECT_EQ(fieldNames(parseAround("A,T,,100,yes")), (Pieces{"First", "Last"}));
    EXPECT_EQ(fieldNames(parseAround("A,T,,100,false")), (Pieces{"First", "Last"}));
    EXPECT_EQ(fieldNames(parseAround("A,T,,100,true,")), (Pieces{"First", "A", "Last"}));
    EXPECT_EQ(fieldNames(parseAround("A,T,,100,true, ")), Pieces{"First"});
    EXPECT_EQ(fieldNames(parseAround("A,T,100,true")), Pieces{"First"});
    EXPECT_EQ(fieldNames(parseAround("[next]")), Pieces{"First"});
    EXPECT_EQ(fieldNames(parseAround("  ")), (Pieces{"First", "Last"}));
    EXPECT_EQ(fieldNames(parseAround("  // A,T,,100,true")), (Pieces{"First", "Last"}));
    EXPECT_EQ(fieldNames(parseAround(";A,T,,100,true")), (Pieces{"First", "Last"}));
    EXPECT_EQ(fieldNames(parseAround("/A,T,,100,true")), (Pieces{"First", "/A", "Last"}));
    EXPECT_EQ(fieldNames(parseAround("  A , T ,yyyy-mm-dd, 100 ,\ttrue ")),
              (Pieces{"First", "A", "Last"}));
    EXPECT_EQ(parseAround("A , T ,yyyy-mm-dd, 100 ,true").columns[1].displayFormat, "yyyy-mm-dd");

    layout = parseAround("A,T,,1OO,true");
    EXPECT_EQ(fieldNames(layout), Pieces{"First"});
    EXPECT_EQ(errorText(layout), "'1OO' is not a valid integer value");
}

TEST(ColumnFileRead, TheSectionOfTheExampleInGbkAndInUtf8) {
    const std::string gbkTitle = "\xB5\xA5\xCE\xBB\xC3\xFB\xB3\xC6"; // 单位名称
    for (const std::string& title : {gbkTitle, std::string("单位名称")}) {
        const std::string file = "[main]\r\nX,x,,1,true\r\n [score] \r\n"
                                 "// columns of the score window\r\n"
                                 "Fac," +
                                 title +
                                 ",,150,true\r\n"
                                 "STime,STime,yyyymmdd,120,true\r\n"
                                 "checked,选中,,40,false\r\n";
        for (const char* name : {"score", "SCORE", "Score"}) {
            const auto layout = tallyboard::ParseColumnLayout(file, name);
            ASSERT_EQ(fieldNames(layout), (Pieces{"Fac", "STime"}));
            EXPECT_EQ(layout.columns[0].title, title);
            EXPECT_EQ(layout.columns[0].width, 150);
            EXPECT_EQ(layout.columns[1].displayFormat, "yyyymmdd");
        }
    }
}

TEST(ColumnFileRead, AWidthThatIsNotAWholeNumberStopsReadingAtItsEntry) {
    const auto layout = tallyboard::ParseColumnLayout(
        "[score]\nA,a,,10,true\nH,h,,wide,false\nB,b,,1OO,true\nC,c,,30,true\n", "score");
    EXPECT_EQ(fieldNames(layout), Pieces{"A"});
    EXPECT_EQ(errorText(layout), "'1OO' is not a valid integer value");

    const auto width = [](const std::string& text) {
        const auto layout = parseAround("A,T,," + text + ",true");
        return layout.error ? errorText(layout) : std::to_string(layout.columns.at(1).width);
    };
    EXPECT_EQ(width("+80"), "80");
    EXPECT_EQ(width("-5"), "-5");
    EXPECT_EQ(width(" 007 "), "7");
    EXPECT_EQ(width(""), "'' is not a valid integer value");
    EXPECT_EQ(width("12.5"), "'12.5' is not a valid integer value");
    EXPECT_EQ(width("+-3"), "'+-3' is not a valid integer value");
    EXPECT_EQ(width("4294967396"), "'4294967396' is not a valid integer value");
}

TEST(ColumnFileRead, WithoutTheSectionThereAreNoColumns) {
    const auto layout = tallyboard::ParseColumnLayout("[other]\nA,a,,10,true\n", "score");
    EXPECT_FALSE(layout.sectionFound);
    EXPECT_TRUE(layout.columns.empty());
    EXPECT_FALSE(layout.error);
}

const std::string exampleFile = "; layout of the browse grids\n"
                                "[score]\n"
                                "A,a,,10,true\n"
                                "\n"
                                "  // hidden entry\n"
                                " X , x ,, 20 , no \n"
                                "B,b,0.00,30,TRUE\n"
                                "C,c,yyyy-mm-dd,40,true\n"
                                "end of section\n"
                                "C,  not , rewritten ,1,true\n"
                                "[other]\r"
                                "A,a,,10,true";

TEST(ColumnFileWriteBack, DraggingCToTheFrontGivesCXAB) {
    // Grid order after the drag: C, A, B, with A made wider.
    const std::vector<GridColumnInfo> grid = {
        {"C", "c", "yyyy-mm-dd", 40}, {"A", "a", "", 75}, {"B", "b", "0.00", 30}};
    const std::string rewritten = tallyboard::RewriteColumnLayout(exampleFile, "score", grid);
    EXPECT_EQ(rewritten, "; layout of the browse grids\r\n"
                         "[score]\r\n"
                         "C,c,yyyy-mm-dd,40,true\r\n"
                         "\r\n"
                         "  // hidden entry\r\n"
                         "X,x,,20,false\r\n"
                         "A,a,,75,true\r\n"
                         "B,b,0.00,30,true\r\n"
                         "end of section\r\n"
                         "C,  not , rewritten ,1,true\r\n"
                         "[other]\r\n"
                         "A,a,,10,true\r\n");
    const auto again = tallyboard::ParseColumnLayout(rewritten, "score");
    EXPECT_EQ(fieldNames(again), (Pieces{"C", "A", "B"}));
    EXPECT_EQ(again.columns[1].width, 75);
    // Writing the same grid back again changes nothing.
    EXPECT_EQ(tallyboard::RewriteColumnLayout(rewritten, "score", grid), rewritten);
}

TEST(ColumnFileWriteBack, AFieldNamedTwiceFailsWithTheIndexError) {
    const std::string file = "[score]\nA,a,,10,true\nB,b,,20,true\na,again,,30,false\n";
    try {
        tallyboard::RewriteColumnLayout(file, "score", {{"A", "a", "", 10}, {"B", "b", "", 20}});
        ADD_FAILURE() << "no error";
    } catch (const platform::EListError& error) {
        EXPECT_STREQ(error.what(), "List index out of bounds (2)");
    }

    testsupport::TempDir dir;
    const auto path = dir.write("列项属性.txt", file);
    EXPECT_THROW(
        tallyboard::SaveColumnLayout(path, "score", {{"A", "a", "", 10}, {"B", "b", "", 20}}),
        platform::EListError);
    EXPECT_EQ(testsupport::readFile(path), file);
}

TEST(ColumnFileWriteBack, WithoutTheSectionOnlyTheLineEndsChange) {
    EXPECT_EQ(tallyboard::RewriteColumnLayout("[other]\nA,a,,10,true\rB\r\n\nlast", "score",
                                              {{"A", "a", "", 99}}),
              "[other]\r\nA,a,,10,true\r\nB\r\n\r\nlast\r\n");
    EXPECT_EQ(tallyboard::RewriteColumnLayout("", "score", {}), "");
}

TEST(ColumnFileWriteBack, AByteOrderMarkStaysInFrontOfTheFirstLine) {
    const std::string file = "\xEF\xBB\xBF[score]\nA,标题,,10,true\n";
    EXPECT_EQ(fieldNames(tallyboard::ParseColumnLayout(file, "score")), Pieces{"A"});
    EXPECT_EQ(tallyboard::RewriteColumnLayout(file, "score", {{"A", "标题", "", 12}}),
              "\xEF\xBB\xBF[score]\r\nA,标题,,12,true\r\n");
}

TEST(ColumnFileStorage, SavingReplacesTheFileAndAFailedWriteKeepsTheOldOne) {
    testsupport::TempDir dir;
    const auto path = dir.write("列项属性.txt", "[score]\nA,a,,10,true\n");
    using std::filesystem::perms;
    std::filesystem::permissions(path, perms::owner_read | perms::owner_write | perms::group_read);
    tallyboard::SaveColumnLayout(path, "score", {{"A", "a", "", 64}});
    EXPECT_EQ(testsupport::readFile(path), "[score]\r\nA,a,,64,true\r\n");
    EXPECT_EQ(std::filesystem::status(path).permissions(),
              perms::owner_read | perms::owner_write | perms::group_read);
    EXPECT_EQ(tallyboard::ParseColumnLayout(tallyboard::ReadColumnFile(path), "score")
                  .columns.at(0)
                  .width,
              64);

    // The disk is full: nothing beyond 8 bytes can be written.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 8;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool failed = false;
    try {
        tallyboard::SaveColumnLayout(path, "score", {{"A", "a", "", 128}});
    } catch (const platform::Exception&) {
        failed = true;
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(failed);
    EXPECT_EQ(testsupport::readFile(path), "[score]\r\nA,a,,64,true\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);

    const auto missing = dir / "missing.txt";
    EXPECT_THROW(tallyboard::ReadColumnFile(missing), platform::EFOpenError);
    EXPECT_THROW(tallyboard::SaveColumnLayout(missing, "score", {}), platform::EFOpenError);
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_THROW(tallyboard::ReadColumnFile(dir.path()), platform::EReadError);
}

} // namespace
