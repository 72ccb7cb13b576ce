#include "exam/ExamJournal.h"

#include "tests/exam/core/JournalSql.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// Every stage change, answer and tick is read back by a journal opened afresh, as the next start
// of the program reads it; the file is its owner's alone.
TEST(ExamJournal, KeepsRunsThroughEveryStageAcrossReopening) {
    testsupport::TempDir dir;
    const std::string file = (dir / "journal.db").string();
    JournaledRun started;
    started.town = "安平镇";
    started.unit = "安平镇卫生院";
    started.name = "张伟";
    started.paperPath = std::string("/papers/\xb2\xe2.mqe"); // GBK bytes kept as they are
    started.paperSha256 = "ab12";
    started.paperTitle = "试卷 1";
    int64_t first = 0, second = 0;
    {
        ExamJournal journal(file);
        first = journal.StartRun(started);
        second = journal.StartRun(started);
        journal.SaveAnswer(first, 0, "1,0");
        journal.SaveAnswer(first, 0, "0,1"); // a changed answer replaces the old one
        journal.SaveAnswer(first, 3, "-1,2");
        journal.SaveTick(first, 42, 1000);
        journal.BeginRecording(second, RunEnding::TimeOut,
                               {"安平镇", "安平镇卫生院", "张伟", "0", "2026-12-09 08:00:00"});
    }
    struct stat status {};
    ASSERT_EQ(::stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);

    ExamJournal journal(file);
    std::vector<JournaledRun> pending = journal.PendingRuns();
    ASSERT_EQ(pending.size(), 2u);
    EXPECT_EQ(pending[0].id, first);
    EXPECT_EQ(pending[0].paperPath, started.paperPath);
    EXPECT_EQ(pending[0].name, "张伟");
    EXPECT_EQ(pending[0].elapsed, 42);
    EXPECT_EQ(pending[0].lastTick, 1000);
    EXPECT_EQ(pending[0].stage, RunStage::Running);
    EXPECT_EQ(pending[0].answers, (std::map<int, std::string>{{0, "0,1"}, {3, "-1,2"}}));
    EXPECT_EQ(pending[1].stage, RunStage::Recording);
    EXPECT_EQ(pending[1].ending, RunEnding::TimeOut);
    EXPECT_EQ(pending[1].row.time, "2026-12-09 08:00:00");

    journal.BackToRunning(second);
    EXPECT_EQ(journal.Run(second)->stage, RunStage::Running);
    EXPECT_EQ(journal.Run(second)->ending, RunEnding::None);
    journal.MarkEnded(second);
    journal.Archive(first);
    EXPECT_TRUE(journal.PendingRuns().empty());
    EXPECT_EQ(JournalSql(file, "select count(*) from run where archived = 1"), 1);
    EXPECT_EQ(JournalSql(file, "select count(*) from answer where run = " + std::to_string(first)),
              2);
    EXPECT_FALSE(journal.Run(second + 1).has_value());
}

// A journal in a missing folder, or one that another program holds, is an error naming the file.
TEST(ExamJournal, AFileThatCannotBeOpenedOrIsHeldIsAnErrorNamingIt) {
    testsupport::TempDir dir;
    const std::string held = (dir / "journal.db").string();
    const ExamJournal holder(held);
    for (const std::string& file : {(dir / "missing" / "journal.db").string(), held}) {
        try {
            ExamJournal journal(file);
            ADD_FAILURE() << "opened " << file;
        } catch (const EJournalError& error) {
            EXPECT_NE(std::string(error.what()).find(file), std::string::npos) << error.what();
        }
    }
}

} // namespace

namespace {

// Ended runs go after their days are past; archived and pending runs stay.
TEST(ExamJournal, DeletesOnlyEndedRunsOlderThanTheLimit) {
    testsupport::TempDir dir;
    ExamJournal journal((dir / "journal.db").string());
    const JournaledRun run;
    const int64_t old = journal.StartRun(run), recent = journal.StartRun(run);
    const int64_t archived = journal.StartRun(run), pending = journal.StartRun(run);
    journal.SaveAnswer(old, 0, "1");
    journal.MarkEnded(old, 1000);
    journal.MarkEnded(recent, 2000);
    journal.Archive(archived);
    EXPECT_EQ(journal.DeleteEndedBefore(1500), 1);
    EXPECT_FALSE(journal.Run(old).has_value());
    for (const int64_t kept : {recent, archived, pending})
        EXPECT_TRUE(journal.Run(kept).has_value()) << kept;
}

} // namespace
