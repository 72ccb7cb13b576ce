#include "exam/ExamSession.h"

#include "common/FuncUnit.h"
#include "exam/Unit2.h"
#include "paper/uFileHandle.h"
#include "exam/uMainform.h"
#include "ui/ErrorBox.h"
#include "ui/MessageBox.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QStringList>
#include <QTimer>

namespace fs = std::filesystem;

namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

// A user's text as the journal and the score row keep it: trimmed, in UTF-8.
std::string TrimmedUtf8(const QString& text) {
    return TrimText(text).toStdString();
}

QString PathText(const fs::path& path) {
    return QFile::decodeName(path.c_str());
}

} // namespace

// A journal write that fails drops the journal and reports it once, after the event at hand:
// the exam itself must go on.
template <class Write> void ExamSession::WriteJournal(Write write) {
    if (!journal)
        return;
    try {
        write(*journal);
    } catch (const EJournalError& error) {
        journal = nullptr;
        const QString message = QString::fromStdString(error.what());
        QTimer::singleShot(
            0, [message] { ui::ShowException(platform::Exception(message.toStdString())); });
    }
}

void ExamSession::Start(const Examinee& examinee, const fs::path& paper,
                        const std::string& paperTitle) {
    stage = Stage::Running;
    runId = 0;
    if (!journal)
        return;
    JournaledRun run;
    run.town = TrimmedUtf8(examinee.town);
    run.unit = TrimmedUtf8(examinee.unit);
    run.name = TrimmedUtf8(examinee.name);
    run.paperPath = paper.native();
    run.paperSha256 = PaperFingerprint(paper);
    run.paperTitle = paperTitle;
    WriteJournal([&](ExamJournal& open) { runId = open.StartRun(run); });
}

void ExamSession::Resume(const JournaledRun& run) {
    stage = Stage::Running;
    runId = run.id;
    // A run resumed from a failed recording is running again.
    WriteJournal([&](ExamJournal& open) { open.BackToRunning(runId); });
}

void ExamSession::Reset() {
    stage = Stage::Idle;
    runId = 0;
}

void ExamSession::AnswerChanged(int question, const std::vector<int32_t>& answer) {
    if (stage == Stage::Running)
        WriteJournal(
            [&](ExamJournal& open) { open.SaveAnswer(runId, question, EncodeAnswer(answer)); });
}

void ExamSession::Ticked(int32_t elapsed) {
    if (stage == Stage::Running)
        WriteJournal([&](ExamJournal& open) { open.SaveElapsed(runId, elapsed); });
}

JournaledScoreRow ExamSession::BeginRecording(RunEnding ending, const Examinee& examinee,
                                              const QString& score) {
    const JournaledScoreRow row{TrimmedUtf8(examinee.town), TrimmedUtf8(examinee.unit),
                                TrimmedUtf8(examinee.name), TrimmedUtf8(score),
                                ScoreTimeText(QDateTime::currentDateTime()).toStdString()};
    WriteJournal([&](ExamJournal& open) { open.BeginRecording(runId, ending, row); });
    return row;
}

void ExamSession::Recorded() {
    stage = Stage::Ended;
    WriteJournal([&](ExamJournal& open) { open.MarkEnded(runId); });
}

void ExamSession::RecordingFailed() {
    if (stage == Stage::Running)
        WriteJournal([&](ExamJournal& open) { open.BackToRunning(runId); });
}

std::string EncodeAnswer(const std::vector<int32_t>& answer) {
    std::string text;
    for (size_t i = 0; i < answer.size(); ++i)
        text += (i ? "," : "") + std::to_string(answer[i]);
    return text;
}

std::vector<int32_t> DecodeAnswer(const std::string& text) {
    std::vector<int32_t> answer;
    for (const QString& entry : FromUtf8(text).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int value = entry.toInt(&ok);
        if (ok)
            answer.push_back(value);
    }
    return answer;
}

std::string PaperFingerprint(const fs::path& paper) {
    QFile file(PathText(paper));
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return {};
    return hash.result().toHex().toStdString();
}

std::string DefaultJournalFile(const QString& programFolder) {
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/examsuite"_qs;
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray program =
        QCryptographicHash::hash(QDir(programFolder).canonicalPath().toUtf8(),
                                 QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    return QFile::encodeName(folder + u"/exam-journal-"_qs + QString::fromLatin1(program) +
                             u".db"_qs)
        .toStdString();
}

namespace {

bool IsThatRow(const platform::TADOQuery& query, int record, const JournaledScoreRow& row) {
    const std::string fields[] = {row.town, row.unit, row.name, row.score, row.time};
    for (int position = 1; position <= 5; ++position)
        if (TrimmedUtf8(query.DisplayText(record, position)) != fields[position - 1])
            return false;
    return true;
}

// Whether the row is in the primary database; nothing when the database cannot be read, whose
// errors OpenQuery has shown.
std::optional<bool> RowWasPosted(platform::TADOQuery& query, const JournaledScoreRow& row) {
    if (!OpenQuery(query, u"select * from Score where Fac="_qs + SqlQuote(FromUtf8(row.unit)),
                   true))
        return std::nullopt;
    bool found = false;
    for (int record = 0; record < query.RecordCount() && !found; ++record)
        found = IsThatRow(query, record, row);
    query.Close();
    return found;
}

// Finishes a run whose ending had journaled its row: the row is posted unless it is in the
// database already. False when the database could not be reached or the post failed: the run
// stays in the journal for the next start.
bool CompleteRecording(ExamJournal& journal, const JournaledRun& run, TDataModule2& data) {
    const JournaledScoreRow& row = run.row;
    const std::optional<bool> posted = RowWasPosted(data.qry1, row);
    if (!posted)
        return false;
    if (*posted) {
        journal.MarkEnded(run.id);
        return true;
    }
    const QString town = FromUtf8(row.town), unit = FromUtf8(row.unit), name = FromUtf8(row.name),
                  score = FromUtf8(row.score), time = FromUtf8(row.time);
    try {
        AppendScoreRow(data.qry1, town, unit, name, score, time);
        data.qry1.Close();
    } catch (const std::exception& error) {
        data.qry1.Close();
        ui::ShowException(error);
        return false;
    }
    journal.MarkEnded(run.id);
    if (run.ending == RunEnding::HandIn)
        AppendSecondScoreRow(data, town, unit, name, score);
    ui::MessageBox(nullptr, u"上次考试的成绩已补记:"_qs + score + u"分"_qs, u"提示"_qs,
                   ui::MB_OK | ui::MB_ICONINFORMATION);
    return true;
}

QString ResumeQuestion(const JournaledRun& run, int32_t timeLimit) {
    const QString remaining =
        timeLimit > 0 ? TMainForm::RemainingTimeText(std::max(0, timeLimit - run.elapsed))
                      : u"不限时"_qs;
    return u"检测到未完成的考试:\r\n\r\n所在乡镇 【"_qs + FromUtf8(run.town) +
           u"】\r\n所在单位 【"_qs + FromUtf8(run.unit) + u"】\r\n考生姓名 【"_qs +
           FromUtf8(run.name) + u"】\r\n试卷 【"_qs + FromUtf8(run.paperTitle) +
           u"】\r\n剩余时间 "_qs + remaining + u"\r\n\r\n是否继续这次考试?"_qs;
}

// Asks whether to go on with a run that was still running; a declined run, or one whose paper
// is gone or changed, is archived. True when the window has taken the run over.
bool OfferResume(ExamJournal& journal, const JournaledRun& run, TMainForm& form) {
    const fs::path paper(run.paperPath);
    PaperHeader header;
    try {
        if (PaperFingerprint(paper) != run.paperSha256)
            throw platform::Exception("未完成的考试无法继续,试卷文件不存在或已被改动:" +
                                      PathText(paper).toStdString());
        TQFileHandle::ReadFileHeader(paper, header);
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
        form.ResumeExam(run);
    } catch (const std::exception& error) {
        journal.Archive(run.id);
        form.ResetExam();
        ui::ShowException(error);
        return false;
    }
    return true;
}

} // namespace

bool ResumeUnfinishedExam(ExamJournal& journal, TMainForm& form, TDataModule2& data) {
    bool databaseReachable = true;
    for (const JournaledRun& run : journal.PendingRuns()) {
        if (run.stage == RunStage::Recording) {
            databaseReachable = databaseReachable && CompleteRecording(journal, run, data);
        } else if (OfferResume(journal, run, form)) {
            return true;
        }
    }
    return false;
}
