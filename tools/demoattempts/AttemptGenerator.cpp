#include "tools/demoattempts/AttemptGenerator.h"

#include "paper/AnswerNotation.h"
#include "paper/Scoring.h"
#include "paper/uFileHandle.h"
#include "platform/CodePage.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <cmath>
#include <random>

namespace demoattempts {
namespace {

const char* const Surnames[] = {"王", "李", "张", "刘", "陈", "杨", "赵", "黄", "周", "吴",
                                "徐", "孙", "马", "朱", "胡", "郭", "何", "林", "高", "罗"};
const char* const GivenNames[] = {"伟",   "芳",   "娜",   "敏",   "静",   "丽",   "强",
                                  "磊",   "军",   "洋",   "勇",   "艳",   "杰",   "娟",
                                  "涛",   "明",   "超",   "秀英", "霞",   "平",   "刚",
                                  "桂英", "建华", "志强", "海燕", "晓东", "春梅", "文博"};
constexpr std::size_t RowsPerInsert = 400;

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c;
        if (c == '\'')
            quoted += '\'';
    }
    return quoted + "'";
}

struct LoadedPaper {
    TQFileHandle handle;
    std::string sha256;
    std::string title;
    std::string hex;
    std::vector<double> difficulty; // by question
    std::vector<double> slope;      // by question; a negative one makes a flawed question
};

void Load(LoadedPaper& paper, const std::filesystem::path& file, std::mt19937& random) {
    paper.handle.LoadFromFile(file);
    QFile bytes(QString::fromStdString(file.string()));
    if (!bytes.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + file.string());
    const QByteArray content = bytes.readAll();
    paper.sha256 =
        QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex().toStdString();
    paper.hex = content.toHex().toStdString();
    paper.title = platform::FromGbk(paper.handle.PaperTitle).toStdString();
    std::uniform_real_distribution<double> difficulty(-1.8, 1.2), slope(0.6, 2.0);
    for (int32_t at = 0; at < paper.handle.QuestionCount(); ++at) {
        paper.difficulty.push_back(difficulty(random));
        paper.slope.push_back(slope(random));
    }
    // One question the strong get wrong more often, and one that everybody gets right.
    if (paper.slope.size() > 4) {
        paper.slope[3] = -0.8;
        paper.difficulty[1] = -4;
    }
}

std::string Token(std::mt19937& random) {
    static const char* digits = "0123456789abcdef";
    std::string token;
    for (const int length : {8, 4, 4, 4, 12}) {
        if (!token.empty())
            token += '-';
        for (int i = 0; i < length; ++i)
            token += digits[random() % 16];
    }
    return token;
}

// An answer to the question by an examinee who gets it right with probability p, in the
// panels' form.
std::vector<int32_t> AnswerOf(const TQuestion& question, double p, std::mt19937& random) {
    std::uniform_real_distribution<double> unit(0, 1);
    std::vector<int32_t> answer = answernotation::KeyOf(question);
    const auto rows = answer.size();
    if (unit(random) < 0.03) // left open
        return std::vector<int32_t>(
            rows, answernotation::KindOf(question) == answernotation::Kind::Matching ? -1 : 0);
    if (dynamic_cast<const TQSingle*>(&question)) {
        if (unit(random) >= p && rows > 1) {
            std::fill(answer.begin(), answer.end(), 0);
            answer[random() % rows] = 1;
        }
    } else if (dynamic_cast<const TQMulti*>(&question)) {
        if (unit(random) >= p) {
            for (int32_t& tick : answer)
                tick = unit(random) < 0.3 ? 1 - tick : tick;
        }
    } else {
        const auto choices = static_cast<std::size_t>(question.OptionCount()) - rows;
        for (int32_t& letter : answer)
            letter = unit(random) < p || choices == 0 ? letter
                                                      : static_cast<int32_t>(random() % choices);
    }
    return answer;
}

// Multi-row inserts, for speed with a million rows; each statement is written whole, so that
// the tables' statements may alternate.
class Inserts final {
public:
    Inserts(std::ostream& out, std::string head) : out(out), head(std::move(head)) {}
    void Add(const std::string& values) {
        statement += (rows == 0 ? head + "\n(" : std::string(",\n(")) + values + ')';
        if (++rows == RowsPerInsert)
            Flush();
    }
    void Flush() {
        if (rows > 0)
            out << statement << ";\n";
        statement.clear();
        rows = 0;
    }

private:
    std::ostream& out;
    std::string head;
    std::string statement;
    std::size_t rows = 0;
};

std::string Name(std::mt19937& random) {
    return std::string(Surnames[random() % std::size(Surnames)]) +
           GivenNames[random() % std::size(GivenNames)];
}

// The sitting of the attempts: its row, its papers, and the roster and runs as they come.
class DemoSitting final {
public:
    DemoSitting(std::ostream& out, const Settings& settings)
        : out(out), on(!settings.sittingTitle.empty()),
          roster(out, "INSERT OR IGNORE INTO Roster (Town, Fac, Name) VALUES"),
          starts(out, "INSERT INTO AttemptStart (Token, SittingId, Town, Fac, Name, PaperSha256, "
                      "StartTime) VALUES") {
        if (on)
            out << "INSERT INTO Sitting (Id, Title, OpensAt, ClosesAt, PassMark) VALUES (1, "
                << Quoted(settings.sittingTitle) << ", " << Quoted(settings.firstDay + " 08:00:00")
                << ", " << Quoted(settings.sittingClosesAt) << ", 60);\n";
    }
    void Paper(const std::string& sha256) {
        if (on)
            out << "INSERT INTO SittingPaper (SittingId, PaperSha256) VALUES (1, " << Quoted(sha256)
                << ");\n";
    }
    // A run of the person; on the roster unless an outsider.
    void Run(const std::string& token, const std::string& person, const std::string& sha256,
             const std::string& start, bool outsider) {
        if (!on)
            return;
        starts.Add(Quoted(token) + ", 1, " + person + ", " + Quoted(sha256) + ", " + start);
        if (!outsider)
            roster.Add(person);
    }
    void Absentee(const std::string& person) {
        if (on)
            roster.Add(person);
    }
    void Flush() {
        roster.Flush();
        starts.Flush();
    }

private:
    std::ostream& out;
    bool on;
    class Inserts roster;
    class Inserts starts;
};

} // namespace

void WriteAttemptsSql(std::ostream& out, const std::vector<std::filesystem::path>& files,
                      const std::vector<Unit>& units, const Settings& settings) {
    std::mt19937 random(settings.seed);
    std::vector<LoadedPaper> papers(files.size());
    out << "BEGIN;\n";
    for (std::size_t at = 0; at < files.size(); ++at) {
        Load(papers[at], files[at], random);
        out << "INSERT INTO Paper (Sha256, Title, Bytes) VALUES (" << Quoted(papers[at].sha256)
            << ", " << Quoted(papers[at].title) << ", X'" << papers[at].hex << "');\n";
    }
    DemoSitting sitting(out, settings);
    for (const LoadedPaper& paper : papers)
        sitting.Paper(paper.sha256);
    std::normal_distribution<double> ability(0.3, 1.0);
    std::uniform_real_distribution<double> unit(0, 1);
    const QDateTime first = QDateTime::fromString(
        QString::fromStdString(settings.firstDay) + u" 08:00:00"_qs, u"yyyy-MM-dd HH:mm:ss"_qs);
    Inserts scores(out, "INSERT INTO Score (Town, Fac, Name, Score, STime) VALUES");
    Inserts attempts(out, "INSERT INTO Attempt (Token, Town, Fac, Name, Score, STime, PaperSha256, "
                          "StartTime, EndTime, Ending, Elapsed, Resumes, AwaySeconds) VALUES");
    Inserts answers(out,
                    "INSERT INTO AttemptAnswer (Token, Question, Answer, Marks, FullMarks) VALUES");
    for (int number = 0; number < settings.attempts; ++number) {
        // The first paper is the one most examined.
        LoadedPaper& paper =
            papers[papers.size() > 1 && unit(random) < 0.4 ? 1 + random() % (papers.size() - 1)
                                                           : 0];
        const Unit& where = units[random() % units.size()];
        const std::string name = Name(random);
        const double theta = ability(random);
        const std::string token = Token(random);
        const double roll = unit(random);
        const std::string ending = roll < 0.04 ? "abandon" : roll < 0.12 ? "timeout" : "handin";
        long long total = 0;
        std::vector<std::string> rows;
        for (int32_t at = 0; at < paper.handle.QuestionCount(); ++at) {
            const TQuestion& question = *paper.handle.GetQuestion(at);
            const double p =
                1 / (1 + std::exp(-1.7 * paper.slope[static_cast<std::size_t>(at)] *
                                  (theta - paper.difficulty[static_cast<std::size_t>(at)])));
            const std::vector<int32_t> answer = AnswerOf(question, p, random);
            const int32_t marks = scoring::Score(question, answer);
            total += marks;
            rows.push_back(
                Quoted(token) + ", " + std::to_string(at) + ", " +
                Quoted(answernotation::Format(answernotation::KindOf(question), answer)) + ", " +
                std::to_string(marks) + ", " + std::to_string(question.FullMarks));
        }
        const long long score = ending == "abandon" ? 0 : total;
        const int limit = std::max(600, paper.handle.TimeLimit);
        const long long elapsed =
            ending == "timeout" ? limit : 300 + static_cast<long long>(random() % (limit - 300));
        const bool resumed = unit(random) < 0.05;
        const long long away = resumed ? 30 + random() % 270 : 0;
        const QDateTime start = first.addDays(number * 20 / std::max(1, settings.attempts))
                                    .addSecs(static_cast<qint64>(number % 97) * 151 + number % 13);
        const QDateTime end = start.addSecs(elapsed + away);
        auto text = [](const QDateTime& moment) {
            return "'" + moment.toString(u"yyyy-MM-dd HH:mm:ss"_qs).toStdString() + "'";
        };
        const std::string five = Quoted(where.town) + ", " + Quoted(where.name) + ", " +
                                 Quoted(name) + ", " + std::to_string(score) + ", " + text(end);
        scores.Add(five);
        attempts.Add(Quoted(token) + ", " + five + ", " + Quoted(paper.sha256) + ", " +
                     text(start) + ", " + text(end) + ", " + Quoted(ending) + ", " +
                     std::to_string(elapsed) + ", " + std::to_string(resumed ? 1 : 0) + ", " +
                     std::to_string(away));
        for (const std::string& row : rows)
            answers.Add(row);
        sitting.Run(token, Quoted(where.town) + ", " + Quoted(where.name) + ", " + Quoted(name),
                    paper.sha256, text(start), number % 25 == 24);
    }
    for (std::size_t at = 0; at < std::min<std::size_t>(10, units.size()); ++at)
        for (int absent = 0; absent < 2; ++absent)
            sitting.Absentee(Quoted(units[at].town) + ", " + Quoted(units[at].name) + ", " +
                             Quoted(Name(random)));
    for (int running = 0; running < 3; ++running) {
        const Unit& where = units[random() % units.size()];
        sitting.Run(Token(random),
                    Quoted(where.town) + ", " + Quoted(where.name) + ", " + Quoted(Name(random)),
                    papers.front().sha256, "'" + settings.firstDay + " 09:00:00'", false);
    }
    sitting.Flush();
    scores.Flush();
    attempts.Flush();
    answers.Flush();
    out << "COMMIT;\n";
}

} // namespace demoattempts
