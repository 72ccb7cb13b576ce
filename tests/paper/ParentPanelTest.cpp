#include "paper/uObjectHandle.h"
#include "platform/CodePage.h"
#include "tests/support/TempDir.h"
#include "paper/PaperWriter.h"
#include "ui/Fonts.h"

#include <QAbstractButton>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

namespace {

std::array<uint8_t, 256> Block(std::initializer_list<uint8_t> entries) {
    std::array<uint8_t, 256> block{};
    std::copy(entries.begin(), entries.end(), block.begin());
    return block;
}

class ParentPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        viewport.setFont(ui::SongFont(12));
        viewport.resize(758, 497);
        paper = new TParentPanel(&viewport);
        paper->setGeometry(0, 0, 742, 497);
        viewport.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewport));
    }

    // Sequence numbers 0 (multiple choice), 1 (single choice) and 2 (matching).
    void AddThreeKinds() {
        paper->Paper.AddMulti(4, 1, "multi", Block({1, 0, 1}), {"a", "b", "c"}, 0);
        paper->Paper.AddSingle(2, 0, "single", 1, {"a", "b"}, 1);
        paper->Paper.AddMatching(6, 0, "matching", 2, Block({1, 0}), {"x", "y", "A", "B"}, 2);
    }

    static void Tick(TQuestionPanel* panel, int row) {
        auto* button = qobject_cast<QAbstractButton*>(panel->ItemControls[row].data());
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    }

    static void Pick(TQuestionPanel* panel, int row, int downs) {
        auto* item = qobject_cast<TLabelComBoBox*>(panel->ItemControls[row].data());
        QTest::keyClick(item->ComboBox(), Qt::Key_Home);
        for (int i = 0; i < downs; ++i)
            QTest::keyClick(item->ComboBox(), Qt::Key_Down);
    }

    QWidget viewport;
    TParentPanel* paper = nullptr;
};

} // namespace

TEST_F(ParentPanelTest, StacksOnePanelPerQuestionInSequenceOrder) {
    AddThreeKinds();
    paper->BuildPanels();
    ASSERT_EQ(paper->Panels.size(), 3);
    EXPECT_NE(dynamic_cast<TMultiPanel*>(paper->Panels[0]), nullptr);
    EXPECT_NE(dynamic_cast<TSinglePanel*>(paper->Panels[1]), nullptr);
    EXPECT_NE(dynamic_cast<TMatchingPanel*>(paper->Panels[2]), nullptr);
    int top = 0;
    for (TQuestionPanel* panel : paper->Panels) {
        EXPECT_EQ(panel->parentWidget(), paper);
        EXPECT_TRUE(panel->isVisible());
        EXPECT_EQ(panel->geometry(), QRect(0, top, 742, panel->height()));
        top += panel->height();
    }
    EXPECT_EQ(paper->height(), top);
    EXPECT_EQ(paper->Panels[1]->height(), 48 + 15 + 2 * 28 + 32);

    // Scrolling moves only the top edge: the stack stays as it was laid out.
    const QRect last = paper->Panels[2]->geometry();
    paper->move(0, -300);
    QCoreApplication::processEvents();
    EXPECT_EQ(paper->geometry(), QRect(0, -300, 742, top));
    EXPECT_EQ(paper->Panels[2]->geometry(), last);
}

TEST_F(ParentPanelTest, AnswersCompletenessPositionsAndTheTotalScore) {
    AddThreeKinds();
    paper->BuildPanels();
    int position = 99;
    EXPECT_FALSE(paper->AllAnswered(position));
    EXPECT_EQ(position, 0);

    Tick(paper->Panels[0], 0);
    Tick(paper->Panels[0], 2);
    Pick(paper->Panels[2], 0, 1);
    EXPECT_FALSE(paper->AllAnswered(position));
    EXPECT_EQ(position, 1);
    EXPECT_EQ(paper->GetScore(), 4 + 3);

    Tick(paper->Panels[1], 1);
    position = 99;
    EXPECT_TRUE(paper->AllAnswered(position));
    EXPECT_EQ(position, 99);
    Pick(paper->Panels[2], 1, 0);
    EXPECT_EQ(paper->GetScore(), paper->Paper.TotalScore());
    EXPECT_EQ(paper->GetScore(), 12);

    EXPECT_EQ(paper->PanelAt(2), paper->Panels[2]);
    EXPECT_EQ(paper->PanelAt(3), nullptr);
    int wrapped = 256; // positions are 8 bits wide
    EXPECT_EQ(paper->PanelAt(wrapped), paper->Panels[0]);
}

TEST_F(ParentPanelTest, AnEmptyPaperLeavesNoPanelsAndKeepsTheHeight) {
    AddThreeKinds();
    paper->BuildPanels();
    QPointer<TQuestionPanel> first = paper->Panels[0];
    const int height = paper->height();
    paper->Paper.Clear();
    paper->BuildPanels();
    EXPECT_TRUE(paper->Panels.isEmpty());
    EXPECT_TRUE(first.isNull());
    EXPECT_TRUE(paper->findChildren<TQuestionPanel*>().isEmpty());
    EXPECT_EQ(paper->height(), height);
    int position = 42;
    EXPECT_FALSE(paper->AllAnswered(position));
    EXPECT_EQ(position, 42);
    EXPECT_EQ(paper->PanelAt(0), nullptr);
    EXPECT_EQ(paper->GetScore(), 0);
}

TEST_F(ParentPanelTest, StopsAtAMissingSequenceNumberKeepingThePanelsBefore) {
    paper->Paper.AddSingle(1, 0, "a", 0, {"a", "b"}, 0);
    paper->Paper.AddSingle(1, 0, "b", 0, {"a", "b"}, 1);
    paper->Paper.AddSingle(1, 0, "d", 0, {"a", "b"}, 3);
    const int height = paper->height();
    try {
        paper->BuildPanels();
        FAIL() << "no error";
    } catch (const EObjError& error) {
        EXPECT_STREQ(error.what(), "不正确的赋值对象.");
    }
    EXPECT_EQ(paper->Panels.size(), 2);
    // The panel under construction is freed at once, not left behind as a child.
    EXPECT_EQ(paper->findChildren<TQuestionPanel*>(Qt::FindDirectChildrenOnly).size(), 2);
    EXPECT_EQ(paper->height(), height);
}

TEST_F(ParentPanelTest, StopsAtAnIncompleteMatchingQuestion) {
    paper->Paper.AddSingle(1, 0, "a", 0, {"a", "b"}, 0);
    paper->Paper.AddMatching(2, 0, platform::ToGbk(QStringLiteral("连线")), 1, Block({0}), {"only"},
                             1);
    try {
        paper->BuildPanels();
        FAIL() << "no error";
    } catch (const EObjError& error) {
        EXPECT_STREQ(error.what(), "不完整的配伍题目:连线");
    }
    EXPECT_EQ(paper->Panels.size(), 1);
    EXPECT_EQ(paper->findChildren<TQuestionPanel*>(Qt::FindDirectChildrenOnly).size(), 1);
}

TEST_F(ParentPanelTest, BuildingAgainGivesFreshPanelsAndLosesTheAnswers) {
    AddThreeKinds();
    paper->BuildPanels();
    Tick(paper->Panels[1], 1);
    QPointer<TQuestionPanel> old = paper->Panels[1];
    const int height = paper->height();
    paper->BuildPanels();
    EXPECT_TRUE(old.isNull());
    ASSERT_EQ(paper->Panels.size(), 3);
    EXPECT_EQ(paper->findChildren<TQuestionPanel*>(Qt::FindDirectChildrenOnly).size(), 3);
    EXPECT_FALSE(paper->Panels[1]->IsAnswered());
    EXPECT_EQ(paper->GetScore(), 0);
    EXPECT_EQ(paper->height(), height);
}

TEST_F(ParentPanelTest, FollowsANewWidthByLayingThePanelsOutAgain) {
    std::string stem;
    for (int i = 0; i < 100; ++i)
        stem += "\xB0\xA1";
    paper->Paper.AddSingle(1, 0, stem, 0, {"a", "b"}, 0);
    paper->Paper.AddSingle(1, 0, stem, 0, {"a", "b"}, 1);
    paper->BuildPanels();
    EXPECT_EQ(paper->Panels[0]->Lines.size(), 2u);
    paper->resize(400, paper->height());
    EXPECT_EQ(paper->Panels[0]->width(), 400);
    EXPECT_EQ(paper->Panels[0]->Lines.size(), 4u);
    EXPECT_EQ(paper->Panels[1]->y(), paper->Panels[0]->height());
    EXPECT_EQ(paper->height(), 2 * paper->Panels[0]->height());
}

TEST_F(ParentPanelTest, ShowsAPaperReadFromItsFile) {
    paperwriter::Paper written;
    written.title = "试卷";
    paperwriter::Question single;
    single.kind = paperwriter::Kind::Single;
    single.stem = "1. \xB5\xA5\xD1\xA1"; // 单选
    single.fullMarks = 3;
    single.options = {"A. x", "B. y"};
    single.key = 1;
    paperwriter::Question matching;
    matching.kind = paperwriter::Kind::Matching;
    matching.stem = "2. match";
    matching.fullMarks = 4;
    matching.options = {"item 1", "item 2", "A. one", "B. two"};
    matching.leftCount = 2;
    matching.answer[0] = 1;
    written.questions = {single, matching};
    testsupport::TempDir dir;
    const auto file = dir / "paper.mqe";
    paperwriter::WritePaperFile(written, file);

    paper->Paper.LoadFromFile(file);
    paper->BuildPanels();
    ASSERT_EQ(paper->Panels.size(), 2);
    EXPECT_EQ(paper->Panels[0]->Lines, std::vector<std::string>{single.stem});
    auto* item = qobject_cast<TLabelComBoBox*>(paper->Panels[1]->ItemControls[1].data());
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->ComboBox()->count(), 2);
    Tick(paper->Panels[0], 1);
    Pick(paper->Panels[1], 0, 1);
    Pick(paper->Panels[1], 1, 0);
    EXPECT_EQ(paper->GetScore(), 7);
}
