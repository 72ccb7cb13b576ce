#pragma once

#include "tests/tallyboard/AttemptTestData.h"

// An SQLite database with one fault of each kind the verification names, besides a sound
// attempt and a score row from before attempts were kept. The three-question paper scores "B" 2
// of 2, "AB" 2 of 4 (rows A and D agree with the key A and C) and "C-" 2 of 4 (one item of two).
namespace verificationtest {

inline attempttest::Attempt SoundAttempt(const char* token, const char* name, const char* time) {
    return {QString::fromUtf8(token),
            u"安平镇"_qs,
            u"中心小学"_qs,
            QString::fromUtf8(name),
            u"handin"_qs,
            {u"B"_qs, u"AB"_qs, u"C-"_qs},
            {2, 2, 2},
            {2, 4, 4},
            QString::fromUtf8(time)};
}

inline void SeedOneFaultOfEachKind(const testsupport::TestDatabase& database) {
    using attempttest::InsertAttempt;
    const QString sha = attempttest::InsertPaper(database, attempttest::ThreeQuestionPaper());
    const QString forged = QString(64, u'f');
    database.Execute(u"insert into Paper (Sha256, Title, Bytes) values ('"_qs + forged +
                     u"', '伪造试卷', X'00')"_qs);
    database.Execute(u"insert into Score (Town, Fac, Name, Score, STime) values "
                     "('城关镇', '城关中学', '老王', 60, '2026-12-01 08:00:00');\n"
                     "insert into Score (Town, Fac, Name, Score, STime) values "
                     "('安平镇', '中心小学', '李四', 70, '2026-12-09 10:00:00')"_qs);
    InsertAttempt(database, sha, SoundAttempt("t1", "张三", "2026-12-09 09:00:00"));
    InsertAttempt(database, sha, SoundAttempt("t3", "王五", "2026-12-09 09:10:00"));
    InsertAttempt(database, sha, SoundAttempt("t4", "钱七", "2026-12-09 09:20:00"));
    attempttest::Attempt wrong = SoundAttempt("t5", "孙八", "2026-12-09 09:30:00");
    wrong.answers[0] = u"A"_qs;
    InsertAttempt(database, sha, wrong);
    InsertAttempt(database, sha, SoundAttempt("t6", "吴十", "2026-12-09 09:40:00"));
    InsertAttempt(database, forged, SoundAttempt("t7", "赵六", "2026-12-09 09:50:00"));
    InsertAttempt(database, u"abc"_qs, SoundAttempt("t8", "周九", "2026-12-09 10:10:00"));
    database.Execute(u"delete from Score where Name = '王五';\n"
                     "update Score set Score = 60 where Name = '钱七';\n"
                     "insert into AttemptAnswer (Token, Question, Answer, Marks, FullMarks) "
                     "values ('t6', 5, 'A', 0, 2);\n"
                     "insert into AttemptAnswer (Token, Question, Answer, Marks, FullMarks) "
                     "values ('zz', 0, 'B', 2, 2)"_qs);
}

} // namespace verificationtest
