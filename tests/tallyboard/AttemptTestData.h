#pragma once

#include "paper/PaperWriter.h"
#include "platform/CodePage.h"
#include "tests/support/PgServer.h"
#include "tests/support/TempDir.h"

#include <QCryptographicHash>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

// Attempt records for the tallyboard tests, written in the documented form straight into a
// test database: papers with their file bytes, attempts with their answers and score rows.
namespace attempttest {

inline std::string Gbk(const char* text) {
    return platform::ToGbk(QString::fromUtf8(text));
}

// A three-question paper: a single choice (key B, 2 marks), a multiple choice (A and C, 4
// marks, per option) and a matching question (items to C and A of three choices, 4 marks).
inline paperwriter::Paper ThreeQuestionPaper() {
    paperwriter::Paper paper;
    paper.title = Gbk("安全知识");
    paperwriter::Question single;
    single.stem = Gbk("1. 单选题干");
    single.fullMarks = 2;
    single.options = {Gbk("A. 甲"), Gbk("B. 乙"), Gbk("C. 丙"), Gbk("D. 丁")};
    single.key = 1;
    paperwriter::Question multi;
    multi.kind = paperwriter::Kind::Multi;
    multi.stem = Gbk("2. 多选题干");
    multi.fullMarks = 4;
    multi.options = {Gbk("A. 一"), Gbk("B. 二"), Gbk("C. 三"), Gbk("D. 四")};
    multi.answer[0] = multi.answer[2] = 1;
    paperwriter::Question matching;
    matching.kind = paperwriter::Kind::Matching;
    matching.stem = Gbk("3. 配伍题干");
    matching.fullMarks = 4;
    matching.options = {Gbk("项一"), Gbk("项二"), Gbk("A. 红"), Gbk("B. 黄"), Gbk("C. 蓝")};
    matching.leftCount = 2;
    matching.answer[0] = 2;
    matching.answer[1] = 0;
    paper.questions = {single, multi, matching};
    return paper;
}

inline QString Sha256Of(const std::string& bytes) {
    return QString::fromLatin1(
        QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Sha256)
            .toHex());
}

// Inserts the paper's row and returns its SHA-256.
inline QString InsertPaper(const testsupport::TestDatabase& database,
                           const paperwriter::Paper& paper) {
    const std::string bytes = paperwriter::WritePaper(paper);
    const QString hex = QString::fromLatin1(QByteArray::fromStdString(bytes).toHex());
    const QString literal = database.Kind() == testsupport::Backend::Sqlite
                                ? u"X'"_qs + hex + u"'"_qs
                                : u"decode('"_qs + hex + u"', 'hex')"_qs;
    const QString sha = Sha256Of(bytes);
    database.Execute(u"insert into Paper (Sha256, Title, Bytes) values ('%1', '%2', %3)"_qs.arg(
        sha, platform::FromGbk(paper.title), literal));
    return sha;
}

struct Attempt {
    QString token, town, unit, name;
    QString ending;         // handin, timeout or abandon
    QStringList answers;    // by question, in the answer notation
    std::vector<int> marks; // by question
    std::vector<int> fullMarks;
    QString recorded = u"2026-12-09 09:00:00"_qs;
};

// The attempt, its answers and its score row with the same five values.
inline void InsertAttempt(const testsupport::TestDatabase& database, const QString& paperSha,
                          const Attempt& attempt) {
    int score = 0;
    for (const int mark : attempt.marks)
        score += mark;
    const QString values =
        u"'%1', '%2', '%3', %4, '%5'"_qs.arg(attempt.town, attempt.unit, attempt.name)
            .arg(score)
            .arg(attempt.recorded);
    QString sql = u"insert into Score (Town, Fac, Name, Score, STime) values ("_qs + values +
                  u");\ninsert into Attempt (Token, Town, Fac, Name, Score, STime, PaperSha256, "
                  "StartTime, EndTime, Ending, Elapsed, Resumes, AwaySeconds) values ('"_qs +
                  attempt.token + u"', "_qs + values + u", '"_qs + paperSha +
                  u"', '2026-12-09 08:30:00', '"_qs + attempt.recorded + u"', '"_qs +
                  attempt.ending + u"', 1805, 1, 62);\n"_qs;
    for (int question = 0; question < attempt.answers.size(); ++question)
        sql += u"insert into AttemptAnswer (Token, Question, Answer, Marks, FullMarks) values "
               "('%1', %2, '%3', %4, %5);\n"_qs.arg(attempt.token)
                   .arg(question)
                   .arg(attempt.answers[question])
                   .arg(attempt.marks[static_cast<std::size_t>(question)])
                   .arg(attempt.fullMarks[static_cast<std::size_t>(question)]);
    database.Execute(sql);
}

} // namespace attempttest
