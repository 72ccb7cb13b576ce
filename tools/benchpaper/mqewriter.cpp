// mqewriter <description.json> <output.mqe>: writes the paper a JSON description gives, its
// texts in GBK. mqewriter --bench-paper <output.mqe>: writes the large benchmark paper.

#include "platform/CodePage.h"
#include "tools/benchpaper/BenchPaper.h"
#include "exam/PaperWriter.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <cstdio>
#include <limits>
#include <set>
#include <stdexcept>

namespace {

using paperwriter::Kind;
using paperwriter::Paper;
using paperwriter::Question;

class DescriptionError final : public std::runtime_error {
public:
    explicit DescriptionError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// Texts are written in GBK with CR LF line ends, as the authoring tool writes them.
std::string GbkText(const QString& text, const QString& where) {
    QString crlf = text;
    crlf.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    crlf.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    std::string gbk = platform::ToGbk(crlf);
    if (platform::FromGbk(gbk) != crlf)
        throw DescriptionError(where + ": the text holds characters that GBK cannot encode");
    return gbk;
}

QJsonValue Required(const QJsonObject& object, const char* key, const QString& where) {
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isUndefined())
        throw DescriptionError(where + QStringLiteral(": \"%1\" is missing").arg(key));
    return value;
}

QString TextOf(const QJsonValue& value, const QString& where) {
    if (!value.isString())
        throw DescriptionError(where + QStringLiteral(": a text is expected"));
    return value.toString();
}

int IntegerOf(const QJsonValue& value, const QString& where, int low, int high) {
    const double number = value.toDouble(std::numeric_limits<double>::quiet_NaN());
    if (!value.isDouble() || number != static_cast<double>(static_cast<long long>(number)) ||
        number < low || number > high)
        throw DescriptionError(
            where + QStringLiteral(": an integer from %1 to %2 is expected").arg(low).arg(high));
    return static_cast<int>(number);
}

std::vector<std::string> TextsOf(const QJsonValue& value, const QString& where) {
    if (!value.isArray())
        throw DescriptionError(where + QStringLiteral(": a list of texts is expected"));
    std::vector<std::string> texts;
    const QJsonArray array = value.toArray();
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QString at = where + QStringLiteral("[%1]").arg(i);
        texts.push_back(GbkText(TextOf(array[i], at), at));
    }
    return texts;
}

std::vector<int> IndicesOf(const QJsonValue& value, const QString& where, int count) {
    if (!value.isArray())
        throw DescriptionError(where + QStringLiteral(": a list of indices is expected"));
    std::vector<int> indices;
    const QJsonArray array = value.toArray();
    for (qsizetype i = 0; i < array.size(); ++i)
        indices.push_back(IntegerOf(array[i], where + QStringLiteral("[%1]").arg(i), 0, count - 1));
    return indices;
}

void CheckOptionCount(size_t count, const QString& where) {
    if (count == 0 || count > 256)
        throw DescriptionError(where + QStringLiteral(": 1 to 256 options are expected"));
}

void ReadSingle(const QJsonObject& object, const QString& where, Question& q) {
    q.options = TextsOf(Required(object, "options", where), where + QStringLiteral(".options"));
    CheckOptionCount(q.options.size(), where);
    q.key = IntegerOf(Required(object, "key", where), where + QStringLiteral(".key"), 0,
                      static_cast<int>(q.options.size()) - 1);
}

void ReadMulti(const QJsonObject& object, const QString& where, Question& q) {
    q.options = TextsOf(Required(object, "options", where), where + QStringLiteral(".options"));
    CheckOptionCount(q.options.size(), where);
    const auto ticked =
        IndicesOf(Required(object, "answer", where), where + QStringLiteral(".answer"),
                  static_cast<int>(q.options.size()));
    if (ticked.empty())
        throw DescriptionError(where + QStringLiteral(".answer: at least one option is expected"));
    if (std::set<int>(ticked.begin(), ticked.end()).size() != ticked.size())
        throw DescriptionError(where + QStringLiteral(".answer: an option is listed twice"));
    for (int option : ticked)
        q.answer[option] = 1;
}

void ReadMatching(const QJsonObject& object, const QString& where, Question& q) {
    const auto items = TextsOf(Required(object, "items", where), where + QStringLiteral(".items"));
    const auto choices =
        TextsOf(Required(object, "choices", where), where + QStringLiteral(".choices"));
    if (items.empty() || choices.empty())
        throw DescriptionError(where + QStringLiteral(": items and choices may not be empty"));
    q.options = items;
    q.options.insert(q.options.end(), choices.begin(), choices.end());
    CheckOptionCount(q.options.size(), where);
    q.leftCount = static_cast<int32_t>(items.size());
    const auto answer =
        IndicesOf(Required(object, "answer", where), where + QStringLiteral(".answer"),
                  static_cast<int>(choices.size()));
    if (answer.size() != items.size())
        throw DescriptionError(where + QStringLiteral(".answer: one choice per item is expected"));
    for (size_t i = 0; i < answer.size(); ++i)
        q.answer[i] = static_cast<uint8_t>(answer[i]);
}

Question ReadQuestion(const QJsonValue& value, const QString& where) {
    if (!value.isObject())
        throw DescriptionError(where + QStringLiteral(": an object is expected"));
    const QJsonObject object = value.toObject();
    Question q;
    q.stem = GbkText(TextOf(Required(object, "stem", where), where + QStringLiteral(".stem")),
                     where + QStringLiteral(".stem"));
    q.fullMarks = IntegerOf(Required(object, "fullMarks", where),
                            where + QStringLiteral(".fullMarks"), 0, 1000);
    const QJsonValue allOrNothing = object.value(QLatin1String("allOrNothing"));
    if (!allOrNothing.isUndefined() && !allOrNothing.isBool())
        throw DescriptionError(where + QStringLiteral(".allOrNothing: true or false is expected"));
    q.allOrNothing = allOrNothing.toBool() ? 1 : 0;

    const QString kind = TextOf(Required(object, "kind", where), where + QStringLiteral(".kind"));
    if (kind == QLatin1String("single")) {
        q.kind = Kind::Single;
        ReadSingle(object, where, q);
    } else if (kind == QLatin1String("multi")) {
        q.kind = Kind::Multi;
        ReadMulti(object, where, q);
    } else if (kind == QLatin1String("matching")) {
        q.kind = Kind::Matching;
        ReadMatching(object, where, q);
    } else {
        throw DescriptionError(where +
                               QStringLiteral(".kind: \"single\", \"multi\" or \"matching\" "
                                              "is expected, not \"%1\"")
                                   .arg(kind));
    }
    return q;
}

std::string HeaderText(const QJsonObject& object, const char* key, bool required) {
    const QString where = QLatin1String(key);
    const QJsonValue value = required ? Required(object, key, QStringLiteral("paper"))
                                      : object.value(QLatin1String(key));
    if (value.isUndefined())
        return {};
    std::string gbk = GbkText(TextOf(value, where), where);
    if (gbk.size() > 255)
        throw DescriptionError(where + QStringLiteral(": at most 255 GBK bytes are allowed"));
    return gbk;
}

Paper ReadDescription(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw DescriptionError(QStringLiteral("cannot read: ") + file.errorString());
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (document.isNull())
        throw DescriptionError(QStringLiteral("not valid JSON at byte %1: %2")
                                   .arg(parseError.offset)
                                   .arg(parseError.errorString()));
    if (!document.isObject())
        throw DescriptionError(QStringLiteral("the paper must be a JSON object"));
    const QJsonObject object = document.object();

    Paper paper;
    paper.title = HeaderText(object, "title", true);
    paper.rules = HeaderText(object, "rules", false);
    const QJsonValue timeLimit = object.value(QLatin1String("timeLimit"));
    if (!timeLimit.isUndefined())
        paper.timeLimit = IntegerOf(timeLimit, QStringLiteral("timeLimit"), 1, 24 * 3600);

    const QJsonValue questions = Required(object, "questions", QStringLiteral("paper"));
    if (!questions.isArray() || questions.toArray().isEmpty() || questions.toArray().size() > 256)
        throw DescriptionError(
            QStringLiteral("questions: a list of 1 to 256 questions is expected"));
    const QJsonArray array = questions.toArray();
    for (qsizetype i = 0; i < array.size(); ++i)
        paper.questions.push_back(ReadQuestion(array[i], QStringLiteral("questions[%1]").arg(i)));
    return paper;
}

int Usage() {
    std::fputs("usage: mqewriter <description.json> <output.mqe>\n"
               "       mqewriter --bench-paper <output.mqe>\n",
               stderr);
    return 1;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 3)
        return Usage();
    const QString source = QString::fromLocal8Bit(argv[1]);
    const std::filesystem::path output = argv[2];
    try {
        const Paper paper = source == QLatin1String("--bench-paper") ? paperwriter::BenchPaper()
                                                                     : ReadDescription(source);
        paperwriter::WritePaperFile(paper, output);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mqewriter: %s: %s\n", argv[1], e.what());
        return 1;
    }
    return 0;
}
