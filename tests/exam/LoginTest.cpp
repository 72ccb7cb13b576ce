#include "exam/Unit1.h"
#include "exam/Unit2.h"
#include "exam/uMainform.h"
#include "paper/uObjectHandle.h"
#include "tests/exam/LoginTestData.h"
#include "ui/ErrorBox.h"
#include "ui/MessageBox.h"
#include "ui/Picture.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>
#include <memory>
#include <set>

using logintest::ExamFolder;
using logintest::Items;
using logintest::PickUnit;

namespace {

const QString Notice = u"提示"_qs;
const QString Choose = u"请选择"_qs;

class Login : public ::testing::Test {
protected:
    // The caption of the default error box, as the program's start sets it.
    void SetUp() override { ui::SetApplicationTitle(u"Quillon测试系统"_qs); }

    void Open(int papers, int32_t timeLimit = 2700) {
        folder.AddPapers(papers, timeLimit);
        mainForm = std::make_unique<TMainForm>(folder.PaperFolder());
        dataModule = std::make_unique<TDataModule2>(nullptr, folder.Folder());
        mainForm->SetRecorder(dataModule.get());
        login = std::make_unique<TForm1>(*mainForm);
        login->SetDataModule(dataModule.get());
        login->SetPauses(1, 1);
        login->show();
        shownAtOpen = boxes.shown();
        boxes.clear();
    }

    // Town by its entry, unit through the opened list, name typed.
    void FillIn(int town, bool village, const QString& unit, const QString& name) {
        login->cbb1->setCurrentIndex(town);
        (village ? login->rb2 : login->rb1)->setChecked(true);
        PickUnit(*login, unit);
        login->edt1->setText(name);
    }

    ui::ScriptedMessageBoxes boxes;
    std::vector<ui::ShownMessageBox> shownAtOpen;
    ExamFolder folder;
    std::unique_ptr<TMainForm> mainForm;
    std::unique_ptr<TDataModule2> dataModule;
    std::unique_ptr<TForm1> login;
};

} // namespace

TEST_F(Login, WindowLayoutPictureAndTabOrder) {
    Open(1);
    EXPECT_EQ(login->windowTitle(), u"Quillon考试系统"_qs);
    EXPECT_EQ(login->size(), QSize(331, 245));
    EXPECT_EQ(login->ClientArea->geometry(), QRect(3, 22, 325, 220));
    EXPECT_FALSE(login->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(login->windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(login->windowFlags() & Qt::WindowMinMaxButtonsHint);
    EXPECT_EQ(login->font().family(), u"MS Sans Serif"_qs);
    EXPECT_EQ(login->font().pixelSize(), 12);

    const QImage picture = login->img1->picture();
    EXPECT_EQ(picture.size(), QSize(324, 216));
    EXPECT_EQ(login->img1->geometry(), login->ClientArea->rect());

    const std::pair<QWidget*, QRect> places[] = {
        {login->lbl1, {57, 66, 48, 12}},       {login->cbb1, {113, 63, 145, 21}},
        {login->rb1, {56, 88, 73, 17}},        {login->rb2, {136, 88, 65, 17}},
        {login->lbl2, {57, 112, 48, 12}},      {login->cbb2, {114, 107, 145, 21}},
        {login->lbl4, {57, 140, 48, 12}},      {login->edt1, {113, 133, 145, 21}},
        {login->lbl3, {80, 158, 162, 12}},     {login->rzbtbtn1, {72, 184, 89, 25}},
        {login->rzbtbtn2, {176, 184, 75, 25}},
    };
    for (const auto& [widget, place] : places)
        EXPECT_EQ(widget->geometry(), place) << widget->metaObject()->className();
    for (QLabel* label : {login->lbl1, login->lbl2, login->lbl4, login->lbl3}) {
        EXPECT_EQ(label->font().family(), u"宋体"_qs);
        EXPECT_EQ(label->font().pixelSize(), 12);
    }
    EXPECT_EQ(login->lbl1->text(), u"所属乡镇"_qs);
    EXPECT_EQ(login->lbl2->text(), u"单位名称"_qs);
    EXPECT_EQ(login->lbl4->text(), u"考生姓名"_qs);
    EXPECT_EQ(login->lbl3->text(), u"正在随机抽取考题，请稍后..."_qs);
    EXPECT_TRUE(login->lbl3->isHidden());
    EXPECT_TRUE(login->rb1->isChecked());
    EXPECT_FALSE(login->rb2->isChecked());
    EXPECT_EQ(login->rzbtbtn1->text(), u"登陆考试"_qs);
    EXPECT_EQ(login->rzbtbtn2->text(), u"退出"_qs);
    EXPECT_TRUE(login->rzbtbtn1->isDefault());
    EXPECT_FALSE(login->rzbtbtn1->icon().isNull());
    EXPECT_FALSE(login->rzbtbtn2->icon().isNull());
    EXPECT_FALSE(login->cbb1->isEditable());
    EXPECT_FALSE(login->cbb2->isEditable());

    // The labels and radio buttons let the picture show through: nowhere over the picture do
    // they paint the window's own background.
    const QImage drawn = login->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb window = login->palette().color(QPalette::Window).rgb();
    const QWidget* overPictures[] = {login->lbl1, login->lbl2, login->lbl4, login->rb1, login->rb2};
    for (const QWidget* overPicture : overPictures) {
        const QRect area = overPicture->geometry();
        int opaque = 0;
        int covered = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) {
                if (picture.pixel(x, y) == window)
                    continue;
                ++covered;
                opaque += drawn.pixel(x, y) == window;
            }
        EXPECT_GT(covered, area.width() * area.height() / 2);
        EXPECT_EQ(opaque, 0) << overPicture->metaObject()->className();
    }

    const QWidget* expected[] = {login->cbb1,     login->cbb2, login->edt1, login->rzbtbtn1,
                                 login->rzbtbtn2, login->rb1,  login->rb2};
    for (size_t i = 0; i + 1 < std::size(expected); ++i)
        EXPECT_EQ(expected[i]->nextInFocusChain(), expected[i + 1]) << i;
}

TEST_F(Login, TownAndUnitListsFollowTheChosenTownAndKindWhenTheListDropsDown) {
    Open(1);
    EXPECT_EQ(Items(login->cbb1),
              QStringList({Choose, u"安平镇"_qs, u"O'Brien乡"_qs, u"白沙镇"_qs}));
    EXPECT_EQ(login->cbb1->currentIndex(), 0);
    // No town chosen: every unit of the kind, whatever its town.
    EXPECT_EQ(dataModule->qry1.SQL(), u"select name,id from Fac where 1=1 and type=false"_qs);
    EXPECT_EQ(Items(login->cbb2), QStringList({Choose, u"安平镇中心小学"_qs, u"安平镇卫生院"_qs,
                                               u"O'Brien乡卫生院"_qs, u"白沙镇农技站"_qs}));

    login->cbb1->setCurrentIndex(1);
    login->rb2->setChecked(true);
    // Nothing changes until the list drops down.
    EXPECT_EQ(login->cbb2->count(), 5);
    login->cbb2->showPopup();
    EXPECT_EQ(dataModule->qry1.SQL(),
              u"select name,id from Fac where 1=1 and Belong='安平镇' and type=true"_qs);
    EXPECT_EQ(Items(login->cbb2), QStringList({Choose, u"安平村"_qs}));
    login->cbb2->setCurrentIndex(1);
    login->cbb2->hidePopup();
    // Opening it again replaces the choice by "请选择".
    login->cbb2->showPopup();
    EXPECT_EQ(login->cbb2->currentText(), Choose);
    login->cbb2->hidePopup();

    // The apostrophe is doubled, so the town finds its units.
    login->cbb1->setCurrentIndex(2);
    login->cbb2->showPopup();
    EXPECT_EQ(dataModule->qry1.SQL(),
              u"select name,id from Fac where 1=1 and Belong='O''Brien乡' and type=true"_qs);
    EXPECT_EQ(Items(login->cbb2), QStringList({Choose, u"O'Brien村"_qs}));
    login->rb1->setChecked(true);
    login->cbb2->showPopup();
    EXPECT_EQ(dataModule->qry1.SQL(),
              u"select name,id from Fac where 1=1 and Belong='O''Brien乡' and type=false"_qs);
    EXPECT_EQ(Items(login->cbb2), QStringList({Choose, u"O'Brien乡卫生院"_qs}));
    login->cbb2->hidePopup();

    // A unit whose Belong is written otherwise does not come with its town.
    login->cbb1->setCurrentIndex(3);
    login->rb2->setChecked(true);
    login->cbb2->showPopup();
    EXPECT_EQ(Items(login->cbb2), QStringList({Choose}));
    login->cbb2->hidePopup();
    login->cbb1->setCurrentIndex(0);
    login->cbb2->showPopup();
    EXPECT_EQ(dataModule->qry1.SQL(), u"select name,id from Fac where 1=1 and type=true"_qs);
    EXPECT_EQ(Items(login->cbb2),
              QStringList({Choose, u"安平村"_qs, u"O'Brien村"_qs, u"白沙村"_qs}));
    login->cbb2->hidePopup();
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(Login, ChecksComeInOrderTownUnitNameAndMoveTheFocus) {
    Open(1);
    const unsigned notice = ui::MB_OK | ui::MB_ICONINFORMATION;
    login->edt1->setFocus();
    login->rzbtbtn1->click();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, u"请您选择所属乡镇!"_qs);
    EXPECT_EQ(boxes.shown()[0].caption, Notice);
    EXPECT_EQ(boxes.shown()[0].flags, notice);
    EXPECT_EQ(login->focusWidget(), login->cbb1);

    // A town, but the unit list still on "请选择".
    login->cbb1->setCurrentIndex(1);
    login->rzbtbtn1->click();
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[1].text, u"请您选择单位名称!"_qs);
    EXPECT_EQ(boxes.shown()[1].flags, notice);
    EXPECT_EQ(login->focusWidget(), login->cbb2);

    // A name of blanks only counts as empty.
    PickUnit(*login, u"安平镇中心小学"_qs);
    login->edt1->setText(u"  \t "_qs);
    login->cbb1->setFocus();
    // Enter presses the login button.
    QTest::keyClick(login->edt1, Qt::Key_Return);
    ASSERT_EQ(boxes.shown().size(), 3u);
    EXPECT_EQ(boxes.shown()[2].text, u"请您填写考生姓名!"_qs);
    EXPECT_EQ(boxes.shown()[2].caption, Notice);
    EXPECT_EQ(boxes.shown()[2].flags, notice);
    EXPECT_EQ(login->focusWidget(), login->edt1);
    EXPECT_TRUE(login->isVisible());
    EXPECT_TRUE(login->rzbtbtn1->isEnabled());
}

TEST_F(Login, ConfirmationShowsTheTrimmedEntriesAndNoLeavesEverythingAsItWas) {
    Open(2);
    FillIn(2, true, u"O'Brien村"_qs, u"  李 娜 \t"_qs);
    boxes.answer(ui::IDNO);
    login->rzbtbtn1->click();

    ASSERT_EQ(boxes.shown().size(), 1u);
    const QString crlf = u"\r\n"_qs;
    const QString expected = u"请确认考生信息:"_qs + crlf + crlf + u"所在乡镇 【"_qs +
                             u"O'Brien乡"_qs + u"】"_qs + crlf + crlf + u"所在单位 【"_qs +
                             u"O'Brien村"_qs + u"】"_qs + crlf + crlf + u"考生名称 【"_qs +
                             u"李 娜"_qs + u"】"_qs + u",是否正确?"_qs;
    EXPECT_EQ(boxes.shown()[0].text, expected);
    EXPECT_EQ(boxes.shown()[0].text.split(crlf).size(), 7);
    EXPECT_EQ(boxes.shown()[0].caption, Notice);
    EXPECT_EQ(boxes.shown()[0].flags, unsigned(ui::MB_YESNO | ui::MB_ICONINFORMATION));

    EXPECT_TRUE(login->isVisible());
    EXPECT_TRUE(login->rzbtbtn1->isEnabled());
    EXPECT_TRUE(login->rzbtbtn2->isEnabled());
    EXPECT_TRUE(login->lbl3->isHidden());
    EXPECT_EQ(login->cbb1->currentText(), u"O'Brien乡"_qs);
    EXPECT_EQ(login->cbb2->currentText(), u"O'Brien村"_qs);
    EXPECT_EQ(login->edt1->text(), u"  李 娜 \t"_qs);
    EXPECT_EQ(mainForm->lbl3->text(), u"考生资料:"_qs);
    EXPECT_TRUE(mainForm->ExamineeName.isEmpty());
    EXPECT_TRUE(mainForm->ExamineeTown.isEmpty());
    EXPECT_TRUE(mainForm->ExamineeUnit.isEmpty());
    EXPECT_FALSE(mainForm->ShowAtStart);
    EXPECT_FALSE(mainForm->ExamRunning());
    EXPECT_FALSE(login->QuitRequested());
}

TEST_F(Login, ConfirmedLoginHandsOverStartsTheDrawnPaperAndCloses) {
    Open(5, 1000);
    FillIn(1, false, u"安平镇卫生院"_qs, u" 张伟  "_qs);
    login->rzbtbtn1->click();

    ASSERT_EQ(boxes.shown().size(), 1u) << boxes.shown().back().text.toStdString();
    EXPECT_EQ(mainForm->lbl3->text(), u"【考生资料】:所在乡镇  安平镇  所在单位  安平镇卫生院 "
                                      u"考生姓名 张伟"_qs);
    EXPECT_EQ(mainForm->ExamineeName, u"张伟"_qs);
    EXPECT_EQ(mainForm->ExamineeTown, u"安平镇"_qs);
    EXPECT_EQ(mainForm->ExamineeUnit, u"安平镇卫生院"_qs);
    EXPECT_TRUE(mainForm->ShowAtStart);
    EXPECT_TRUE(mainForm->ExamRunning());
    const int drawn = mainForm->SelectedPaper();
    EXPECT_GE(drawn, 0);
    EXPECT_LT(drawn, 5);
    EXPECT_EQ(platform::FromGbk(mainForm->PaperPanel->Paper.PaperTitle),
              mainForm->lst1->item(drawn)->text());
    // 1000 seconds are 16 minutes and 40 seconds: the login names 17 minutes.
    EXPECT_EQ(login->lbl3->text(), u"试题抽取成功,考试时间为17分钟"_qs);
    EXPECT_FALSE(login->lbl3->isHidden());
    EXPECT_GE(login->lbl3->width(),
              login->lbl3->fontMetrics().horizontalAdvance(login->lbl3->text()));
    EXPECT_LE(login->lbl3->geometry().right(), login->ClientArea->rect().right());
    EXPECT_EQ(login->lbl3->pos(), QPoint(80, 158));
    EXPECT_FALSE(login->rzbtbtn1->isEnabled());
    EXPECT_TRUE(login->rzbtbtn2->isEnabled());
    EXPECT_FALSE(login->isVisible());
    EXPECT_EQ(login->result(), QDialog::Accepted);
    EXPECT_FALSE(login->QuitRequested());
}

TEST_F(Login, FailedDrawShowsTheErrorClosesTheLoginAndLeavesTheCatalogue) {
    // No paper: the draw's index has no entry.
    Open(0);
    FillIn(3, false, u"白沙镇农技站"_qs, u"王芳"_qs);
    login->rzbtbtn1->click();
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[1].text, u"List index out of bounds (0)"_qs);
    EXPECT_EQ(boxes.shown()[1].caption, u"Quillon测试系统"_qs);
    EXPECT_EQ(boxes.shown()[1].flags, unsigned(ui::MB_OK | ui::MB_ICONERROR));
    EXPECT_FALSE(login->isVisible());
    EXPECT_TRUE(login->lbl3->isHidden());
    EXPECT_TRUE(mainForm->ShowAtStart);
    EXPECT_FALSE(mainForm->ExamRunning());
    EXPECT_EQ(mainForm->ExamineeName, u"王芳"_qs);
    EXPECT_EQ(mainForm->lbl3->text(), u"【考生资料】:所在乡镇  白沙镇  所在单位  白沙镇农技站 "
                                      u"考生姓名 王芳"_qs);
}

TEST_F(Login, PaperGoneSinceTheSearchIsReportedAndNoPaperRuns) {
    Open(1);
    std::filesystem::remove(mainForm->PaperFiles.at(0));
    FillIn(1, true, u"安平村"_qs, u"赵敏"_qs);
    login->rzbtbtn1->click();
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_TRUE(boxes.shown()[1].text.startsWith(u"试卷文件不存在:"_qs))
        << boxes.shown()[1].text.toStdString();
    EXPECT_FALSE(login->isVisible());
    EXPECT_TRUE(mainForm->ShowAtStart);
    EXPECT_FALSE(mainForm->ExamRunning());
}

TEST_F(Login, EveryConfirmedLoginStartsAPaperWhenFewerThanNineteenAreThere) {
    folder.AddPapers(5);
    std::set<int> started;
    for (int run = 0; run < 12; ++run) {
        TMainForm form(folder.PaperFolder());
        TDataModule2 module(nullptr, folder.Folder());
        form.SetRecorder(&module);
        TForm1 window(form);
        window.SetDataModule(&module);
        window.SetPauses(0, 0);
        window.show();
        window.cbb1->setCurrentIndex(1);
        PickUnit(window, u"安平镇中心小学"_qs);
        window.edt1->setText(u"周强"_qs);
        boxes.clear();
        window.rzbtbtn1->click();
        ASSERT_EQ(boxes.shown().size(), 1u) << boxes.shown().back().text.toStdString();
        ASSERT_TRUE(form.ExamRunning());
        started.insert(form.SelectedPaper());
    }
    EXPECT_GT(started.size(), 1u);
    EXPECT_LE(*started.rbegin(), 4);
}

TEST(PaperDraw, ReachesEveryDrawableIndexAndNoOther) {
    QRandomGenerator generator(20261209);
    for (const auto& [papers, drawable] : {std::pair{5, 5}, {19, 19}, {25, 19}, {1, 1}}) {
        std::set<int> drawn;
        for (int i = 0; i < 3000; ++i)
            drawn.insert(DrawPaperIndex(papers, generator));
        EXPECT_EQ(drawn.size(), size_t(drawable)) << papers;
        EXPECT_EQ(*drawn.begin(), 0) << papers;
        EXPECT_EQ(*drawn.rbegin(), drawable - 1) << papers;
    }
    EXPECT_EQ(DrawPaperIndex(0, generator), 0);

    // Uniform: over 19,000 draws among 19 each index comes about 1,000 times.
    std::vector<int> counts(DrawablePapers);
    for (int i = 0; i < 19000; ++i)
        ++counts[DrawPaperIndex(40, generator)];
    for (int count : counts)
        EXPECT_NEAR(count, 1000, 150);
}

TEST(DrawnPaperText, NamesTheTimeLimitInMinutesRoundedUp) {
    EXPECT_EQ(DrawnPaperText(2700), u"试题抽取成功,考试时间为45分钟"_qs);
    EXPECT_EQ(DrawnPaperText(2701), u"试题抽取成功,考试时间为46分钟"_qs);
    EXPECT_EQ(DrawnPaperText(60), u"试题抽取成功,考试时间为1分钟"_qs);
    EXPECT_EQ(DrawnPaperText(1), u"试题抽取成功,考试时间为1分钟"_qs);
    EXPECT_EQ(DrawnPaperText(2147483647), u"试题抽取成功,考试时间为35791395分钟"_qs);
    EXPECT_EQ(DrawnPaperText(0), u"试题抽取成功"_qs);
    EXPECT_EQ(DrawnPaperText(-60), u"试题抽取成功"_qs);
}

TEST_F(Login, DelayWaitsAtLeastTheTimeWhileTheClockTicksAndTheWindowAnswers) {
    Open(1);
    int ticks = 0;
    QTimer clock;
    clock.setInterval(20);
    QObject::connect(&clock, &QTimer::timeout, [&] { ++ticks; });
    clock.start();
    // "退出" pressed during the wait is handled at once.
    QTimer::singleShot(50, login->rzbtbtn2, &QPushButton::click);
    QElapsedTimer elapsed;
    elapsed.start();
    login->Delay(300);
    EXPECT_GE(elapsed.elapsed(), 300);
    EXPECT_LT(elapsed.elapsed(), 2000);
    EXPECT_GE(ticks, 8);
    EXPECT_TRUE(login->QuitRequested());

    elapsed.restart();
    login->Delay(0);
    EXPECT_LT(elapsed.elapsed(), 50);
}

TEST_F(Login, QuitDuringThePausesClosesTheWindowWhenTheyAreOver) {
    Open(3);
    login->SetPauses(150, 150);
    FillIn(1, false, u"安平镇中心小学"_qs, u"张伟"_qs);
    QTimer::singleShot(50, login->rzbtbtn2, &QPushButton::click);
    QElapsedTimer elapsed;
    elapsed.start();
    login->rzbtbtn1->click();
    EXPECT_GE(elapsed.elapsed(), 300);
    EXPECT_TRUE(login->QuitRequested());
    EXPECT_FALSE(login->isVisible());
    EXPECT_EQ(login->lbl3->text(), u"试题抽取成功,考试时间为45分钟"_qs);
}

TEST_F(Login, EscapeDoesNotCloseAndAWindowSystemCloseMeansQuit) {
    Open(1);
    QTest::keyClick(login.get(), Qt::Key_Escape);
    EXPECT_TRUE(login->isVisible());
    EXPECT_FALSE(login->QuitRequested());
    login->close();
    EXPECT_FALSE(login->isVisible());
    EXPECT_TRUE(login->QuitRequested());
    EXPECT_FALSE(mainForm->ShowAtStart);
}

TEST_F(Login, FailingTownStatementIsReportedAndLeavesTheListsEmpty) {
    folder.primary.Execute(u"drop table town"_qs);
    Open(1);
    // The database's error, then the error of reading the result that did not open.
    ASSERT_EQ(shownAtOpen.size(), 2u);
    EXPECT_EQ(shownAtOpen[0].caption, u"错误"_qs);
    EXPECT_TRUE(shownAtOpen[0].text.contains(u"错误号："_qs));
    EXPECT_EQ(shownAtOpen[1].caption, u"Quillon测试系统"_qs);
    EXPECT_EQ(login->cbb1->count(), 0);
    EXPECT_EQ(login->cbb2->count(), 0);
    // Nothing chosen: the first check stops the login.
    login->rzbtbtn1->click();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, u"请您选择所属乡镇!"_qs);
}

TEST_F(Login, PaperWithoutTimeLimitIsAnnouncedWithoutATime) {
    Open(1, 0);
    FillIn(1, true, u"安平村"_qs, u"孙丽"_qs);
    login->rzbtbtn1->click();
    EXPECT_TRUE(mainForm->ExamRunning());
    EXPECT_EQ(login->lbl3->text(), u"试题抽取成功"_qs);
    EXPECT_FALSE(login->isVisible());
}
