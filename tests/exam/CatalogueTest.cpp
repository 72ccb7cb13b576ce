#include "exam/uMainform.h"
#include "paper/PaperWriter.h"
#include "paper/uFileHandle.h"
#include "platform/CodePage.h"
#include "tests/support/TempDir.h"
#include "ui/ErrorBox.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <dirent.h>
#include <gtest/gtest.h>
#include <set>

namespace fs = std::filesystem;
using testsupport::TempDir;

namespace {

const QString Title = QStringLiteral("Quillon测试系统");

std::string Gbk(const char* utf8) {
    return platform::ToGbk(QString::fromUtf8(utf8));
}

paperwriter::Paper MakePaper(const char* title, const char* rules) {
    paperwriter::Paper paper;
    paper.title = Gbk(title);
    paper.rules = Gbk(rules);
    paperwriter::Question question;
    question.stem = Gbk("下列哪一项是正确的?");
    question.fullMarks = 2;
    question.options = {Gbk("甲"), Gbk("乙")};
    paper.questions.push_back(question);
    return paper;
}

fs::path WritePaper(const TempDir& dir, const fs::path& relative, const char* title,
                    const char* rules) {
    const fs::path file = dir / relative;
    paperwriter::WritePaperFile(MakePaper(title, rules), file);
    return file;
}

// A paper whose header is sound but whose first question record lacks its mark.
fs::path WriteDamagedPaper(const TempDir& dir, const fs::path& relative, const char* title) {
    paperwriter::PaperLayout layout = paperwriter::LayOutPaper(MakePaper(title, "损坏"));
    paperwriter::PatchByte(layout.bytes,
                           layout.questions[0].record + paperwriter::field::RecordMark, 0);
    return dir.write(relative, layout.bytes);
}

std::string HeaderWithMark(const std::string& mark) {
    std::string bytes = paperwriter::WritePaper(MakePaper("标志", "标志"));
    bytes.replace(0, mark.size(), mark);
    return bytes;
}

// What a plain walk of the file system gives: readdir order, a folder's papers where the folder
// stands. The catalogue must add no order of its own.
void ReaddirWalk(const fs::path& folder, std::vector<fs::path>& found) {
    DIR* dir = opendir(folder.c_str());
    ASSERT_NE(dir, nullptr);
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (entry->d_type == DT_DIR)
            ReaddirWalk(folder / name, found);
        else if (name.size() >= 4 && name.substr(name.size() - 4) == ".mqe")
            found.push_back(folder / name);
    }
    closedir(dir);
}

QString RulesOf(const fs::path& file) {
    TQFileHandle paper;
    paper.LoadFromFile(file);
    return platform::FromGbk(paper.PaperRules);
}

QString TitleOf(const fs::path& file) {
    PaperHeader header;
    TQFileHandle::ReadFileHeader(file, header);
    return platform::FromGbk(header.PaperTitle());
}

void ClickEntry(QListWidget* list, int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
    QCoreApplication::processEvents();
}

// The widget that Tab moves to from widget.
QWidget* NextTabStop(QWidget* widget) {
    QWidget* next = widget->nextInFocusChain();
    while (next != widget && !(next->focusPolicy() & Qt::TabFocus))
        next = next->nextInFocusChain();
    return next;
}

int IndexOf(const TMainForm& form, const fs::path& file) {
    const auto at = std::find(form.PaperFiles.begin(), form.PaperFiles.end(), file);
    return at == form.PaperFiles.end() ? -1 : static_cast<int>(at - form.PaperFiles.begin());
}

class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override { ui::SetApplicationTitle(Title); }
    TempDir dir;
    ui::ScriptedMessageBoxes boxes;
};

TEST_F(CatalogueTest, FindsPaperExtensionsInAnyCaseAndNeverListsAFolder) {
    for (const char* name : {"PAPER.MQE", "a.Mqe", ".mqe", "old.mqe/inner.mqe", "a.mqe.bak",
                             "a.mqe1", "mqe", "a.mq", "notes.txt", "empty.mqe/x.doc"})
        dir.write(name, "x");
    std::vector<fs::path> found;
    FindPaperFiles(found, dir.path(), true);
    const std::set<fs::path> expected{dir / "PAPER.MQE", dir / "a.Mqe", dir / ".mqe",
                                      dir / "old.mqe/inner.mqe"};
    EXPECT_EQ(std::set<fs::path>(found.begin(), found.end()), expected);
    EXPECT_EQ(found.size(), expected.size());

    // Without recursion only the folder's own files; a missing folder adds nothing.
    std::vector<fs::path> flat{"kept"};
    FindPaperFiles(flat, dir.path(), false);
    FindPaperFiles(flat, dir / "missing", true);
    FindPaperFiles(flat, dir / "PAPER.MQE", true);
    const std::set<fs::path> top{"kept", dir / "PAPER.MQE", dir / "a.Mqe", dir / ".mqe"};
    EXPECT_EQ(std::set<fs::path>(flat.begin(), flat.end()), top);
    EXPECT_EQ(flat.size(), top.size());
    EXPECT_EQ(flat.front(), "kept");
}

TEST_F(CatalogueTest, SubfoldersArePlacedWhereTheyStandInTheirParentsListing) {
    for (const char* name :
         {"p1.mqe", "p2.mqe", "p3.mqe", "s1/q1.mqe", "s1/q2.mqe", "s1/deep/r1.mqe",
          "s1/deep/deeper/t1.mqe", "s2/u1.mqe", "s2/u2.mqe", "s3/empty.txt", "p4.mqe"})
        dir.write(name, "x");
    std::vector<fs::path> expected;
    ReaddirWalk(dir.path(), expected);
    std::vector<fs::path> found;
    FindPaperFiles(found, dir.path(), true);
    EXPECT_EQ(found, expected);
    EXPECT_EQ(found.size(), 10u);
}

TEST_F(CatalogueTest, ASymbolicLinkBackToAnEnclosingFolderIsNotFollowedRoundAndRound) {
    dir.write("a/p.mqe", "x");
    dir.write("other/q.mqe", "x");
    fs::create_directory_symlink(dir.path(), dir / "a/back");
    fs::create_directory_symlink(dir / "other", dir / "a/elsewhere");
    std::vector<fs::path> found;
    FindPaperFiles(found, dir.path(), true);
    const std::multiset<fs::path> expected{dir / "a/p.mqe", dir / "other/q.mqe",
                                           dir / "a/elsewhere/q.mqe"};
    EXPECT_EQ(std::multiset<fs::path>(found.begin(), found.end()), expected);
}

TEST_F(CatalogueTest, OnlyFilesWithTheExactMarkAreKeptAndTitlesPairWithPaths) {
    std::vector<fs::path> files{
        WritePaper(dir, "good1.mqe", "甲卷", "规定甲"),
        dir.write("lower.mqe", HeaderWithMark(std::string("\x08tessarin", 9))),
        WritePaper(dir, "good2.mqe", "乙卷", "规定乙"),
        dir.write("longer.mqe", HeaderWithMark(std::string("\x09TessarinX", 10))),
        dir.write("shorter.mqe", HeaderWithMark(std::string("\x07Tessari", 8))),
        dir.write("tiny.mqe", std::string("\x08Tess", 5)),
        dir.write("empty.mqe", ""),
        dir / "vanished.mqe",
        WritePaper(dir, "good3.mqe", "丙卷", "规定丙"),
    };
    const std::vector<std::string> titles = FilterPaperFiles(files);
    const std::vector<fs::path> kept{dir / "good1.mqe", dir / "good2.mqe", dir / "good3.mqe"};
    EXPECT_EQ(files, kept);
    EXPECT_EQ(titles, (std::vector<std::string>{Gbk("甲卷"), Gbk("乙卷"), Gbk("丙卷")}));
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(CatalogueTest, ListsEveryKeptPaperByTitleAndShowsTheRulesOfTheChosenOne) {
    WritePaper(dir, "A.mqe", "安全生产法规", "本卷共一题,限时四十五分钟。");
    WritePaper(dir, "sub/B.mqe", "公文处理", "闭卷考试,不得交头接耳。");
    WritePaper(dir, "sub/deep/C.mqe", "消防安全", "独立完成,交卷后不得修改。");
    WritePaper(dir, "same1.mqe", "同名试卷", "第一份的规定");
    WritePaper(dir, "same2.mqe", "同名试卷", "第二份的规定");
    dir.write("bad.mqe", HeaderWithMark(std::string("\x08TESSARIN", 9)));

    TMainForm form(dir.path());
    form.show();
    EXPECT_TRUE(boxes.shown().empty());
    ASSERT_EQ(form.PaperFiles.size(), 5u);
    ASSERT_EQ(form.lst1->count(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(form.lst1->item(i)->text(), TitleOf(form.PaperFiles[size_t(i)])) << i;
    EXPECT_EQ(IndexOf(form, dir / "bad.mqe"), -1);
    EXPECT_EQ(form.SelectedPaper(), 0);
    EXPECT_EQ(form.mmo1->toPlainText(), RulesOf(form.PaperFiles[0]));

    // A user's click shows the rules of the chosen paper; each of two papers with the same title
    // shows its own.
    for (const char* name : {"sub/deep/C.mqe", "same1.mqe", "same2.mqe"}) {
        const int row = IndexOf(form, dir / name);
        ASSERT_GE(row, 0) << name;
        ClickEntry(form.lst1, row);
        EXPECT_EQ(form.SelectedPaper(), row);
        EXPECT_EQ(form.mmo1->toPlainText(), RulesOf(dir / name)) << name;
    }
    const int same1 = IndexOf(form, dir / "same1.mqe");
    const int same2 = IndexOf(form, dir / "same2.mqe");
    EXPECT_EQ(form.lst1->item(same1)->text(), QStringLiteral("同名试卷"));
    EXPECT_EQ(form.lst1->item(same2)->text(), QStringLiteral("同名试卷"));

    // The keyboard is a user's choice too.
    form.lst1->setFocus();
    ClickEntry(form.lst1, 0);
    QTest::keyClick(form.lst1, Qt::Key_Down);
    QCoreApplication::processEvents();
    EXPECT_EQ(form.SelectedPaper(), 1);
    EXPECT_EQ(form.mmo1->toPlainText(), RulesOf(form.PaperFiles[1]));

    // A selection by the program leaves the rules alone; outside the list it fails.
    form.SelectPaper(3);
    QCoreApplication::processEvents();
    EXPECT_EQ(form.SelectedPaper(), 3);
    EXPECT_EQ(form.mmo1->toPlainText(), RulesOf(form.PaperFiles[1]));
    EXPECT_THROW(form.SelectPaper(5), platform::EListError);
    EXPECT_THROW(form.SelectPaper(-1), platform::EListError);
    EXPECT_EQ(form.SelectedPaper(), 3);
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(CatalogueTest, AnEmptyCatalogueIsReportedOnceAndTheWindowIsCreated) {
    for (const fs::path& folder : {dir / "missing", dir.path()}) {
        dir.write("notes.txt", "x");
        dir.write("wrong.mqe", HeaderWithMark(std::string("\x08tessarin", 9)));
        boxes.clear();
        TMainForm form(folder);
        ASSERT_EQ(boxes.shown().size(), 1u) << folder;
        EXPECT_EQ(boxes.shown()[0].text, QStringLiteral("List index out of bounds (0)"));
        EXPECT_EQ(boxes.shown()[0].caption, Title);
        EXPECT_EQ(boxes.shown()[0].flags, ui::MB_OK | ui::MB_ICONERROR);
        EXPECT_TRUE(form.PaperFiles.empty());
        EXPECT_EQ(form.lst1->count(), 0);
        EXPECT_TRUE(form.mmo1->toPlainText().isEmpty());
        EXPECT_EQ(form.btn1->text(), QStringLiteral("开始考试"));
        EXPECT_THROW(form.PaperAt(0), platform::EListError);
    }
}

TEST_F(CatalogueTest, APaperThatDoesNotLoadIsReportedAndTheRulesShownStay) {
    WriteDamagedPaper(dir, "only/damaged.mqe", "损坏的试卷");
    {
        TMainForm form(dir / "only");
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text, QStringLiteral("文件已经损坏."));
        EXPECT_EQ(boxes.shown()[0].caption, Title);
        EXPECT_EQ(form.lst1->count(), 1);
        EXPECT_EQ(form.lst1->item(0)->text(), QStringLiteral("损坏的试卷"));
        EXPECT_TRUE(form.mmo1->toPlainText().isEmpty());
    }

    // Chosen in the list after a good one: the error is shown, the good paper's rules stay.
    // A short file with the mark and a paper that went away since the search fail alike.
    boxes.clear();
    WritePaper(dir, "two/good.mqe", "完好的试卷", "完好试卷的规定");
    WriteDamagedPaper(dir, "two/damaged.mqe", "损坏的试卷");
    dir.write("two/short.mqe", HeaderWithMark(std::string("\x08Tessarin", 9)).substr(0, 300));
    WritePaper(dir, "two/gone.mqe", "将被删除", "规定");
    TMainForm form(dir / "two");
    form.show();
    ASSERT_EQ(form.lst1->count(), 4);
    boxes.clear();
    fs::remove(dir / "two/gone.mqe");
    const struct {
        const char* name;
        QString message;
    } failures[] = {{"damaged.mqe", QStringLiteral("文件已经损坏.")},
                    {"short.mqe", QStringLiteral("Stream read error.")},
                    {"gone.mqe", QStringLiteral("文件不存在.")}};
    for (const auto& failure : failures) {
        ClickEntry(form.lst1, IndexOf(form, dir / "two/good.mqe"));
        ASSERT_EQ(form.mmo1->toPlainText(), QStringLiteral("完好试卷的规定"));
        boxes.clear();
        ClickEntry(form.lst1, IndexOf(form, dir / "two" / failure.name));
        ASSERT_EQ(boxes.shown().size(), 1u) << failure.name;
        EXPECT_EQ(boxes.shown()[0].text, failure.message);
        EXPECT_EQ(boxes.shown()[0].caption, Title);
        EXPECT_EQ(form.mmo1->toPlainText(), QStringLiteral("完好试卷的规定")) << failure.name;
    }
}

TEST_F(CatalogueTest, TheCatalogueViewHasItsDesignedGeometryFontsAndTabOrder) {
    WritePaper(dir, "A.mqe", "安全生产法规", "规定");
    TMainForm form(dir.path());
    form.show();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Quillon考试系统"));
    EXPECT_EQ(form.size(), QSize(760, 541));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_EQ(form.ClientArea->geometry(), QRect(0, 0, 760, 541));
    const struct {
        QWidget* widget;
        QRect geometry;
    } layout[] = {{form.lbl1, {24, 16, 305, 12}},  {form.lst1, {24, 32, 713, 233}},
                  {form.lbl3, {34, 282, 367, 24}}, {form.btn1, {568, 280, 169, 21}},
                  {form.bvl1, {24, 312, 713, 14}}, {form.lbl2, {32, 352, 193, 12}},
                  {form.mmo1, {24, 368, 713, 145}}};
    for (const auto& [widget, geometry] : layout) {
        EXPECT_EQ(widget->parentWidget(), form.ClientArea);
        EXPECT_EQ(widget->geometry(), geometry) << widget->metaObject()->className();
    }
    EXPECT_EQ(form.lbl1->text(), QStringLiteral("请您任选一套试题进行考试"));
    EXPECT_EQ(form.lbl3->text(), QStringLiteral("考生资料:"));
    EXPECT_EQ(form.lbl2->text(), QStringLiteral("试卷规定"));
    EXPECT_EQ(form.lbl1->font().pixelSize(), 12);
    EXPECT_EQ(form.lbl3->font().pixelSize(), 16);
    EXPECT_EQ(form.lbl3->palette().color(QPalette::WindowText), QColor(Qt::red));
    EXPECT_EQ(form.lst1->visualItemRect(form.lst1->item(0)).height(), 12);
    EXPECT_TRUE(form.mmo1->isReadOnly());
    EXPECT_EQ(NextTabStop(form.lst1), form.btn1);
    EXPECT_EQ(NextTabStop(form.btn1), form.mmo1);
}

} // namespace
