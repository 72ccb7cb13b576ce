#include "exam/Startup.h"

#include "exam/Unit1.h"
#include "exam/uMainform.h"
#include "tests/exam/LoginTestData.h"
#include "ui/ErrorBox.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <fstream>

using logintest::ExamFolder;
using logintest::PickUnit;
using logintest::WaitFor;

namespace {

// Counts how often a main window is shown, whoever shows it.
class MainWindowShows final : public QObject {
public:
    MainWindowShows() { qApp->installEventFilter(this); }
    ~MainWindowShows() override { qApp->removeEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && qobject_cast<TMainForm*>(watched))
            ++count;
        return false;
    }
};

class Startup : public ::testing::Test {
protected:
    Startup() {
        startup.Folder = folder.Folder();
        startup.JournalFile = folder.JournalFile();
    }

    // The login driven as an examinee does: town, unit, name, Enter; the pauses kept short.
    static void LogIn(TForm1& login) {
        login.SetPauses(5, 5);
        login.show();
        login.cbb1->setCurrentIndex(1);
        PickUnit(login, u"安平镇中心小学"_qs);
        login.edt1->setText(u"张伟"_qs);
        login.rzbtbtn1->click();
    }

    ui::ScriptedMessageBoxes boxes;
    ExamFolder folder;
    ExamStartup startup;
    MainWindowShows shows;
};

} // namespace

TEST_F(Startup, WithoutPaperFolderTheIndexErrorComesOnceThenTheLoginAndQuitWritesNothing) {
    size_t boxesBeforeLogin = 0;
    bool loginShown = false;
    startup.ShowLogin = [&](TForm1& login) {
        boxesBeforeLogin = boxes.shown().size();
        login.show();
        loginShown = login.isVisible() && login.cbb1->count() == 4;
        login.rzbtbtn2->click();
    };
    bool loopRan = false;
    startup.RunEventLoop = [&](TMainForm&) {
        loopRan = true;
        return 0;
    };

    EXPECT_EQ(RunExam(startup), 0);
    EXPECT_EQ(ui::ApplicationTitle(), u"Quillon测试系统"_qs);
    // Qt would append a display name to every window's caption.
    EXPECT_NE(QApplication::applicationDisplayName(), u"Quillon测试系统"_qs);
    ASSERT_EQ(boxesBeforeLogin, 1u);
    EXPECT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, u"List index out of bounds (0)"_qs);
    EXPECT_EQ(boxes.shown()[0].caption, u"Quillon测试系统"_qs);
    EXPECT_EQ(boxes.shown()[0].flags, unsigned(ui::MB_OK | ui::MB_ICONERROR));
    EXPECT_TRUE(loginShown);
    EXPECT_FALSE(loopRan);
    EXPECT_EQ(shows.count, 0);
    EXPECT_EQ(folder.PrimaryRows(), 0);
    EXPECT_EQ(folder.SecondaryRows(), 0);
}

TEST_F(Startup, LoginClosedByTheWindowSystemEndsTheProgramAsQuitDoes) {
    folder.AddPapers(2);
    startup.ShowLogin = [](TForm1& login) {
        login.show();
        login.close();
    };
    bool loopRan = false;
    startup.RunEventLoop = [&](TMainForm&) {
        loopRan = true;
        return 0;
    };
    EXPECT_EQ(RunExam(startup), 0);
    EXPECT_FALSE(loopRan);
    EXPECT_EQ(shows.count, 0);
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(Startup, QuitDuringThePausesEndsWithoutShowingTheMainWindowOrRecording) {
    folder.AddPapers(2);
    startup.ShowLogin = [&](TForm1& login) {
        // "退出" pressed while the paper is being drawn.
        boxes.onShow([&](const ui::ShownMessageBox&) {
            QTimer::singleShot(20, login.rzbtbtn2, &QPushButton::click);
        });
        login.SetPauses(100, 100);
        login.show();
        login.cbb1->setCurrentIndex(1);
        PickUnit(login, u"安平镇中心小学"_qs);
        login.edt1->setText(u"张伟"_qs);
        login.rzbtbtn1->click();
    };
    bool loopRan = false;
    startup.RunEventLoop = [&](TMainForm&) {
        loopRan = true;
        return 0;
    };
    EXPECT_EQ(RunExam(startup), 0);
    EXPECT_FALSE(loopRan);
    // Only the confirmation: the drawn paper had started.
    EXPECT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(shows.count, 0);
    EXPECT_EQ(folder.PrimaryRows(), 0);
}

TEST_F(Startup, ConfirmedLoginShowsTheMainWindowWithTheExamRunningWhenTheLoopStarts) {
    folder.AddPapers(3);
    int showsDuringLogin = -1;
    startup.ShowLogin = [&](TForm1& login) {
        LogIn(login);
        showsDuringLogin = shows.count;
    };
    bool running = false;
    startup.RunEventLoop = [&](TMainForm& mainForm) {
        running = WaitFor([&] { return mainForm.isVisible(); }) && mainForm.ExamRunning() &&
                  mainForm.tmr1->isActive() && mainForm.pnl2->isVisible();
        return 7;
    };
    EXPECT_EQ(RunExam(startup), 7);
    EXPECT_EQ(showsDuringLogin, 0);
    EXPECT_TRUE(running);
    EXPECT_EQ(shows.count, 1);
    EXPECT_EQ(boxes.shown().size(), 1u);
}

TEST_F(Startup, FailedDrawShowsTheMainWindowInItsCatalogueView) {
    startup.ShowLogin = &Startup::LogIn;
    bool catalogue = false;
    QString examinee;
    startup.RunEventLoop = [&](TMainForm& mainForm) {
        catalogue = WaitFor([&] { return mainForm.isVisible(); }) && !mainForm.ExamRunning() &&
                    mainForm.lst1->isVisible() && !mainForm.pnl2->isVisible();
        examinee = mainForm.lbl3->text();
        return 0;
    };
    RunExam(startup);
    EXPECT_TRUE(catalogue);
    EXPECT_EQ(examinee,
              u"【考生资料】:所在乡镇  安平镇  所在单位  安平镇中心小学 考生姓名 张伟"_qs);
    // The catalogue's error, the confirmation, the draw's error.
    ASSERT_EQ(boxes.shown().size(), 3u);
    EXPECT_EQ(boxes.shown()[2].text, u"List index out of bounds (0)"_qs);
    EXPECT_EQ(folder.PrimaryRows(), 0);
}

// A journal that is not a database: the examinee is told once where it was kept, then logs in
// and takes the exam, which a new journal keeps.
TEST_F(Startup, DamagedJournalIsSaidOnceWithTheKeptFileAndTheExamRunsJournaled) {
    folder.AddPapers(2);
    std::ofstream(startup.JournalFile, std::ios::binary) << std::string(4096, '\x7f');
    size_t boxesBeforeLogin = 0;
    startup.ShowLogin = [&](TForm1& login) {
        boxesBeforeLogin = boxes.shown().size();
        LogIn(login);
    };
    bool running = false;
    startup.RunEventLoop = [&](TMainForm& mainForm) {
        running = WaitFor([&] { return mainForm.isVisible(); }) && mainForm.ExamRunning();
        return 0;
    };
    EXPECT_EQ(RunExam(startup), 0);
    EXPECT_TRUE(running);

    ASSERT_EQ(boxesBeforeLogin, 1u);
    const QString kept = QString::fromStdString(startup.JournalFile) + u".damaged-"_qs;
    EXPECT_TRUE(boxes.shown()[0].text.contains(u"考试记录文件已损坏，已改名保留为:"_qs + kept));
    EXPECT_TRUE(std::filesystem::exists(
        boxes.shown()[0].text.split(u':').last().split(u'\n').first().toStdString()));
    // Only the login's confirmation follows; the journal is not reported again.
    EXPECT_EQ(boxes.shown().size(), 2u);
    ExamJournal journal(startup.JournalFile);
    ASSERT_EQ(journal.PendingRuns().size(), 1u);
    EXPECT_EQ(journal.PendingRuns()[0].name, "张伟");
}
