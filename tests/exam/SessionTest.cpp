#include "exam/ExamSession.h"
#include "exam/StartupRecovery.h"
#include "tests/support/TempDir.h"
#include "ui/MessageBox.h"

#include <QRegularExpression>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

// Records what the session posts; fails a post while told to, and answers "already there" once
// the token has been posted, as the attempt's key does in a database.
class FakeRecorder final : public ScoreRecorder {
public:
    std::optional<bool> KeepsAttempts() override { return keepsAttempts; }
    bool StorePaper(const std::string&, const std::string&, const std::string&) override {
        return storesPaper;
    }
    Posted PostAttempt(const AttemptRecord& attempt) override {
        if (failing)
            throw std::runtime_error("down");
        for (const AttemptRecord& earlier : attempts)
            if (earlier.token == attempt.token)
                return Posted::Already;
        attempts.push_back(attempt);
        if (failingAfterCommit)
            throw EPostOutcomeUnknown("connection lost after the commit");
        return Posted::Now;
    }
    void PostScoreRow(const JournaledScoreRow&) override { ++scoreRowsAlone; }
    std::optional<bool> ScoreRowPosted(const JournaledScoreRow&) override { return false; }
    void PostSecondCopy(const JournaledScoreRow&) override {}

    std::optional<bool> keepsAttempts = true;
    bool storesPaper = true;
    bool failing = false;
    bool failingAfterCommit = false;
    std::vector<AttemptRecord> attempts;
    int scoreRowsAlone = 0;
};

// Start-up recovery's window, for journals without a running run.
struct NoWindow final : RecoveryWindow {
    void ResumeExam(const JournaledRun&) override {}
    void ResetExam() override {}
};

class Session : public ::testing::Test {
protected:
    void SetUp() override {
        session.SetJournal(&journal);
        session.SetRecorder(&recorder);
        session.SetClock([this] { return now; });
        session.Start({u" 安平镇 "_qs, u"安平镇卫生院"_qs, u"张伟"_qs}, paper);
    }

    testsupport::TempDir dir;
    ExamJournal journal{(dir / "journal.db").string()};
    FakeRecorder recorder;
    QDateTime now{QDate(2026, 12, 9), QTime(8, 0, 0)};
    const PaperFile paper{"/papers/a.mqe", "bytes", "ab12", "试卷"};
    ExamSession session;
    const std::vector<RecordedAnswer> answers{{0, "B", 10, 10}, {1, "", 0, 5}};
};

// A post committed but reported lost freezes the attempt: its answers are no longer journaled and
// the retry posts it unchanged, so that the score it returns is the one recorded, under one token.
TEST_F(Session, UnknownOutcomeFreezesTheAttemptAndItsRetryPostsItUnchanged) {
    EXPECT_TRUE(QRegularExpression(u"^[0-9a-f]{8}(-[0-9a-f]{4}){3}-[0-9a-f]{12}$"_qs)
                    .match(QString::fromStdString(session.Token()))
                    .hasMatch());
    recorder.failingAfterCommit = true;
    EXPECT_THROW(session.Record(RunEnding::HandIn, u"10"_qs, answers), EPostOutcomeUnknown);
    EXPECT_TRUE(session.Frozen());
    session.AnswerChanged(0, {0, 1});
    EXPECT_TRUE(journal.Run(1)->answers.empty());
    EXPECT_EQ(journal.Run(1)->stage, RunStage::Recording);
    recorder.failingAfterCommit = false;
    now = now.addSecs(5);
    EXPECT_EQ(session.RetryRecording().row,
              (JournaledScoreRow{"安平镇", "安平镇卫生院", "张伟", "10", "2026-12-09 08:00:00"}));
    EXPECT_EQ(journal.Run(1)->stage, RunStage::Ended);
    ASSERT_EQ(recorder.attempts.size(), 1u);
    const AttemptRecord& posted = recorder.attempts[0];
    EXPECT_EQ(posted.token, session.Token());
    EXPECT_EQ(posted.answers, answers);
    EXPECT_TRUE(posted.paperBytes.empty()); // stored when the run started
}

// A database that cannot say whether it keeps attempts cannot be reached: an ending posts nothing,
// not even the score row, and goes on; at start-up its journaled attempt waits, said so.
TEST_F(Session, UnreachableDatabaseGetsNoScoreRowAloneFromAnEndingOrFromTheRecovery) {
    recorder.keepsAttempts.reset();
    EXPECT_ANY_THROW(session.Record(RunEnding::HandIn, u"10"_qs, answers));
    EXPECT_TRUE(session.Running());
    EXPECT_ANY_THROW(session.Record(RunEnding::TimeOut, u"10"_qs, answers));
    const ui::ScriptedMessageBoxes boxes;
    NoWindow window;
    EXPECT_FALSE(ResumeUnfinishedExam(journal, window, recorder, 0));
    EXPECT_EQ(recorder.scoreRowsAlone, 0);
    EXPECT_TRUE(recorder.attempts.empty());
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.shown()[0].text.startsWith(u"数据库无法连接"_qs));
    EXPECT_EQ(journal.Run(1)->stage, RunStage::Recording);
}

// A time-out whose post fails stays final: answers are no longer journaled and the retry posts
// the first attempt unchanged, however late it comes.
TEST_F(Session, FailedTimeOutIsRetriedExactlyAsJournaled) {
    recorder.storesPaper = false;
    session.Start({u"安平镇"_qs, u"安平镇卫生院"_qs, u"张伟"_qs}, paper);
    const int64_t run = journal.PendingRuns().back().id;
    recorder.failing = true;
    EXPECT_ANY_THROW(session.Record(RunEnding::TimeOut, u"10"_qs, answers));
    EXPECT_TRUE(session.Frozen());
    session.AnswerChanged(0, {0, 1});
    EXPECT_TRUE(journal.Run(run)->answers.empty());
    EXPECT_EQ(journal.Run(run)->stage, RunStage::Recording);
    EXPECT_EQ(journal.Run(run)->recordedAnswers, answers);

    now = now.addSecs(300);
    recorder.failing = false;
    EXPECT_EQ(session.RetryRecording().row.time, "2026-12-09 08:00:00");
    ASSERT_EQ(recorder.attempts.size(), 1u);
    EXPECT_EQ(recorder.attempts[0].ending, RunEnding::TimeOut);
    EXPECT_EQ(recorder.attempts[0].answers, answers);
    EXPECT_EQ(recorder.attempts[0].paperBytes, "bytes"); // not stored at the start
    EXPECT_TRUE(session.Ended());
}

// Each resume counts the wall-clock time since the last journaled tick; the time counted goes on
// from the journal.
TEST_F(Session, ResumesCountTheTimeAway) {
    for (int tick = 0; tick < 3; ++tick) {
        now = now.addSecs(1);
        session.Tick();
    }
    int64_t away = 0;
    for (const int pause : {90, 3600}) {
        now = now.addSecs(pause);
        away += pause;
        ExamSession resumed;
        resumed.SetJournal(&journal);
        resumed.SetClock([this] { return now; });
        resumed.Resume(*journal.Run(1), paper);
        EXPECT_EQ(resumed.Elapsed(), 3);
    }
    const JournaledRun run = *journal.Run(1);
    EXPECT_EQ(run.resumes, 2);
    EXPECT_EQ(run.awaySeconds, away);
    EXPECT_EQ(run.elapsed, 3);
}

// A run journaled before attempts had tokens gets one at its resume, journaled at once: a kill
// after its post then finds the attempt by it instead of recording a second one.
TEST_F(Session, ResumeJournalsTheTokenItGivesAnOlderRun) {
    const int64_t older = journal.StartRun(JournaledRun{});
    ExamSession resumed;
    resumed.SetJournal(&journal);
    resumed.Resume(*journal.Run(older), paper);
    EXPECT_FALSE(resumed.Token().empty());
    EXPECT_EQ(journal.Run(older)->token, resumed.Token());
}

} // namespace
