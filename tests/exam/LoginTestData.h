#pragma once

// What the tests of the login, the start-up, the main window and the whole exam share: a program
// folder with its "DBConifg.ini", two SQLite databases with towns and units, and papers in
// "Exam File".

#include "exam/Unit1.h"
#include "exam/Unit2.h"
#include "exam/uMainform.h"
#include "paper/PaperWriter.h"
#include "paper/uObjectHandle.h"
#include "platform/CodePage.h"
#include "platform/DatabaseQuery.h"
#include "tests/support/PgServer.h"
#include "tests/support/TempDir.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QVariant>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace logintest {

inline std::string Gbk(const QString& text) {
    return platform::ToGbk(text);
}

// Towns in the order the database returns them, and their units of both kinds. One unit's
// Belong carries a blank, so that town does not find it; one town's name has an apostrophe.
inline const QString Towns =
    uR"(insert into town (name) values ('安平镇'), ('O''Brien乡'), ('白沙镇');
insert into Fac (name, Belong, type) values ('安平镇中心小学', '安平镇', false),
('安平镇卫生院', '安平镇', false), ('安平村', '安平镇', true), ('O''Brien村', 'O''Brien乡', true),
('O''Brien乡卫生院', 'O''Brien乡', false), ('白沙村', ' 白沙镇', true),
('白沙镇农技站', '白沙镇', false))"_qs;

// A paper of three single-choice questions of 10 points each, the right answer always "甲".
inline paperwriter::Paper SmallPaper(const QString& title, int32_t timeLimit) {
    paperwriter::Paper paper;
    paper.title = Gbk(title);
    paper.rules = Gbk(u"闭卷考试"_qs);
    paper.timeLimit = timeLimit;
    for (int i = 0; i < 3; ++i) {
        paperwriter::Question question;
        question.stem = Gbk(u"第%1题:下列哪一项是正确的?"_qs.arg(i + 1));
        question.fullMarks = 10;
        question.options = {Gbk(u"甲"_qs), Gbk(u"乙"_qs), Gbk(u"丙"_qs)};
        question.key = 0;
        paper.questions.push_back(question);
    }
    return paper;
}

// count single-choice questions of fullMarks points with the given options each, the right one
// the first, and a stem of stemLines lines.
inline paperwriter::Paper Singles(int count, int32_t timeLimit, int options = 3,
                                  int32_t fullMarks = 10, int stemLines = 1) {
    paperwriter::Paper paper;
    paper.title = Gbk(u"单选测试"_qs);
    paper.timeLimit = timeLimit;
    for (int i = 0; i < count; ++i) {
        paperwriter::Question question;
        QString stem = u"第%1题:下列哪一项是正确的?"_qs.arg(i + 1);
        for (int line = 2; line <= stemLines; ++line)
            stem += u"\r\n第%1行"_qs.arg(line);
        question.stem = Gbk(stem);
        question.fullMarks = fullMarks;
        for (int option = 0; option < options; ++option)
            question.options.push_back(Gbk(u"选项%1"_qs.arg(option + 1)));
        paper.questions.push_back(question);
    }
    return paper;
}

inline int CountRows(const QString& connectionString, const QString& sql) {
    platform::TADOConnection connection;
    connection.SetConnectionString(connectionString);
    platform::TADOQuery query;
    query.SetConnection(&connection);
    query.SetSQL(sql);
    query.Open();
    return query.RecordCount();
}

// The score rows of a database as "town|unit|name|score", in the order they were written.
inline QStringList ScoreRows(const QString& connectionString) {
    platform::TADOConnection connection;
    connection.SetConnectionString(connectionString);
    platform::TADOQuery query;
    query.SetConnection(&connection);
    query.SetSQL(u"select * from Score order by id"_qs);
    query.Open();
    QStringList rows;
    for (query.First(); !query.Eof(); query.Next())
        rows << QStringList{query.FieldValue(1).toString(), query.FieldValue(2).toString(),
                            query.FieldValue(3).toString(), query.FieldValue(4).toString()}
                    .join(u'|');
    return rows;
}

// A program folder as exam finds it beside its executable.
class ExamFolder final {
public:
    explicit ExamFolder(testsupport::Backend primaryBackend = testsupport::Backend::Sqlite,
                        testsupport::Tables tables = testsupport::Tables::WithAttempts)
        : primary(primaryBackend, tables) {
        primary.Execute(Towns);
        dir.write("DBConifg.ini",
                  (u"[DBConifg]\r\nConnectionString="_qs + primary.ConnectionString() +
                   u"\r\n[SqlDBConifg]\r\nConnectionString="_qs + secondary.ConnectionString() +
                   u"\r\n"_qs)
                      .toStdString());
    }

    // The folder with its trailing separator.
    QString Folder() const { return QString::fromStdString(dir.path().string()) + u'/'; }
    std::filesystem::path PaperFolder() const { return dir / "Exam File"; }
    std::string JournalFile() const { return (dir / "journal.db").string(); }

    // Writes count papers named "试卷 1", "试卷 2", ... with the given time limit.
    void AddPapers(int count, int32_t timeLimit = 2700) const {
        for (int i = 1; i <= count; ++i)
            AddPaper(SmallPaper(u"试卷 %1"_qs.arg(i), timeLimit),
                     "paper" + std::to_string(100 + i) + ".mqe");
    }
    std::filesystem::path AddPaper(const paperwriter::Paper& paper, const std::string& name) const {
        const std::filesystem::path file = PaperFolder() / name;
        paperwriter::WritePaperFile(paper, file);
        return file;
    }

    int PrimaryRows() const { return CountRows(primary.ConnectionString(), ScoreSql); }
    int SecondaryRows() const { return CountRows(secondary.ConnectionString(), ScoreSql); }

    testsupport::TempDir dir;
    testsupport::TestDatabase primary;
    testsupport::TestDatabase secondary{testsupport::Backend::Sqlite};

private:
    inline static const QString ScoreSql = u"select * from Score"_qs;
};

// The main window over a folder's papers with its data module, and the examinee the login hands
// over; no paper runs yet.
class ExamWindow final {
public:
    explicit ExamWindow(const ExamFolder& folder)
        : dataModule(nullptr, folder.Folder()), mainForm(folder.PaperFolder()) {
        mainForm.SetRecorder(&dataModule);
        mainForm.ExamineeTown = u"安平镇"_qs;
        mainForm.ExamineeUnit = u"安平镇卫生院"_qs;
        mainForm.ExamineeName = u"张伟"_qs;
    }

    // What each ending writes for this examinee.
    static QString Row(int score) { return u"安平镇|安平镇卫生院|张伟|%1"_qs.arg(score); }

    TDataModule2 dataModule;
    TMainForm mainForm;
};

// Ticks option of a question of the running paper, as a click on it does.
inline void Answer(const TMainForm& form, int question, int option = 0) {
    auto* button = qobject_cast<QAbstractButton*>(
        form.PaperPanel->Panels.at(question)->ItemControls.at(option).data());
    ASSERT_NE(button, nullptr);
    button->click();
}

// A main window whose paper runs: the paper written to its folder, listed and started.
class RunningExam final {
public:
    explicit RunningExam(const paperwriter::Paper& paper) {
        folder.AddPaper(paper, "paper.mqe");
        window = std::make_unique<ExamWindow>(folder);
        window->mainForm.StartExam(0);
    }
    TMainForm& Form() const { return window->mainForm; }
    // Ticks the clock until the exam is no longer running, at most the paper's time.
    void TickToTheEnd() const {
        for (int32_t tick = 0; tick < Form().PaperPanel->Paper.TimeLimit && Form().ExamRunning();
             ++tick)
            Form().tmr1Timer();
    }

    ExamFolder folder;
    std::unique_ptr<ExamWindow> window;
};

inline QStringList Items(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

// Opens the unit list as the examinee does, which reloads it, and picks the unit in it.
inline void PickUnit(TForm1& login, const QString& unit) {
    login.cbb2->showPopup();
    const int index = login.cbb2->findText(unit);
    ASSERT_GE(index, 0) << unit.toStdString();
    login.cbb2->setCurrentIndex(index);
    login.cbb2->hidePopup();
}

// Lets events run until the condition holds; false when it does not within the time.
inline bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

} // namespace logintest
