#include "paperbuilder/CommandLine.h"
#include "paperbuilder/PaperFiles.h"
#include "platform/CodePage.h"
#include "tests/support/TempDir.h"

#include <QProcess>
#include <QTextStream>
#include <gtest/gtest.h>

namespace {

using namespace paperbuilder;

QString Path(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

std::string Gbk(const char* utf8) {
    return platform::ToGbk(QString::fromUtf8(utf8));
}

// A paper of every kind and scoring rule, with texts a bank must carry byte for byte.
paperwriter::Paper EveryKind() {
    paperwriter::Paper paper;
    paperwriter::Question single;
    single.stem = Gbk("  第一题\r\n两行，带空格  ");
    single.fullMarks = 3;
    single.options = {Gbk("A. 甲, \"引号\""), Gbk("B、乙"), "C. "};
    single.key = 1;
    paperwriter::Question multi;
    multi.kind = paperwriter::Kind::Multi;
    multi.stem = Gbk("多选");
    multi.fullMarks = 4;
    multi.allOrNothing = 1;
    multi.options = {Gbk("A. 一"), Gbk("B. 二"), Gbk("C. 三")};
    multi.answer[0] = multi.answer[2] = 1;
    paperwriter::Question matching;
    matching.kind = paperwriter::Kind::Matching;
    matching.stem = Gbk("配伍");
    matching.fullMarks = 6;
    matching.options = {Gbk("猫"), Gbk("狗"), Gbk("A. 汪"), Gbk("B. 喵")};
    matching.leftCount = 2;
    matching.answer[0] = 1;
    paper.title = Gbk("往返试卷");
    paper.rules = Gbk("说明\r\n第二行");
    paper.timeLimit = 1230;
    paper.questions = {single, multi, matching};
    return paper;
}

int RunTool(const QStringList& arguments, QString* errors = nullptr) {
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    const int code = RunCommandLine(arguments, outStream, errStream);
    errStream.flush();
    if (errors)
        *errors = err;
    return code;
}

TEST(RoundTrip, BuildDumpBuildGivesTheSamePaperThroughXlsxAndCsv) {
    testsupport::TempDir dir;
    const std::string bytes = paperwriter::WritePaper(EveryKind());
    const QString paper = Path(dir.write("a.mqe", bytes));
    for (const char* bank : {"bank.xlsx", "bank.csv"}) {
        ASSERT_EQ(RunTool({"dump", paper, "-o", Path(dir / bank)}), Success) << bank;
        ASSERT_EQ(RunTool({"build", Path(dir / bank), "-o", Path(dir / "b.mqe")}), Success) << bank;
        EXPECT_EQ(testsupport::readFile(dir / "b.mqe"), bytes) << bank;
    }
}

TEST(RoundTrip, XlsxWrittenByAnotherProgramIsReadAndDamagedWorkbooksAreFaults) {
    testsupport::TempDir dir;
    const std::filesystem::path bank = dir / "other.xlsx";
    QProcess python;
    python.start(
        QStringLiteral("/usr/bin/python3"),
        {"-c",
         QStringLiteral(
             "import openpyxl,sys\n"
             "wb=openpyxl.Workbook(); ws=wb.active\n"
             "ws.append(['答案','分值','选项B','题干','选项A','题型'])\n"
             "ws.append([]); ws.append(['b', 5, '乙', '多行_x000D_\\n题干', '甲', '单选'])\n"
             "info=wb.create_sheet('试卷信息')\n"
             "info.append(['考试时长（分钟）', 30])\n"
             "wb.save(sys.argv[1])\n"
             "import zipfile\n"
             "src = zipfile.ZipFile(sys.argv[1])\n"
             "with zipfile.ZipFile(sys.argv[2], 'w') as out:\n"
             "    for item in src.infolist():\n"
             "        if 'sheet1' not in item.filename:\n"
             "            out.writestr(item, src.read(item))\n"),
         Path(bank), Path(dir / "nosheet.xlsx")});
    ASSERT_TRUE(python.waitForFinished(60000));
    ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    const CheckedPaper checked = CheckBank(ReadBank(Path(bank)), BuildSettings{});
    ASSERT_TRUE(checked.faults.empty()) << FaultLine(checked.faults.front()).toStdString();
    EXPECT_EQ(checked.questions[0].row, 3);
    EXPECT_EQ(checked.paper.questions[0].stem, Gbk("多行\r\n题干"));
    EXPECT_EQ(checked.paper.questions[0].key, 1);
    EXPECT_EQ(checked.paper.questions[0].fullMarks, 5);
    EXPECT_EQ(checked.paper.timeLimit, 1800);
    EXPECT_EQ(checked.paper.title, "other");

    const std::string whole = testsupport::readFile(bank);
    const std::vector<std::pair<const char*, std::string>> damaged{
        {"truncated.xlsx", whole.substr(0, whole.size() / 2)},
        {"text.xlsx", "题型,题干\n"},
        {"empty.xlsx", ""},
        {"nosheet.xlsx", testsupport::readFile(dir / "nosheet.xlsx")},
    };
    for (const auto& [name, content] : damaged) {
        QString errors;
        EXPECT_EQ(
            RunTool({"build", Path(dir.write(name, content)), "-o", Path(dir / "x.mqe")}, &errors),
            Faults)
            << name;
        EXPECT_TRUE(errors.contains(QStringLiteral("不是有效的 .xlsx 文件")))
            << errors.toStdString();
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "x.mqe"));
}

TEST(CommandLine, ExitCodesHelpAndFaultLines) {
    testsupport::TempDir dir;
    const QString bank = Path(dir.write("f.csv", "题型,题干,分值,选项A,选项B,答案\n"
                                                 "单选题,好题,1,a,b,A\n"
                                                 "单选题,坏题,1,a,b,Z\n"));
    QString errors;
    EXPECT_EQ(RunTool({"build", bank, "-o", Path(dir / "f.mqe")}, &errors), Faults);
    EXPECT_EQ(errors, bank + QStringLiteral(":3: 答案中的“Z”没有对应的选项\n"));
    EXPECT_FALSE(std::filesystem::exists(dir / "f.mqe"));

    const QStringList badUsages[] = {{},
                                     {"make", bank},
                                     {"build", bank},
                                     {"build", bank, "-o"},
                                     {"build", bank, "-o", "x.mqe", "--marks", "0"},
                                     {"dump", bank, "-o", "x.csv", "--title", "t"}};
    for (const QStringList& arguments : badUsages)
        EXPECT_EQ(RunTool(arguments), BadUsage) << arguments.join(' ').toStdString();

    EXPECT_EQ(RunTool({"build", Path(dir / "missing.xlsx"), "-o", Path(dir / "m.mqe")}, &errors),
              Faults);
    EXPECT_TRUE(errors.endsWith(QStringLiteral("missing.xlsx: 文件不存在\n")))
        << errors.toStdString();
    EXPECT_EQ(RunTool({"dump", bank, "-o", Path(dir / "bank.txt")}), Faults);

    QString help;
    QTextStream stream(&help);
    QTextStream ignored(&help);
    EXPECT_EQ(RunCommandLine({"--help"}, stream, ignored), Success);
    stream.flush();
    EXPECT_TRUE(help.contains(QStringLiteral("用法")) && help.contains(QStringLiteral("Usage")));
}

} // namespace
