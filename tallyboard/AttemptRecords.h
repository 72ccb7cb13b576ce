#pragma once

#include "records/Sitting.h"
#include "tallyboard/ItemAnalysis.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace platform {
class TADOConnection;
}

// Reading the attempt records (tables Paper, Attempt and AttemptAnswer) for the item analysis
// and the attempt review. Failures of the database throw EDatabaseError with its errors.
namespace tallyboard {

// A paper that attempts of the filter were made on: its attempts that count (hand-ins and
// time-outs) and its abandonments.
struct PaperChoice {
    QString sha256;
    QString title;
    long long attempts = 0;
    long long abandoned = 0;
};

// The attempts an analysis takes: those whose unit name contains unitText (a LIKE pattern, as
// the score search takes it; empty for all) and, with a sitting, only its runs.
struct AttemptFilter {
    QString unitText;
    std::optional<long long> sittingId;
};

// The sittings an analysis may be narrowed to; none in a database without the sitting tables.
std::vector<records::StoredSitting> SittingsToFilterBy(platform::TADOConnection& connection);

// The papers of the attempts of the filter, the most attempted first.
std::vector<PaperChoice> PapersWithAttempts(platform::TADOConnection& connection,
                                            const AttemptFilter& filter);

// A Paper row. Its bytes are handed out only when they give the SHA-256 the row is stored under:
// anyone who can insert a row can claim a real paper's hash for other bytes.
struct StoredPaper {
    QString title;
    std::optional<QByteArray> bytes; // nothing when they do not match the hash
};

// The paper with the SHA-256; nothing when the table holds no such paper.
std::optional<StoredPaper> ReadPaper(platform::TADOConnection& connection, const QString& sha256);

// What a window says of a paper whose bytes do not match its hash.
QString MismatchedPaperText(const QString& title);

// The marks and answers of the counted attempts at the paper within the filter.
ItemSample ReadItemSample(platform::TADOConnection& connection, const QString& sha256,
                          const AttemptFilter& filter, std::size_t questionCount);

struct AttemptAnswerRecord {
    int question = 0;
    QString answer;
    int marks = 0;
    int fullMarks = 0;
};

struct AttemptRecord {
    QString token, town, unit, name, score, recorded, paperSha256, started, ended, ending;
    long long elapsed = 0, resumes = 0, awaySeconds = 0;
    std::vector<AttemptAnswerRecord> answers; // by question
};

// The five values a score row and its attempt share, at the score table's positions 1 to 5.
struct ScoreRowKey {
    QString town, unit, name, score, recorded;
};

// The attempt of a score row; nothing when there is none, also in a database without the
// attempt tables. Any other failure of the database throws.
std::optional<AttemptRecord> FindAttempt(platform::TADOConnection& connection,
                                         const ScoreRowKey& key);

} // namespace tallyboard
