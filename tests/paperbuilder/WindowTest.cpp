#include "paper/uObjectHandle.h"
#include "paperbuilder/BuilderWindow.h"
#include "paperbuilder/QuestionListModel.h"
#include "platform/CodePage.h"
#include "tests/support/TempDir.h"
#include "ui/MessageBox.h"
#include "ui/SaveDialog.h"

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <gtest/gtest.h>

namespace {

using paperbuilder::BuilderWindow;
using paperbuilder::QuestionListModel;

QString Path(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

TEST(BuilderWindow, ListsFaultsPreviewsAndScoresInExamsPanelAndSavesOnlyAFaultlessPaper) {
    testsupport::TempDir dir;
    ui::ScriptedMessageBoxes boxes;
    ui::ScriptedSaveDialogs saves;
    BuilderWindow window;
    auto* list = window.findChild<QTableView*>(QStringLiteral("grdQuestions"));
    QAbstractItemModelTester tester(list->model());

    EXPECT_FALSE(window.OpenFile(Path(dir.write("bad.xlsx", "not a workbook"))));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.shown()[0].text.contains(QStringLiteral("无法打开题库")));

    ASSERT_TRUE(window.OpenFile(Path(dir.write("bank.csv", "题型,题干,分值,选项A,选项B,答案\n"
                                                           "单选题,好题,3,对,错,A\n"
                                                           "单选题,坏题,3,对,错,C\n"))));
    EXPECT_FALSE(list->model()->index(0, 0).data(QuestionListModel::FaultRole).toBool());
    EXPECT_TRUE(list->model()->index(1, 0).data(QuestionListModel::FaultRole).toBool());
    ASSERT_NE(window.Preview(), nullptr);
    EXPECT_EQ(window.Preview()->width(), BuilderWindow::ExamPanelWidth);
    qobject_cast<QAbstractButton*>(window.Preview()->ItemControls[0].data())->click();
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("lblScore"))->text(),
              QStringLiteral("本题得分：3 / 3 分"));
    list->selectRow(1);
    EXPECT_EQ(window.Preview(), nullptr);

    boxes.clear();
    EXPECT_FALSE(window.SavePaper());
    EXPECT_TRUE(saves.shown().empty());
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.shown()[0].text.contains(QStringLiteral("1 处错误")));

    ASSERT_TRUE(window.OpenFile(Path(dir.write("bank.csv", "题型,题干,分值,选项A,选项B,答案\n"
                                                           "单选题,好题,3,对,错,A\n"))));
    // The title names no folder; a folder chosen elsewhere is never created.
    window.findChild<QLineEdit*>(QStringLiteral("edtTitle"))->setText(u"../新名称"_qs);
    boxes.clear();
    saves.answer(Path(dir / "out" / "saved"));
    EXPECT_FALSE(window.SavePaper());
    EXPECT_FALSE(std::filesystem::exists(dir / "out"));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.shown()[0].text.contains(u"无法保存试卷"_qs));
    window.findChild<QLineEdit*>(QStringLiteral("edtTitle"))->setText(QStringLiteral("新名称"));
    std::filesystem::create_directory(dir / "out");
    saves.answer(Path(dir / "out" / "saved"));
    ASSERT_TRUE(window.SavePaper());
    ASSERT_EQ(saves.shown().size(), 2u);
    EXPECT_TRUE(saves.shown()[0].fileName.endsWith(QStringLiteral("/Exam File/_新名称.mqe")));
    EXPECT_TRUE(saves.shown()[1].fileName.endsWith(QStringLiteral("/Exam File/新名称.mqe")));
    TQFileHandle saved;
    saved.LoadFromFile(dir / "out" / "saved.mqe");
    EXPECT_EQ(platform::FromGbk(saved.PaperTitle), QStringLiteral("新名称"));
    EXPECT_EQ(saved.TotalScore(), 3);
}

} // namespace
