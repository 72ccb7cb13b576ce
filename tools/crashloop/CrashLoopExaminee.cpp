// The examinee of the crash loop (run.py). It runs exam's own start-up, RunExam, with the real
// journal, paper and SQLite databases of a program folder, and plays a scripted examinee: log in
// (only when told so), answer at random, hand in now and then. Every step it has finished is
// printed on a line of its own, so that the script knows what must survive a kill:
//   STARTED | RESUMED elapsed | STATE question answer | CLICK question | ANSWER question answer |
//   ELAPSED n | SCORE n | HANDIN | LOGIN | BOX text | ENDED
// An answer is printed after its click returned, when the journal holds it.
//
//   crashloop_examinee --prepare FOLDER          writes the paper into FOLDER/Exam File
//   crashloop_examinee FOLDER NAME fresh|restart SEED

#include "exam/ExamSession.h"
#include "exam/Startup.h"
#include "exam/Unit1.h"
#include "exam/uMainform.h"
#include "paper/PaperWriter.h"
#include "paper/uObjectHandle.h"
#include "platform/CodePage.h"
#include "ui/Application.h"
#include "ui/MessageBox.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <random>

namespace {

paperwriter::Question Choice(paperwriter::Kind kind, int number) {
    paperwriter::Question question;
    question.kind = kind;
    question.stem = platform::ToGbk(QStringLiteral("第%1题").arg(number));
    question.fullMarks = 10;
    for (const char* option : {"A. 甲", "B. 乙", "C. 丙", "D. 丁"})
        question.options.push_back(platform::ToGbk(QString::fromUtf8(option)));
    question.key = 1;
    question.answer[0] = question.answer[2] = 1;
    return question;
}

paperwriter::Question Matching(int number) {
    paperwriter::Question question = Choice(paperwriter::Kind::Matching, number);
    question.options.insert(question.options.begin(), {platform::ToGbk(QStringLiteral("项一")),
                                                       platform::ToGbk(QStringLiteral("项二"))});
    question.leftCount = 2;
    question.answer = {};
    question.answer[0] = 3;
    question.answer[1] = 0;
    return question;
}

int Prepare(const char* folder) {
    paperwriter::Paper paper;
    paper.title = platform::ToGbk(QStringLiteral("断电测试"));
    paper.timeLimit = 3600;
    for (int i = 1; i <= 12; ++i)
        paper.questions.push_back(i % 3 == 0   ? Matching(i)
                                  : i % 3 == 1 ? Choice(paperwriter::Kind::Single, i)
                                               : Choice(paperwriter::Kind::Multi, i));
    paperwriter::WritePaperFile(paper, std::filesystem::path(folder) / "Exam File" / "paper.mqe");
    return 0;
}

void Say(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

QString Encoded(const TQuestionPanel* panel) {
    return QString::fromStdString(EncodeAnswer(panel->Answer()));
}

// One step of the examinee: an answer changed on a random question, or now and then the hand-in.
class ScriptedExaminee final {
public:
    ScriptedExaminee(TMainForm& form, unsigned seed) : form(form), random(seed) {}

    void Step() {
        if (form.Elapsed() != shownElapsed)
            Say(QStringLiteral("ELAPSED %1").arg(shownElapsed = form.Elapsed()));
        if (answered >= 5 && Chance(60)) {
            Say(QStringLiteral("SCORE %1").arg(form.PaperPanel->GetScore()));
            Say(QStringLiteral("HANDIN"));
            form.btn2Click();
            return;
        }
        const int question = Pick(static_cast<int>(form.PaperPanel->Panels.size()));
        TQuestionPanel* panel = form.PaperPanel->Panels.at(question);
        Say(QStringLiteral("CLICK %1").arg(question));
        QWidget* control = panel->ItemControls.at(Pick(4)).data();
        if (auto* button = qobject_cast<QAbstractButton*>(control))
            button->click();
        else if (auto* item = qobject_cast<TLabelComBoBox*>(control))
            QTest::keyClick(item->ComboBox(), Chance(2) ? Qt::Key_Down : Qt::Key_Up);
        ++answered;
        Say(QStringLiteral("ANSWER %1 %2").arg(question).arg(Encoded(panel)));
    }

private:
    int Pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random); }
    bool Chance(int oneIn) { return Pick(oneIn) == 0; }

    TMainForm& form;
    std::mt19937 random;
    int answered = 0;
    int32_t shownElapsed = -1;
};

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--prepare") == 0)
        return Prepare(argv[2]);
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s FOLDER NAME fresh|restart SEED\n", argv[0]);
        return 2;
    }
    ui::Application app(argc, argv);
    const QString name = QString::fromUtf8(argv[2]);
    const bool mayLogIn = std::strcmp(argv[3], "fresh") == 0;
    const unsigned seed = static_cast<unsigned>(std::strtoul(argv[4], nullptr, 10));

    ui::ScriptedMessageBoxes boxes; // every question answered Yes, every notice OK
    bool resumed = false;
    boxes.onShow([&](const ui::ShownMessageBox& box) {
        resumed = resumed || box.text.startsWith(QStringLiteral("检测到未完成的考试"));
        Say(QStringLiteral("BOX ") + box.text.section(QStringLiteral("\r\n"), 0, 0));
    });

    ExamStartup startup;
    startup.Folder = QString::fromUtf8(argv[1]) + u'/';
    startup.JournalFile = std::string(argv[1]) + "/journal.db";
    startup.ShowLogin = [&](TForm1& login) {
        Say(QStringLiteral("LOGIN"));
        if (!mayLogIn) {
            login.rzbtbtn2Click();
            return;
        }
        login.SetPauses(0, 0);
        login.show();
        login.cbb1->setCurrentIndex(1);
        login.LoadUnits();
        login.cbb2->setCurrentIndex(1);
        login.edt1->setText(name);
        login.rzbtbtn1->click();
    };
    startup.RunEventLoop = [&](TMainForm& form) {
        if (resumed) {
            Say(QStringLiteral("RESUMED %1").arg(form.Elapsed()));
            for (qsizetype i = 0; i < form.PaperPanel->Panels.size(); ++i)
                Say(QStringLiteral("STATE %1 %2").arg(i).arg(Encoded(form.PaperPanel->Panels[i])));
        } else {
            Say(QStringLiteral("STARTED"));
        }
        ScriptedExaminee examinee(form, seed);
        QTimer steps;
        QObject::connect(&steps, &QTimer::timeout, [&] { examinee.Step(); });
        steps.start(15);
        return QApplication::exec();
    };
    const int code = RunExam(startup);
    Say(QStringLiteral("ENDED"));
    return code;
}
