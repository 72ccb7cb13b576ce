#include "exam/ExamSession.h"

#include "common/FuncUnit.h"
#include "exam/ScoreTime.h"
#include "platform/RuntimeErrors.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QStringList>
#include <QUuid>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

// A user's text as the journal and the score row keep it: trimmed, in UTF-8.
std::string TrimmedUtf8(const QString& text) {
    return TrimText(text).toStdString();
}

// An attempt's key: a random UUID, as "xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx".
std::string NewToken() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
}

} // namespace

// A journal write that fails drops the journal and reports it once: the exam itself must go on.
template <class Write> void ExamSession::WriteJournal(Write write) {
    if (!journal)
        return;
    try {
        write(*journal);
    } catch (const EJournalError& error) {
        journal = nullptr;
        if (journalFailed)
            journalFailed(error.what());
    }
}

PaperFile ReadPaperFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open())
        throw platform::EFOpenError(path.string(), platform::lastSystemError());
    PaperFile paper{path, std::string(std::istreambuf_iterator<char>(file), {}), {}, {}};
    if (file.bad())
        throw platform::EReadError();
    paper.sha256 = PaperSha256(paper.bytes);
    return paper;
}

PaperFile JournaledPaper(const JournaledRun& run) {
    PaperFile paper;
    if (run.paperBytes.empty()) {
        paper = ReadPaperFile(fs::path(run.paperPath));
    } else {
        paper.bytes = run.paperBytes;
        paper.sha256 = PaperSha256(paper.bytes);
        paper.sittingId = run.sittingId;
    }
    paper.title = run.paperTitle;
    return paper;
}

int64_t ExamSession::WallClock() const {
    return clock().toSecsSinceEpoch();
}

void ExamSession::Start(const Examinee& who, const PaperFile& file) {
    stage = Stage::Running;
    runId = 0;
    examinee = who;
    paper = file;
    paperStored = false;
    startPosted = false;
    token = NewToken();
    startTime = ScoreTimeText(clock()).toStdString();
    elapsed = resumes = 0;
    awaySeconds = 0;
    frozen.reset();
    JournaledRun run;
    run.town = TrimmedUtf8(examinee.town);
    run.unit = TrimmedUtf8(examinee.unit);
    run.name = TrimmedUtf8(examinee.name);
    run.paperPath = paper.path.native();
    run.paperSha256 = paper.sha256;
    run.paperTitle = paper.title;
    // A sitting's paper is nowhere else on the desk: the journal keeps it to resume offline.
    if (paper.sittingId)
        run.paperBytes = paper.bytes;
    run.sittingId = paper.sittingId;
    run.token = token;
    run.startTime = startTime;
    run.lastTick = WallClock();
    WriteJournal([&](ExamJournal& open) { runId = open.StartRun(run); });
    StorePaper();
    PostStart();
}

// Best effort: what fails here the ending writes with the attempt.
void ExamSession::PostStart() {
    if (startPosted || !recorder)
        return;
    AttemptRecord start;
    start.token = token;
    start.row = {
        TrimmedUtf8(examinee.town), TrimmedUtf8(examinee.unit), TrimmedUtf8(examinee.name), {}, {}};
    start.paperSha256 = paper.sha256;
    start.startTime = startTime;
    start.sittingId = paper.sittingId;
    startPosted = recorder->PostAttemptStart(start);
    if (startPosted)
        WriteJournal([&](ExamJournal& open) { open.MarkStartPosted(runId); });
}

// A sitting's paper was read from its Paper row: it is not sent back.
void ExamSession::StorePaper() {
    if (!paper.sittingId && (!recorder || recorder->KeepsAttempts() != true))
        return;
    paperStored = paper.sittingId || recorder->StorePaper(paper.sha256, paper.title, paper.bytes);
    if (paperStored)
        WriteJournal([&](ExamJournal& open) { open.MarkPaperStored(runId); });
}

void ExamSession::Resume(const JournaledRun& run, const PaperFile& file) {
    stage = Stage::Running;
    runId = run.id;
    examinee = {Utf8Text(run.town), Utf8Text(run.unit), Utf8Text(run.name)};
    paper = file;
    paperStored = run.paperStored;
    startPosted = run.startPosted;
    // A run journaled before attempts were kept gets its token now, journaled before anything
    // can post it, so that a later start finds the attempt by it.
    const bool newToken = run.token.empty();
    token = newToken ? NewToken() : run.token;
    startTime = run.startTime;
    elapsed = run.elapsed;
    resumes = run.resumes + 1;
    const int64_t now = WallClock();
    awaySeconds =
        run.awaySeconds + (run.lastTick > 0 ? std::max<int64_t>(0, now - run.lastTick) : 0);
    frozen.reset();
    WriteJournal([&](ExamJournal& open) {
        if (newToken)
            open.SaveToken(runId, token);
        // A run resumed from a failed recording is running again.
        open.BackToRunning(runId);
        open.SaveResume(runId, resumes, awaySeconds, now);
    });
    PostStart();
}

void ExamSession::Reset() {
    stage = Stage::Idle;
    runId = 0;
    elapsed = 0;
    frozen.reset();
}

void ExamSession::AnswerChanged(int question, const std::vector<int32_t>& answer) {
    if (stage == Stage::Running)
        WriteJournal(
            [&](ExamJournal& open) { open.SaveAnswer(runId, question, EncodeAnswer(answer)); });
}

void ExamSession::Tick() {
    if (stage != Stage::Running)
        return;
    ++elapsed;
    WriteJournal([&](ExamJournal& open) { open.SaveTick(runId, elapsed, WallClock()); });
}

AttemptRecord ExamSession::MakeAttempt(RunEnding ending, const QString& score,
                                       std::vector<RecordedAnswer> answers) const {
    AttemptRecord attempt;
    attempt.token = token;
    const QString now = ScoreTimeText(clock());
    attempt.row = {TrimmedUtf8(examinee.town), TrimmedUtf8(examinee.unit),
                   TrimmedUtf8(examinee.name), TrimmedUtf8(score), now.toStdString()};
    attempt.ending = ending;
    attempt.paperSha256 = paper.sha256;
    attempt.paperTitle = paper.title;
    if (!paperStored)
        attempt.paperBytes = paper.bytes;
    attempt.startTime = startTime;
    attempt.endTime = attempt.row.time;
    attempt.elapsed = elapsed;
    attempt.resumes = resumes;
    attempt.awaySeconds = awaySeconds;
    attempt.answers = std::move(answers);
    attempt.sittingId = paper.sittingId;
    attempt.startToPost = !startPosted;
    return attempt;
}

void PostAttempt(ScoreRecorder& recorder, const AttemptRecord& attempt) {
    const std::optional<bool> keepsAttempts = recorder.KeepsAttempts();
    // Not even the score row goes to a database that could not be asked: back by the time of the
    // row, it would keep the score and lose the attempt.
    if (!keepsAttempts)
        throw platform::Exception("数据库无法连接,成绩没有保存");
    if (*keepsAttempts)
        recorder.PostAttempt(attempt);
    else
        recorder.PostScoreRow(attempt.row);
}

void ExamSession::Post(const AttemptRecord& attempt) {
    if (!recorder)
        throw platform::Exception("没有可用的数据库连接");
    PostAttempt(*recorder, attempt);
    stage = Stage::Ended;
    frozen.reset();
    WriteJournal([&](ExamJournal& open) { open.MarkEnded(runId, WallClock()); });
}

JournaledScoreRow ExamSession::Record(RunEnding ending, const QString& score,
                                      std::vector<RecordedAnswer> answers) {
    AttemptRecord attempt = MakeAttempt(ending, score, std::move(answers));
    WriteJournal([&](ExamJournal& open) { open.BeginRecording(runId, attempt); });
    // A time-out is final: whatever happens to its post, this is the attempt to record.
    if (ending == RunEnding::TimeOut)
        Freeze(attempt);
    try {
        Post(attempt);
    } catch (const EPostOutcomeUnknown&) {
        // The database may hold this attempt already: no other can be recorded in its place.
        if (stage == Stage::Running)
            Freeze(attempt);
        throw;
    } catch (...) {
        // The post failed and the exam goes on, unless another ending has ended it meanwhile.
        if (stage == Stage::Running)
            WriteJournal([&](ExamJournal& open) { open.BackToRunning(runId); });
        throw;
    }
    return attempt.row;
}

void ExamSession::Freeze(const AttemptRecord& attempt) {
    stage = Stage::Frozen;
    frozen = attempt;
}

AttemptRecord ExamSession::RetryRecording() {
    if (stage != Stage::Frozen || !frozen)
        throw platform::Exception("没有待记录的考试");
    const AttemptRecord attempt = *frozen;
    Post(attempt);
    return attempt;
}

void ExamSession::PostSecondCopy(const JournaledScoreRow& row) {
    if (recorder)
        recorder->PostSecondCopy(row);
}

std::string EncodeAnswer(const std::vector<int32_t>& answer) {
    std::string text;
    for (size_t i = 0; i < answer.size(); ++i)
        text += (i ? "," : "") + std::to_string(answer[i]);
    return text;
}

std::vector<int32_t> DecodeAnswer(const std::string& text) {
    std::vector<int32_t> answer;
    for (const QString& entry : Utf8Text(text).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int value = entry.toInt(&ok);
        if (ok)
            answer.push_back(value);
    }
    return answer;
}

QString RemainingTime(int32_t seconds) {
    constexpr int32_t Day = 24 * 60 * 60;
    const int32_t inDay = (seconds % Day + Day) % Day;
    return QStringLiteral("%1:%2:%3")
        .arg(inDay / 3600, 2, 10, QLatin1Char('0'))
        .arg(inDay / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(inDay % 60, 2, 10, QLatin1Char('0'));
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
