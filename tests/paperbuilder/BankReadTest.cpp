#include "paperbuilder/CsvBank.h"
#include "paperbuilder/PaperFiles.h"
#include "paperbuilder/TextBanks.h"
#include "platform/CodePage.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

using namespace paperbuilder;

const QString Titles = QStringLiteral("题型,题干,分值,计分方式,选项A,选项B,选项C,配伍项,答案\n");

CheckedPaper Checked(const Bank& bank) {
    return CheckBank(bank, BuildSettings{});
}

std::vector<std::string> FaultLines(const CheckedPaper& checked) {
    std::vector<std::string> lines;
    for (const Fault& fault : checked.faults)
        lines.push_back(FaultLine(fault).toStdString());
    return lines;
}

TEST(CsvBank, UnicodeAndGbkFilesGiveTheSamePaperAndOtherBytesAreRefused) {
    const QString text =
        Titles + QStringLiteral("单选题,\"国家秘密\n分几级？\",3,,一级,两级,三级,,C\n"
                                "多选,哪些对？,4,全对得分,甲,乙,丙,,\"A, C\"\n"
                                "配伍题,配一配,6,,红,绿,,\"苹果\n黄瓜\",AB\n");
    const std::string utf8 = text.toUtf8().toStdString();
    const std::string gbk = platform::ToGbk(text);
    const auto expected = paperwriter::WritePaper(Checked(ReadCsvBank("a.csv", utf8)).paper);
    for (const std::string& bytes : {"\xEF\xBB\xBF" + utf8, gbk})
        EXPECT_EQ(paperwriter::WritePaper(Checked(ReadCsvBank("a.csv", bytes)).paper), expected);

    const CheckedPaper checked = Checked(ReadCsvBank("a.csv", gbk));
    ASSERT_TRUE(checked.faults.empty()) << FaultLines(checked).front();
    const auto& q = checked.paper.questions;
    EXPECT_EQ(q[0].stem, platform::ToGbk(QStringLiteral("国家秘密\r\n分几级？")));
    EXPECT_EQ(q[0].options[2], platform::ToGbk(QStringLiteral("C. 三级")));
    EXPECT_EQ(q[0].key, 2);
    EXPECT_EQ(q[1].allOrNothing, 1);
    EXPECT_EQ(std::vector<int>(q[1].answer.begin(), q[1].answer.begin() + 3),
              (std::vector<int>{1, 0, 1}));
    EXPECT_EQ(q[2].leftCount, 2);
    EXPECT_EQ(q[2].options, (std::vector<std::string>{platform::ToGbk(QStringLiteral("苹果")),
                                                      platform::ToGbk(QStringLiteral("黄瓜")),
                                                      platform::ToGbk(QStringLiteral("A. 红")),
                                                      platform::ToGbk(QStringLiteral("B. 绿"))}));

    for (const std::string& bad : {std::string("\xFF\xFE\x41\x00", 4), std::string("\x81\x20,\n"),
                                   std::string("\xEF\xBB\xBF\xC3\x28")})
        EXPECT_THROW(ReadCsvBank("a.csv", bad), BankError);
    EXPECT_THROW(ReadCsvBank("a.csv", "题型,题干\n"), BankError);
    EXPECT_THROW(ReadCsvBank("a.csv", (Titles + "单选题,\"不完,1,a,b,,,A\n").toStdString()),
                 BankError);
}

TEST(BankCheck, EveryFaultNamesItsRow) {
    const QString longTitle(200, QChar(u'题'));
    const QString text = Titles + QStringLiteral("判断题,对吗,1,,对,错,,,A\n"             // 2
                                                 "单选题,,1,,a,b,,,A\n"                   // 3
                                                 "单选题,x,0,,a,b,,,A\n"                  // 4
                                                 "单选题,x,2.5,,a,b,,,A\n"                // 5
                                                 "单选题,x,1,,a,b,,,C\n"                  // 6
                                                 "单选题,x,1,,a,b,c,,AB\n"                // 7
                                                 "多选题,x,1,,a,b,c,,\n"                  // 8
                                                 "配伍题,x,1,,a,b,,甲,A\n"                // 9
                                                 "配伍题,x,1,,a,,,\"甲\n乙\",AA\n"        // 10
                                                 "单选题,x,1,偶尔计分,a,b,,,A\n"          // 11
                                                 "单选题,x,1,,a,,c,,A\n"                  // 12
                                                 "单选题,含 \U0001F600 的题,1,,a,b,,,A\n" // 13
                                                 "单选题,x,1,,a,b,,甲,A\n"                // 14
                                                 "配伍题,x,1,,a,b,,\"甲\n乙\",A\n");      // 15
    Bank bank = ReadCsvBank("b.csv", text.toUtf8().toStdString());
    bank.title = {longTitle, 0, {}};
    const std::vector<std::pair<std::string, std::string>> expected{
        {"b.csv: ", "试卷名称长 400 字节"},
        {"b.csv:2: ", "未知题型“判断题”"},
        {"b.csv:3: ", "缺少题干"},
        {"b.csv:4: ", "分值“0”不是正整数"},
        {"b.csv:5: ", "分值“2.5”不是正整数"},
        {"b.csv:6: ", "答案中的“C”没有对应的选项"},
        {"b.csv:7: ", "单选题必须恰好有一个答案"},
        {"b.csv:8: ", "多选题至少需要一个答案"},
        {"b.csv:9: ", "配伍题至少需要两个配伍项"},
        {"b.csv:10: ", "至少需要两个选项"},
        {"b.csv:11: ", "计分方式“偶尔计分”"},
        {"b.csv:12: ", "选项B为空"},
        {"b.csv:13: ", "题干含有 GBK 无法表示的字符“😀”"},
        {"b.csv:14: ", "只有配伍题填写配伍项"},
        {"b.csv:15: ", "共 2 个，现有 1 个"},
    };
    const std::vector<std::string> lines = FaultLines(Checked(bank));
    ASSERT_EQ(lines.size(), expected.size()) << ::testing::PrintToString(lines);
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_TRUE(lines[i].starts_with(expected[i].first)) << lines[i];
        EXPECT_NE(lines[i].find(expected[i].second), std::string::npos) << lines[i];
    }

    Bank many;
    many.questions.resize(257);
    EXPECT_NE(FaultLines(Checked(many)).front().find("最多 256 道"), std::string::npos);
    BankQuestion wide{2, SingleKind, QStringLiteral("x"), {}, {}, {}, {}, QStringLiteral("A"), {}};
    for (int i = 0; i < 257; ++i)
        wide.options.append(QStringLiteral("o"));
    EXPECT_EQ(Checked(Bank{"w.csv", {}, {}, {}, {wide}}).questions[0].faults.value(0),
              QStringLiteral("选项共 257 个，超过 256 个"));
}

TEST(TextBanks, AikenAndGiftAsMoodleWritesThem) {
    const Bank aiken = ParseAiken("q.txt", QStringLiteral("法律由谁通过？\n"
                                                          "A. 政府\n"
                                                          "B) 人大\n"
                                                          "ANSWER: B\n"
                                                          "\n"
                                                          "没有答案行\n"
                                                          "A. 甲\n"
                                                          "B. 乙\n"));
    ASSERT_EQ(aiken.questions.size(), 2u);
    const CheckedPaper fromAiken = Checked(aiken);
    EXPECT_EQ(fromAiken.paper.questions[0].key, 1);
    EXPECT_EQ(fromAiken.paper.questions[0].options[1], platform::ToGbk(QStringLiteral("B. 人大")));
    EXPECT_EQ(FaultLines(fromAiken), (std::vector<std::string>{"q.txt:6: 缺少“ANSWER:”行"}));

    const Bank gift =
        ParseGift("g.gift", QStringLiteral("// 注释\n"
                                           "$CATEGORY: 法律\n"
                                           "\n"
                                           "::标题::[html]一加一\\=？{\n"
                                           "  =二#对 ~三#错}\n"
                                           "\n"
                                           "哪些是水果？{~%50%苹果 ~%50%梨 ~%-100%土豆\n"
                                           "####总评}\n"
                                           "\n"
                                           "配对{=猫 -> 喵 =狗 -> 汪 = -> 嘎}\n"
                                           "\n"
                                           "地球是圆的。{T}\n"
                                           "\n"
                                           "缺了 {=空} 一处\n"));
    const CheckedPaper fromGift = Checked(gift);
    const auto& q = fromGift.paper.questions;
    EXPECT_EQ(q[0].stem, platform::ToGbk(QStringLiteral("一加一=？")));
    EXPECT_EQ(q[0].options,
              (std::vector<std::string>{"A. " + platform::ToGbk(QStringLiteral("二")),
                                        "B. " + platform::ToGbk(QStringLiteral("三"))}));
    EXPECT_EQ(q[1].kind, paperwriter::Kind::Multi);
    EXPECT_EQ(std::vector<int>(q[1].answer.begin(), q[1].answer.begin() + 3),
              (std::vector<int>{1, 1, 0}));
    EXPECT_EQ(q[2].kind, paperwriter::Kind::Matching);
    EXPECT_EQ(q[2].options.size(), 5u); // two items, three choices
    EXPECT_EQ(
        FaultLines(fromGift),
        (std::vector<std::string>{"g.gift:12: 试卷只收单选、多选和配伍题，不收 GIFT 的判断题",
                                  "g.gift:14: 试卷只收单选、多选和配伍题，不收 GIFT 的填空题"}));
}

} // namespace
