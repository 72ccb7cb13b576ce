#include "tests/paper/core/PaperTestSupport.h"
#include "tests/support/TempDir.h"
#include "tools/benchpaper/BenchPaper.h"

#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using namespace papertest;
using namespace paperwriter;
using platform::EReadError;

const std::string Damaged = "文件已经损坏.";

paperwriter::Paper ThreeKinds() {
    return PaperOf(
        {Single("single\r\nstem", {"A. one", "B. two", "C. three"}, 2, 2),
         Multi("multi stem", {"a", "b", "c", "d"}, {0, 2}, 3),
         Matching("matching stem", {"item 1", "item 2", "A. x", "B. y", "C. z"}, 2, {2, 0}, 5)});
}

TEST(PaperReader, LoadsEveryKindWithItsTextsAndAnswers) {
    testsupport::TempDir dir;
    const auto file = dir / "paper.mqe";
    WritePaperFile(ThreeKinds(), file);

    TQFileHandle paper;
    paper.LoadFromFile(file);
    EXPECT_EQ(paper.PaperTitle, "\xB2\xE2\xCA\xD4");
    EXPECT_EQ(paper.PaperRules, "rules");
    EXPECT_EQ(paper.TimeLimit, 1800);
    ASSERT_EQ(paper.QuestionCount(), 3);
    EXPECT_EQ(paper.TotalScore(), 10);

    auto* single = dynamic_cast<TQSingle*>(paper.GetQuestion(0));
    ASSERT_NE(single, nullptr);
    EXPECT_EQ(single->Stem, "single\r\nstem");
    EXPECT_EQ(single->Key, 2);
    EXPECT_EQ(single->FullMarks, 2);
    ASSERT_EQ(single->OptionCount(), 3);
    EXPECT_EQ(single->GetOption(0), "A. one");
    EXPECT_EQ(single->GetOption(2), "C. three");

    auto* multi = dynamic_cast<TQMulti*>(paper.GetQuestion(1));
    ASSERT_NE(multi, nullptr);
    EXPECT_EQ(multi->AllOrNothing, 1);
    EXPECT_EQ(multi->SeqNo, 1);
    EXPECT_EQ(multi->OptionCount(), 4);
    EXPECT_EQ(multi->Answer[0], 1);
    EXPECT_EQ(multi->Answer[1], 0);
    EXPECT_EQ(multi->Answer[2], 1);

    auto* matching = dynamic_cast<TQMatching*>(paper.GetQuestion(2));
    ASSERT_NE(matching, nullptr);
    EXPECT_EQ(matching->LeftCount, 2);
    EXPECT_EQ(matching->Answer[0], 2);
    EXPECT_EQ(matching->Answer[1], 0);
    EXPECT_EQ(matching->GetOption(4), "C. z");
    EXPECT_EQ(paper.GetQuestion(3), nullptr);
}

TEST(PaperReader, LoadsTheLargeBenchmarkPaperCompletely) {
    const Paper source = BenchPaper();
    TQFileHandle paper;
    Load(paper, WritePaper(source));
    ASSERT_EQ(paper.QuestionCount(), BenchQuestionCount);
    for (int i = 0; i < BenchQuestionCount; ++i) {
        const TQuestion* q = paper.GetQuestion(i);
        ASSERT_NE(q, nullptr) << i;
        EXPECT_EQ(q->SeqNo, i);
        EXPECT_EQ(q->Stem, source.questions[i].stem);
        EXPECT_EQ(q->OptionCount(), static_cast<int>(source.questions[i].options.size()));
    }
}

TEST(PaperReader, PaperWithoutQuestionsKeepsItsHeader) {
    TQFileHandle paper;
    Load(paper, WritePaper(PaperOf({})));
    EXPECT_EQ(paper.QuestionCount(), 0);
    EXPECT_EQ(paper.TotalScore(), 0);
    EXPECT_EQ(paper.GetQuestion(0), nullptr);
    EXPECT_EQ(paper.PaperRules, "rules");
    EXPECT_EQ(paper.TimeLimit, 1800);
}

TEST(PaperReader, ReadFileHeaderFallsBackToDefaultsWithoutFailing) {
    testsupport::TempDir dir;
    PaperHeader header;
    TQFileHandle::ReadFileHeader(dir / "missing.mqe", header);
    EXPECT_FALSE(header.CarriesPaperMark());
    EXPECT_EQ(header.Bytes[0], 4);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&header.Bytes[1]), 4), "None");
    EXPECT_EQ(header.PaperTitle(), "None");
    EXPECT_EQ(header.PaperRules(), "None");
    EXPECT_EQ(header.FirstRecord(), -1);
    EXPECT_EQ(header.TimeLimit(), 0);

    // A 100-byte file overwrites its first 100 bytes only: the rules' length byte comes from the
    // file, the title keeps its default.
    const std::string full = WritePaper(ThreeKinds());
    TQFileHandle::ReadFileHeader(dir.write("short.mqe", full.substr(0, 100)), header);
    EXPECT_TRUE(header.CarriesPaperMark());
    EXPECT_EQ(header.FirstRecord(), 544);
    EXPECT_EQ(header.TimeLimit(), 1800);
    EXPECT_EQ(header.PaperRules(), "rules");
    EXPECT_EQ(header.PaperTitle(), "None");

    TQFileHandle::ReadFileHeader(dir.write("empty.mqe", ""), header);
    EXPECT_EQ(header.PaperTitle(), "None");
    EXPECT_FALSE(header.CarriesPaperMark());
}

TEST(PaperReader, ReadFileHeaderTrimsTheNameAndLeavesThePaperAlone) {
    testsupport::TempDir dir;
    const auto file = dir.write("paper.mqe", WritePaper(ThreeKinds()));
    TQFileHandle paper;
    Load(paper, WritePaper(PaperOf({Single("kept", {"a"}, 0)})));

    PaperHeader header;
    TQFileHandle::ReadFileHeader(" \t" + file.string() + "\r\n ", header);
    EXPECT_TRUE(header.CarriesPaperMark());
    EXPECT_EQ(header.PaperTitle(), "\xB2\xE2\xCA\xD4");
    paper.CheckFile(file);
    EXPECT_EQ(paper.QuestionCount(), 1);
    EXPECT_EQ(paper.GetQuestion(0)->Stem, "kept");

    // The trimming belongs to the header probe only.
    EXPECT_EQ(QErrorOf([&] { paper.CheckFile(" " + file.string()); }), "文件不存在.");
}

TEST(PaperReader, ThreeHundredByteFilePassesTheProbeButNotTheLoad) {
    testsupport::TempDir dir;
    const auto file = dir.write("cut.mqe", WritePaper(ThreeKinds()).substr(0, 300));
    PaperHeader header;
    TQFileHandle::ReadFileHeader(file, header);
    EXPECT_TRUE(header.CarriesPaperMark());

    TQFileHandle paper;
    EXPECT_THROW(paper.CheckFile(file), EReadError);
    EXPECT_THROW(paper.LoadFromFile(file), EReadError);
    EXPECT_EQ(paper.QuestionCount(), 0);
    std::istringstream stream(testsupport::readFile(file));
    EXPECT_THROW(paper.LoadFromStream(stream), EReadError);
}

TEST(PaperReader, MarkTestIsExactInLengthAndCase) {
    testsupport::TempDir dir;
    const std::string good = WritePaper(ThreeKinds());
    std::string nine = good;
    nine[0] = 9;
    nine[9] = 'x';
    std::string lower = good;
    lower[1] = 't';
    std::string shortMark = good;
    shortMark[0] = 7;
    for (const std::string& bad : {nine, lower, shortMark}) {
        TQFileHandle paper;
        Load(paper, good);
        EXPECT_EQ(QErrorOf([&] { Load(paper, bad); }), "未知类型的文件.");
        EXPECT_EQ(paper.QuestionCount(), 0);
        EXPECT_TRUE(paper.PaperTitle.empty());
        const auto file = dir.write("bad.mqe", bad);
        EXPECT_EQ(QErrorOf([&] { paper.CheckFile(file); }), "找不到文件标志信息.");
        EXPECT_EQ(QErrorOf([&] { paper.LoadFromFile(file); }), "找不到文件标志信息.");
    }
}

TEST(PaperReader, CheckFileRefusesMissingFilesAndFolders) {
    testsupport::TempDir dir;
    TQFileHandle paper;
    EXPECT_EQ(QErrorOf([&] { paper.CheckFile(dir / "none.mqe"); }), "文件不存在.");
    EXPECT_EQ(QErrorOf([&] { paper.LoadFromFile(dir / "none.mqe"); }), "文件不存在.");
    std::filesystem::create_directory(dir / "folder.mqe");
    EXPECT_EQ(QErrorOf([&] { paper.CheckFile(dir / "folder.mqe"); }), "文件不存在.");
    PaperHeader header;
    TQFileHandle::ReadFileHeader(dir / "folder.mqe", header);
    EXPECT_EQ(header.PaperTitle(), "None");
}

// A file that exists but cannot be opened: a Unix socket (permissions do not stop root).
TEST(PaperReader, FileThatCannotBeOpenedRaisesTheOpenError) {
    testsupport::TempDir dir;
    const auto file = dir / "socket.mqe";
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(file.string().size(), sizeof address.sun_path);
    std::strncpy(address.sun_path, file.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    TQFileHandle paper;
    EXPECT_THROW(paper.CheckFile(file), platform::EFOpenError);
    EXPECT_THROW(paper.LoadFromFile(file), platform::EFOpenError);
    PaperHeader header;
    EXPECT_THROW(TQFileHandle::ReadFileHeader(file, header), platform::EFOpenError);
    close(fd);
}

// A named pipe in the paper folder must not hang the catalogue's probe.
TEST(PaperReader, ReadFileHeaderDoesNotWaitOnANamedPipe) {
    testsupport::TempDir dir;
    const auto pipe = dir / "pipe.mqe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    PaperHeader header;
    TQFileHandle::ReadFileHeader(pipe, header);
    EXPECT_FALSE(header.CarriesPaperMark());
    EXPECT_EQ(header.PaperTitle(), "None");
}

TEST(PaperReader, RecordWithoutItsMarkStopsTheLoadButKeepsWhatWasRead) {
    const Paper source = ThreeKinds();
    for (int damagedRecord = 0; damagedRecord < 3; ++damagedRecord) {
        PaperLayout layout = LayOutPaper(source);
        PatchByte(layout.bytes, layout.questions[damagedRecord].record + field::RecordMark + 1,
                  'm');
        TQFileHandle paper;
        EXPECT_EQ(QErrorOf([&] { Load(paper, layout.bytes); }), Damaged);
        EXPECT_EQ(paper.QuestionCount(), damagedRecord);
        EXPECT_EQ(paper.PaperTitle, "\xB2\xE2\xCA\xD4");
        EXPECT_EQ(paper.TimeLimit, 1800);
        paper.Clear();
        EXPECT_EQ(paper.QuestionCount(), 0);
        EXPECT_TRUE(paper.PaperTitle.empty());
        EXPECT_TRUE(paper.PaperRules.empty());
        EXPECT_EQ(paper.TimeLimit, 0);
    }
}

TEST(PaperReader, UnknownKindIsSkippedWithoutBreakingTheChain) {
    Paper source = ThreeKinds();
    source.questions[1].kind = static_cast<Kind>(3);
    TQFileHandle paper;
    Load(paper, WritePaper(source));
    ASSERT_EQ(paper.QuestionCount(), 2);
    EXPECT_NE(dynamic_cast<TQSingle*>(paper.GetQuestion(0)), nullptr);
    // The matching question keeps its number 2, which is not below the count of 2.
    EXPECT_EQ(paper.GetQuestion(1), nullptr);
    EXPECT_EQ(paper.GetQuestion(2), nullptr);
    EXPECT_EQ(paper.TotalScore(), 7);
}

TEST(PaperReader, OptionsFollowTheChainNotTheFile) {
    Paper source = ThreeKinds();
    source.questions[1].options.clear();
    PaperLayout layout = LayOutPaper(source);
    const QuestionLayout& single = layout.questions[0];
    // Chain the nodes 2 -> 0 -> 1.
    PatchInt32(layout.bytes, FirstOptionField(source.questions[0], single), single.nodes[2]);
    PatchInt32(layout.bytes, single.nodes[2] + field::NodeNext, single.nodes[0]);
    PatchInt32(layout.bytes, single.nodes[0] + field::NodeNext, single.nodes[1]);
    PatchInt32(layout.bytes, single.nodes[1] + field::NodeNext, -1);

    TQFileHandle paper;
    Load(paper, layout.bytes);
    const TQuestion* q = paper.GetQuestion(0);
    ASSERT_EQ(q->OptionCount(), 3);
    EXPECT_EQ(q->GetOption(0), "C. three");
    EXPECT_EQ(q->GetOption(1), "A. one");
    EXPECT_EQ(q->GetOption(2), "B. two");
    EXPECT_EQ(paper.GetQuestion(1)->OptionCount(), 0);
}

TEST(PaperReader, EmptyRangesAndZeroBytes) {
    Paper source = PaperOf(
        {Single(std::string("stem\0tail", 9), {std::string("opt\0ion", 7), "second", "third"}, 0)});
    PaperLayout layout = LayOutPaper(source);
    const QuestionLayout& q = layout.questions[0];
    // Second option: end equal to start; third: end before start.
    PatchInt32(layout.bytes, q.nodes[1] + field::NodeTextEnd, q.optionTexts[1]);
    PatchInt32(layout.bytes, q.nodes[2] + field::NodeTextEnd, q.optionTexts[2] - 3);

    TQFileHandle paper;
    Load(paper, layout.bytes);
    const TQuestion* loaded = paper.GetQuestion(0);
    EXPECT_EQ(loaded->Stem, std::string("stem\0tail", 9));
    ASSERT_EQ(loaded->OptionCount(), 3);
    EXPECT_EQ(loaded->GetOption(0), "opt");
    EXPECT_EQ(loaded->GetOption(1), "");
    EXPECT_EQ(loaded->GetOption(2), "");

    // An empty range is not read at all, so even absurd offsets are harmless.
    PatchInt32(layout.bytes, q.nodes[1] + field::NodeTextStart, -50);
    PatchInt32(layout.bytes, q.nodes[1] + field::NodeTextEnd, -60);
    Load(paper, layout.bytes);
    EXPECT_EQ(paper.GetQuestion(0)->GetOption(1), "");
}

TEST(PaperReader, KeyOutsideTheByteRangeStopsTheLoad) {
    for (int32_t key : {256, -1}) {
        Paper source = ThreeKinds();
        source.questions.push_back(Single("bad key", {"a"}, key));
        source.questions.push_back(Single("never read", {"a"}, 0));
        TQFileHandle paper;
        EXPECT_EQ(QErrorOf([&] { Load(paper, WritePaper(source)); }), "Key 参数超出 Byte 边界.");
        EXPECT_EQ(paper.QuestionCount(), 3);
        EXPECT_EQ(paper.TotalScore(), 10);
    }
    Paper edge = PaperOf({Single("key 255", {"a"}, 255)});
    TQFileHandle paper;
    Load(paper, WritePaper(edge));
    EXPECT_EQ(dynamic_cast<TQSingle*>(paper.GetQuestion(0))->Key, 255);
}

TEST(PaperReader, GetQuestionPrecedenceAndCountBound) {
    Paper clash = PaperOf({Single("single 0", {"a"}, 0), Matching("matching 0", {"i", "A"}, 1, {0}),
                           Multi("multi 0", {"a"}, {0}), Multi("multi again", {"a"}, {0})});
    for (auto& q : clash.questions)
        q.seqNo = 0;
    clash.questions[3].seqNo = 1;
    TQFileHandle paper;
    Load(paper, WritePaper(clash));
    EXPECT_EQ(paper.GetQuestion(0)->Stem, "matching 0");
    EXPECT_EQ(paper.GetQuestion(1)->Stem, "multi again");
    EXPECT_EQ(paper.GetQuestion(-1), nullptr);

    Paper twoMulti =
        PaperOf({Single("s", {"a"}, 0), Multi("first", {"a"}, {0}), Multi("second", {"a"}, {0})});
    for (auto& q : twoMulti.questions)
        q.seqNo = 2;
    Load(paper, WritePaper(twoMulti));
    EXPECT_EQ(paper.GetQuestion(2)->Stem, "first");

    Paper fromOne = PaperOf({Single("1", {"a"}, 0), Multi("2", {"a"}, {0}), Single("3", {"a"}, 0)});
    for (int i = 0; i < 3; ++i)
        fromOne.questions[i].seqNo = i + 1;
    Load(paper, WritePaper(fromOne));
    EXPECT_EQ(paper.GetQuestion(0), nullptr);
    EXPECT_EQ(paper.GetQuestion(1)->Stem, "1");
    EXPECT_EQ(paper.GetQuestion(2)->Stem, "2");
    EXPECT_EQ(paper.GetQuestion(3), nullptr);
}

TEST(PaperReader, ANewLoadReplacesThePaperHeld) {
    TQFileHandle paper;
    Load(paper, WritePaper(ThreeKinds()));
    Paper other = PaperOf({Single("only", {"a"}, 0, 7)});
    other.title = "other";
    Load(paper, WritePaper(other));
    EXPECT_EQ(paper.QuestionCount(), 1);
    EXPECT_EQ(paper.TotalScore(), 7);
    EXPECT_EQ(paper.PaperTitle, "other");

    // A failure in the header leaves the paper empty.
    EXPECT_THROW(Load(paper, "short"), EReadError);
    EXPECT_EQ(paper.QuestionCount(), 0);
    EXPECT_TRUE(paper.PaperTitle.empty());
}

TEST(PaperReader, ChainsThatComeBackEndTheLoadAsDamaged) {
    const Paper source = ThreeKinds();
    PaperLayout recordLoop = LayOutPaper(source);
    PatchInt32(recordLoop.bytes, recordLoop.questions[2].record + field::RecordNext,
               recordLoop.questions[0].record);
    TQFileHandle paper;
    EXPECT_EQ(QErrorOf([&] { Load(paper, recordLoop.bytes); }), Damaged);
    EXPECT_EQ(paper.QuestionCount(), 3);

    PaperLayout selfLoop = LayOutPaper(source);
    PatchInt32(selfLoop.bytes, selfLoop.questions[0].record + field::RecordNext,
               selfLoop.questions[0].record);
    EXPECT_EQ(QErrorOf([&] { Load(paper, selfLoop.bytes); }), Damaged);
    EXPECT_EQ(paper.QuestionCount(), 1);

    PaperLayout optionLoop = LayOutPaper(source);
    const QuestionLayout& multi = optionLoop.questions[1];
    PatchInt32(optionLoop.bytes, multi.nodes[3] + field::NodeNext, multi.nodes[1]);
    EXPECT_EQ(QErrorOf([&] { Load(paper, optionLoop.bytes); }), Damaged);
    EXPECT_EQ(paper.QuestionCount(), 1);

    // Two questions may share one option chain: that is no loop.
    PaperLayout shared = LayOutPaper(source);
    PatchInt32(shared.bytes, FirstOptionField(source.questions[1], shared.questions[1]),
               shared.questions[0].nodes[0]);
    Load(paper, shared.bytes);
    EXPECT_EQ(paper.GetQuestion(1)->GetOption(2), "C. three");
}

TEST(PaperReader, OffsetsOutsideTheFileFailAsReadErrors) {
    const Paper source = ThreeKinds();
    const PaperLayout good = LayOutPaper(source);
    const auto size = static_cast<int32_t>(good.bytes.size());
    const QuestionLayout& single = good.questions[0];
    const int32_t firstOption = FirstOptionField(source.questions[0], single);
    const struct {
        int32_t at;
        int32_t value;
        int questionsKept;
    } cases[] = {
        {field::HeaderFirstRecord, -2, 0},
        {field::HeaderFirstRecord, size, 0},
        {field::HeaderFirstRecord, size - 10, 0},
        {field::HeaderFirstRecord, INT32_MIN, 0},
        {single.record + field::RecordNext, -5, 1},
        {single.record + field::RecordStemStart, -3, 0},
        {single.record + field::RecordStemEnd, size + 1, 0},
        {single.record + field::RecordStemEnd, INT32_MAX, 0},
        {firstOption, -7, 0},
        {firstOption, size - 4, 0},
        {single.nodes[0] + field::NodeNext, INT32_MAX, 0},
        {single.nodes[1] + field::NodeTextStart, INT32_MIN, 0},
        {single.nodes[2] + field::NodeTextEnd, 0x7FFF0000, 0},
    };
    for (const auto& c : cases) {
        std::string bytes = good.bytes;
        PatchInt32(bytes, c.at, c.value);
        TQFileHandle paper;
        EXPECT_THROW(Load(paper, bytes), EReadError) << c.at << " = " << c.value;
        EXPECT_EQ(paper.QuestionCount(), c.questionsKept) << c.at << " = " << c.value;
    }

    // The type block must follow its record within the file.
    Paper last = PaperOf({Single("s", {}, 0)});
    std::string cut = WritePaper(last);
    cut.resize(cut.size() - 3);
    TQFileHandle paper;
    EXPECT_THROW(Load(paper, cut), EReadError);
}

TEST(PaperReader, AtMostTwoHundredFiftySixOptionsPerQuestion) {
    std::vector<std::string> options(256, "o");
    TQFileHandle paper;
    Load(paper, WritePaper(PaperOf({Multi("full", options, {255})})));
    EXPECT_EQ(paper.GetQuestion(0)->OptionCount(), 256);

    options.push_back("one too many");
    EXPECT_EQ(QErrorOf([&] { Load(paper, WritePaper(PaperOf({Multi("over", options, {0})}))); }),
              Damaged);
    EXPECT_EQ(paper.QuestionCount(), 0);
}

TEST(PaperReader, ReadTextRangeLeavesTheStreamWhereItWas) {
    std::istringstream stream("0123456789");
    stream.seekg(7);
    TQFileHandle paper;
    std::string text = "old";
    paper.ReadTextRange(2, 5, stream, text);
    EXPECT_EQ(text, "234");
    EXPECT_EQ(stream.tellg(), 7);
    paper.ReadTextRange(5, 5, stream, text);
    EXPECT_EQ(text, "");
    EXPECT_THROW(paper.ReadTextRange(8, 11, stream, text), EReadError);
    EXPECT_THROW(paper.ReadTextRange(-1, 3, stream, text), EReadError);
}

TEST(PaperReader, AddOperationsNumberUnnumberedQuestionsByPosition) {
    TQFileHandle paper;
    const std::array<uint8_t, 256> answer{1, 0, 1};
    paper.AddMulti(3, 1, "m", answer, {"a", std::string("b\0c", 3)}, -1);
    paper.AddSingle(2, 0, "s", 1, {"x", "y"}, -5);
    paper.AddMatching(4, 0, "t", 9, answer, {"i"}, 40);
    EXPECT_EQ(paper.QuestionCount(), 3);
    EXPECT_EQ(paper.GetQuestion(0)->Stem, "m");
    EXPECT_EQ(paper.GetQuestion(1)->Stem, "s");
    EXPECT_EQ(paper.GetQuestion(0)->GetOption(1), "b");
    // A number at or beyond the count is not served, even if a question carries it.
    while (paper.QuestionCount() < 40)
        paper.AddSingle(0, 0, "", 0, {}, 100);
    EXPECT_EQ(paper.GetQuestion(40), nullptr);
    paper.AddSingle(0, 0, "", 0, {}, 100);
    auto* matching = dynamic_cast<TQMatching*>(paper.GetQuestion(40));
    ASSERT_NE(matching, nullptr);
    // LeftCount is not checked against the options: the matching panel does that.
    EXPECT_EQ(matching->LeftCount, 9);
    EXPECT_EQ(matching->OptionCount(), 1);
}

} // namespace
