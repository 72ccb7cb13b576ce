#include "examdb/Sittings.h"

#include "common/FuncUnit.h"
#include "examdb/StoreCall.h"
#include "examdb/TableFiles.h"
#include "examdb/Units.h"
#include "sheets/Table.h"

#include <QDateTime>
#include <QSet>

namespace examdb {
namespace {

std::string Utf8(const QString& text) {
    return text.toStdString();
}

// Collects the faults of a request, so that all of them are told at once.
class Faults {
public:
    void Add(const QString& line) { lines << line; }
    void ThrowIfAny() const {
        if (!lines.isEmpty())
            throw Failure(lines.join(u'\n') +
                          u"\n有 %1 处错误，什么都没有写入"_qs.arg(lines.size()));
    }

private:
    QStringList lines;
};

std::string TimeOf(const QString& option, const QString& text, Faults& faults) {
    const QDateTime time = QDateTime::fromString(TrimText(text), u"yyyy-MM-dd HH:mm"_qs);
    if (!time.isValid()) {
        faults.Add(u"%1 “%2”不是“yyyy-MM-dd HH:mm”形式的时间"_qs.arg(option, text));
        return {};
    }
    return Utf8(time.toString(u"yyyy-MM-dd HH:mm:ss"_qs));
}

std::optional<int> PassMarkOf(const QString& text, Faults& faults) {
    if (text.isEmpty())
        return std::nullopt;
    bool number = false;
    const int mark = TrimText(text).toInt(&number);
    if (!number || mark < 0) {
        faults.Add(u"--pass-mark “%1”不是不小于 0 的整数"_qs.arg(text));
        return std::nullopt;
    }
    return mark;
}

std::vector<records::SittingUnit> UnitsOf(Database& database, const SittingRequest& request,
                                          Faults& faults) {
    QSet<QString> towns;
    for (QSqlQuery query = database.Run(u"SELECT name FROM town"_qs); query.next();)
        towns.insert(query.value(0).toString());
    const QSet<QString> units = UnitPaths(database);
    std::vector<records::SittingUnit> admitted;
    for (const QString& given : request.units) {
        const qsizetype slash = given.indexOf(u'/');
        const QString town = TrimText(given.left(slash));
        const QString unit = slash < 0 ? QString() : TrimText(given.mid(slash + 1));
        if (slash < 0 || town.isEmpty() || unit.isEmpty())
            faults.Add(u"--unit “%1”应写成“乡镇/单位”"_qs.arg(given));
        else if (!units.contains(town + u'/' + unit))
            faults.Add(u"--unit：乡镇“%1”下没有单位“%2”"_qs.arg(town, unit));
        else
            admitted.push_back({Utf8(town), Utf8(unit)});
    }
    for (const QString& given : request.towns) {
        const QString town = TrimText(given);
        if (!towns.contains(town))
            faults.Add(u"--town：没有乡镇“%1”"_qs.arg(given));
        else
            admitted.push_back({Utf8(town), {}});
    }
    return admitted;
}

std::vector<records::PaperToPublish> PapersOf(const QStringList& files, Faults& faults) {
    std::vector<records::PaperToPublish> papers;
    for (const QString& file : files) {
        try {
            papers.push_back(records::ReadPaperToPublish(file));
        } catch (const std::exception& e) {
            faults.Add(sheets::FaultLine({{file, 0}, QString::fromUtf8(e.what())}));
        }
    }
    return papers;
}

records::StoredSitting SittingOf(Database& database, const QString& id) {
    bool number = false;
    const long long value = TrimText(id).toLongLong(&number);
    std::optional<records::StoredSitting> sitting;
    if (number)
        sitting = StoreCall(database, u"读取场次"_qs, [&](const QSqlDatabase& connection) {
            return records::ReadSitting(connection, value);
        });
    if (!sitting)
        throw Failure(u"%1：没有编号为 %2 的场次"_qs.arg(database.Describe(), id));
    return *sitting;
}

records::SittingReport ReportOf(Database& database, const QString& id) {
    const records::StoredSitting sitting = SittingOf(database, id);
    return StoreCall(database, u"统计场次"_qs, [&](const QSqlDatabase& connection) {
        return records::ReadSittingReport(connection, sitting);
    });
}

int WriteTextTable(const QString& file, const QString& sheet, const records::TextTable& table,
                   const std::vector<double>& widths) {
    std::vector<QStringList> rows;
    for (const std::vector<std::string>& cells : table) {
        QStringList row;
        for (const std::string& cell : cells)
            row << Utf8Text(cell);
        rows.push_back(row);
    }
    WriteTableFile(file, sheet, rows, widths);
    return static_cast<int>(rows.size()) - 1;
}

} // namespace

long long PublishSitting(Database& database, const SittingRequest& request) {
    Faults faults;
    records::NewSitting sitting;
    sitting.title = Utf8(TrimText(request.title));
    sitting.opensAt = TimeOf(u"--opens"_qs, request.opens, faults);
    sitting.closesAt = TimeOf(u"--closes"_qs, request.closes, faults);
    sitting.passMark = PassMarkOf(request.passMark, faults);
    sitting.units = UnitsOf(database, request, faults);
    sitting.papers = PapersOf(request.papers, faults);
    faults.ThrowIfAny();
    // What the options say may still make no sitting: told once they all read.
    for (const std::string& fault : records::SittingFaults(sitting))
        faults.Add(Utf8Text(fault));
    faults.ThrowIfAny();
    return StoreCall(database, u"发布场次"_qs, [&](const QSqlDatabase& connection) {
        return records::AddSitting(connection, sitting);
    });
}

QString SittingList(Database& database) {
    const auto sittings = StoreCall(database, u"读取场次"_qs, records::ReadSittings);
    const std::string now = StoreCall(database, u"读取时间"_qs, records::DatabaseNow);
    QString text;
    for (const std::vector<std::string>& row : records::SittingTable(sittings, now)) {
        QStringList cells;
        for (const std::string& cell : row)
            cells << Utf8Text(cell);
        text += cells.join(u'\t') + u'\n';
    }
    return text;
}

QString CloseSittingNow(Database& database, const QString& id) {
    const records::StoredSitting stored = SittingOf(database, id);
    const std::string now = StoreCall(database, u"读取时间"_qs, records::DatabaseNow);
    if (records::StatusAt(stored.sitting, now) == records::SittingStatus::Closed)
        return u"场次 %1 已于 %2 结束，未做改动"_qs.arg(stored.sitting.id)
            .arg(Utf8Text(stored.sitting.closesAt));
    StoreCall(database, u"结束场次"_qs, [&](const QSqlDatabase& connection) {
        return records::CloseSitting(connection, stored.sitting.id, now);
    });
    return u"场次 %1 已结束于 %2"_qs.arg(stored.sitting.id).arg(Utf8Text(now));
}

int WriteSittingReport(Database& database, const QString& id, const QString& file) {
    return WriteTextTable(file, u"场次报表"_qs, records::ReportTable(ReportOf(database, id)),
                          {14, 28, 8, 8, 8, 8, 8, 10});
}

int WriteSittingAbsentees(Database& database, const QString& id, const QString& file) {
    return WriteTextTable(file, u"缺考名单"_qs, records::AbsenteeTable(ReportOf(database, id)),
                          {14, 28, 12});
}

} // namespace examdb
