#include "examdb/Roster.h"

#include "common/FuncUnit.h"
#include "examdb/StoreCall.h"
#include "examdb/TableFiles.h"
#include "examdb/Units.h"

#include <QHash>
#include <QSet>

namespace examdb {
namespace {

const QStringList RosterColumns{u"乡镇"_qs, u"单位"_qs, u"姓名"_qs};

std::string Utf8(const QString& text) {
    return text.toStdString();
}

} // namespace

RosterImport ImportRoster(Database& database, const QString& file, bool replace) {
    const sheets::Table table = ReadTableFile(file);
    const std::vector<qsizetype> columns = ColumnsOf(file, table, RosterColumns);
    const QSet<QString> units = UnitPaths(database);
    RosterImport result;
    std::vector<records::RosterEntry> entries;
    QHash<QString, int> rowOf; // the row each person was first named on
    for (size_t r = 1; r < table.rows.size(); ++r) {
        const sheets::TableRow& row = table.rows[r];
        const QString town = TrimText(row.cells.value(columns[0]));
        const QString unit = TrimText(row.cells.value(columns[1]));
        const QString name = TrimText(row.cells.value(columns[2]));
        if (town.isEmpty() && unit.isEmpty() && name.isEmpty())
            continue;
        const auto fault = [&](const QString& message) {
            result.faults.push_back({{file, row.number}, message});
        };
        if (name.isEmpty()) {
            fault(u"姓名为空"_qs);
            continue;
        }
        if (!units.contains(town + u'/' + unit)) {
            fault(u"乡镇“%1”下没有单位“%2”"_qs.arg(town, unit));
            continue;
        }
        const QString person = town + u'/' + unit + u'/' + name;
        if (const auto earlier = rowOf.constFind(person); earlier != rowOf.cend()) {
            fault(u"%1（%2 %3）与第 %4 行重复"_qs.arg(name, town, unit).arg(*earlier));
            continue;
        }
        rowOf.insert(person, row.number);
        entries.push_back({Utf8(town), Utf8(unit), Utf8(name)});
    }
    if (!result.faults.empty())
        return result;
    const records::RosterChange change =
        StoreCall(database, u"写入名单"_qs, [&](const QSqlDatabase& connection) {
            return records::StoreRoster(connection, entries, replace);
        });
    result.added = change.added;
    result.removed = change.removed;
    return result;
}

int ExportRoster(Database& database, const QString& file) {
    std::vector<QStringList> rows{RosterColumns};
    const auto roster = StoreCall(database, u"读取名单"_qs, records::ReadRoster);
    for (const records::RosterEntry& entry : roster)
        rows.push_back({QString::fromStdString(entry.town), QString::fromStdString(entry.fac),
                        QString::fromStdString(entry.name)});
    WriteTableFile(file, u"名单"_qs, rows, {16, 30, 12});
    return static_cast<int>(rows.size() - 1);
}

} // namespace examdb
