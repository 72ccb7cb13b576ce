#include "exam/StartupRecovery.h"

#include "common/FuncUnit.h"
#include "exam/ExamSession.h"
#include "paper/uFileHandle.h"
#include "ui/ErrorBox.h"
#include "ui/MessageBox.h"

#include <QFile>
#include <algorithm>

namespace fs = std::filesystem;

namespace {

// The attempt a run journaled at its ending, the paper's bytes included when the database may
// not have them and the file is still the one examined.
AttemptRecord JournaledAttempt(const JournaledRun& run) {
    AttemptRecord attempt;
    attempt.token = run.token;
    attempt.row = run.row;
    attempt.ending = run.ending;
    attempt.paperSha256 = run.paperSha256;
    attempt.paperTitle = run.paperTitle;
    attempt.startTime = run.startTime;
    attempt.endTime = run.endTime.empty() ? run.row.time : run.endTime;
    attempt.elapsed = run.elapsed;
    attempt.resumes = run.resumes;
    attempt.awaySeconds = run.awaySeconds;
    attempt.answers = run.recordedAnswers;
    attempt.sittingId = run.sittingId;
    attempt.startToPost = !run.startPosted;
    if (!run.paperStored) {
        try {
            PaperFile paper = JournaledPaper(run);
            if (paper.sha256 == run.paperSha256)
                attempt.paperBytes = std::move(paper.bytes);
        } catch (const std::exception&) {
            // The attempt names its paper by the hash even when the file is gone.
        }
    }
    return attempt;
}

// Finishes a run whose ending had journaled its row: written unless it is in the database already,
// which the attempt's token tells where the database keeps attempts, and reading the score row
// back tells elsewhere. False when the database could not be reached or the post failed: the run
// stays in the journal for the next start. A run with a token is never posted as its score row
// alone while the database cannot say whether it keeps attempts: the attempt would be lost.
bool CompleteRecording(ExamJournal& journal, const JournaledRun& run, ScoreRecorder& recorder,
                       int64_t wallClock) {
    const std::optional<bool> keepsAttempts =
        run.token.empty() ? std::optional(false) : recorder.KeepsAttempts();
    if (!keepsAttempts) {
        ui::ShowErrorMessage(u"数据库无法连接,上次考试的成绩尚未补记,下次启动时再补记"_qs);
        return false;
    }
    if (!*keepsAttempts) {
        const std::optional<bool> found = recorder.ScoreRowPosted(run.row);
        if (!found)
            return false;
        if (*found) {
            journal.MarkEnded(run.id, wallClock);
            return true;
        }
    }
    ScoreRecorder::Posted posted = ScoreRecorder::Posted::Now;
    try {
        if (*keepsAttempts)
            posted = recorder.PostAttempt(JournaledAttempt(run));
        else
            recorder.PostScoreRow(run.row);
    } catch (const std::exception& error) {
        ui::ShowException(error);
        return false;
    }
    journal.MarkEnded(run.id, wallClock);
    if (posted == ScoreRecorder::Posted::Already)
        return true;
    if (run.ending == RunEnding::HandIn)
        recorder.PostSecondCopy(run.row);
    ui::MessageBox(nullptr, u"上次考试的成绩已补记:"_qs + Utf8Text(run.row.score) + u"分"_qs,
                   u"提示"_qs, ui::MB_OK | ui::MB_ICONINFORMATION);
    return true;
}

QString ResumeQuestion(const JournaledRun& run, int32_t timeLimit) {
    const QString remaining =
        timeLimit > 0 ? RemainingTime(std::max(0, timeLimit - run.elapsed)) : u"不限时"_qs;
    return u"检测到未完成的考试:\r\n\r\n所在乡镇 【"_qs + Utf8Text(run.town) +
           u"】\r\n所在单位 【"_qs + Utf8Text(run.unit) + u"】\r\n考生姓名 【"_qs +
           Utf8Text(run.name) + u"】\r\n试卷 【"_qs + Utf8Text(run.paperTitle) +
           u"】\r\n剩余时间 "_qs + remaining + u"\r\n\r\n是否继续这次考试?"_qs;
}

// Asks whether to go on with a run that was still running; a declined run, or one whose paper
// is gone or changed, is archived. A run whose time was up and whose time-out could not be
// posted stays in its recording stage, to be completed at a later start. True when the window
// has taken the run over.
bool OfferResume(ExamJournal& journal, const JournaledRun& run, RecoveryWindow& window) {
    PaperHeader header;
    try {
        PaperFile paper;
        try {
            paper = JournaledPaper(run);
        } catch (const std::exception&) {
            // A file that cannot be read is told as one that is gone, below.
        }
        if (paper.sha256 != run.paperSha256)
            throw platform::Exception("未完成的考试无法继续,试卷文件不存在或已被改动:" +
                                      QFile::decodeName(run.paperPath.c_str()).toStdString());
        std::copy_n(paper.bytes.begin(), std::min(paper.bytes.size(), PaperHeader::Size),
                    header.Bytes.begin());
    } catch (const std::exception& error) {
        journal.Archive(run.id);
        ui::ShowException(error);
        return false;
    }
    if (ui::MessageBox(nullptr, ResumeQuestion(run, header.TimeLimit()), u"提示"_qs,
                       ui::MB_YESNO | ui::MB_ICONINFORMATION) != ui::IDYES) {
        journal.Archive(run.id);
        return false;
    }
    try {
        window.ResumeExam(run);
    } catch (const std::exception& error) {
        const std::optional<JournaledRun> now = journal.Run(run.id);
        if (!now || now->stage != RunStage::Recording)
            journal.Archive(run.id);
        window.ResetExam();
        ui::ShowException(error);
        return false;
    }
    return true;
}

} // namespace

bool ResumeUnfinishedExam(ExamJournal& journal, RecoveryWindow& window, ScoreRecorder& recorder,
                          int64_t wallClock) {
    journal.DeleteEndedBefore(wallClock - EndedRunDays * 24 * 60 * 60);
    bool databaseReachable = true;
    for (const JournaledRun& run : journal.PendingRuns()) {
        if (run.stage == RunStage::Recording) {
            databaseReachable =
                databaseReachable && CompleteRecording(journal, run, recorder, wallClock);
        } else if (OfferResume(journal, run, window)) {
            return true;
        }
    }
    return false;
}
