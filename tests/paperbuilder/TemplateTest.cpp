#include "paper/uObjectHandle.h"
#include "paperbuilder/PaperFiles.h"
#include "platform/CodePage.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

using namespace paperbuilder;

// The answers the template's questions intend, in the panels' form: a tick per option row, or
// the chosen letter per matching item.
const std::vector<std::vector<int32_t>> IntendedAnswers{{1, 0, 0, 0},    {0, 1, 0}, {1, 1, 0, 1},
                                                        {1, 1, 1, 1, 0}, {0, 1, 2}, {0, 1, 2}};

TEST(Template, ItsPaperEarnsTheStatedTotalInExamsPanels) {
    testsupport::TempDir dir;
    const CheckedPaper checked = CheckBank(ReadBank(QStringLiteral(QUESTION_TEMPLATE)), {});
    ASSERT_TRUE(checked.faults.empty()) << FaultLine(checked.faults.front()).toStdString();
    const QString file = QString::fromStdString((dir / "template.mqe").string());
    paperwriter::WritePaperFile(checked.paper, file.toStdString());

    TParentPanel panel;
    panel.Paper.LoadFromFile(file.toStdString());
    panel.resize(600, 400);
    panel.BuildPanels();
    ASSERT_EQ(panel.Panels.size(), static_cast<qsizetype>(IntendedAnswers.size()));
    for (size_t i = 0; i < IntendedAnswers.size(); ++i)
        panel.Panels[static_cast<qsizetype>(i)]->RestoreAnswer(IntendedAnswers[i]);
    EXPECT_EQ(panel.GetScore(), panel.Paper.TotalScore());
    EXPECT_TRUE(platform::FromGbk(panel.Paper.PaperRules)
                    .contains(QStringLiteral("满分 %1 分").arg(panel.Paper.TotalScore())));

    // Every kind and every scoring rule is shown by example.
    std::set<std::pair<paperwriter::Kind, uint8_t>> examples;
    for (const auto& question : checked.paper.questions)
        examples.emplace(question.kind, question.allOrNothing);
    EXPECT_EQ(examples.size(), 5u); // single choice ignores its scoring rule
}

} // namespace
