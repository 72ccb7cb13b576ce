#include "examdb/Units.h"

#include "common/FuncUnit.h"
#include "examdb/TableFiles.h"

#include <QHash>
#include <QSet>
#include <algorithm>

namespace examdb {
namespace {

using sheets::Fault;
using sheets::Table;

struct Columns {
    qsizetype town = -1;
    qsizetype unit = -1;
    qsizetype kind = -1;
};

Columns UnitColumnsOf(const QString& file, const Table& table) {
    const std::vector<qsizetype> found =
        ColumnsOf(file, table, {TownColumn, UnitColumn, KindColumn});
    return {found[0], found[1], found[2]};
}

QString KindName(bool village) {
    return village ? VillageKind : InstitutionKind;
}

// What a unit is known as so far: its town and kind, and the row that said so.
struct KnownUnit {
    QString town;
    bool village = false;
    int row = 0;
};

} // namespace

UnitsFile ReadUnitsFile(const QString& file) {
    const Table table = ReadTableFile(file);
    const Columns columns = UnitColumnsOf(file, table);
    UnitsFile result;
    QHash<QString, KnownUnit> units;
    for (size_t r = 1; r < table.rows.size(); ++r) {
        const sheets::TableRow& cells = table.rows[r];
        UnitRow row{cells.number, TrimText(cells.cells.value(columns.town)),
                    TrimText(cells.cells.value(columns.unit)), false};
        const QString kind = TrimText(cells.cells.value(columns.kind));
        if (row.town.isEmpty() && row.unit.isEmpty() && kind.isEmpty())
            continue;
        const auto fault = [&](const QString& message) {
            result.faults.push_back({{file, row.row}, message});
        };
        if (row.town.isEmpty()) {
            fault(u"乡镇名称为空"_qs);
            continue;
        }
        if (row.unit.isEmpty() && kind.isEmpty()) {
            result.rows.push_back(row);
            continue;
        }
        if (row.unit.isEmpty()) {
            fault(u"单位名称为空"_qs);
            continue;
        }
        if (kind != InstitutionKind && kind != VillageKind) {
            fault(u"类型“%1”不对，应为“事业单位”或“行政村”"_qs.arg(kind));
            continue;
        }
        row.village = kind == VillageKind;
        const auto known = units.constFind(row.unit);
        if (known != units.cend() && (known->town != row.town || known->village != row.village)) {
            fault(u"单位“%1”在第 %2 行是 %3 的%4，这里却是 %5 的%6"_qs.arg(
                row.unit, QString::number(known->row), known->town, KindName(known->village),
                row.town, KindName(row.village)));
            continue;
        }
        units.insert(row.unit, {row.town, row.village, row.row});
        result.rows.push_back(row);
    }
    return result;
}

ImportResult ImportUnits(Database& database, const QString& file) {
    UnitsFile units = ReadUnitsFile(file);
    ImportResult result;
    result.faults = std::move(units.faults);
    QSet<QString> towns;
    for (QSqlQuery query = database.Run(u"select name from town"_qs); query.next();)
        towns.insert(query.value(0).toString());
    QHash<QString, KnownUnit> present;
    for (QSqlQuery query = database.Run(u"select name, Belong, type from Fac"_qs); query.next();)
        present.insert(query.value(0).toString(),
                       {query.value(1).toString(), query.value(2).toBool(), 0});
    std::vector<UnitRow> newUnits;
    QStringList newTowns;
    for (const UnitRow& row : units.rows) {
        if (!towns.contains(row.town) && !newTowns.contains(row.town))
            newTowns << row.town;
        if (row.unit.isEmpty())
            continue;
        const auto known = present.constFind(row.unit);
        if (known == present.cend()) {
            present.insert(row.unit, {row.town, row.village, row.row});
            newUnits.push_back(row);
        } else if (known->town != row.town || known->village != row.village) {
            result.faults.push_back({{file, row.row},
                                     u"单位“%1”在数据库中是 %2 的%3，这里却是 %4 的%5"_qs.arg(
                                         row.unit, known->town, KindName(known->village), row.town,
                                         KindName(row.village))});
        }
    }
    std::stable_sort(result.faults.begin(), result.faults.end(),
                     [](const Fault& a, const Fault& b) { return a.place.row < b.place.row; });
    if (!result.faults.empty())
        return result;
    database.InTransaction([&] {
        for (const QString& town : newTowns)
            database.Run(u"insert into town (name) values (?)"_qs, {town});
        for (const UnitRow& row : newUnits)
            database.Run(u"insert into Fac (name, Belong, type) values (?, ?, ?)"_qs,
                         {row.unit, row.town, row.village});
    });
    result.townsAdded = static_cast<int>(newTowns.size());
    result.unitsAdded = static_cast<int>(newUnits.size());
    return result;
}

QSet<QString> UnitPaths(Database& database) {
    QSet<QString> units;
    for (QSqlQuery query = database.Run(u"SELECT Belong, name FROM Fac"_qs); query.next();)
        units.insert(query.value(0).toString() + u'/' + query.value(1).toString());
    return units;
}

int ExportUnits(Database& database, const QString& file) {
    // Towns in their order, each with its units; units of a town the table lacks come last.
    QStringList towns;
    for (QSqlQuery query = database.Run(u"select name from town order by id"_qs); query.next();)
        towns << query.value(0).toString();
    QHash<QString, std::vector<QStringList>> unitsOf;
    for (QSqlQuery query = database.Run(u"select Belong, name, type from Fac order by id"_qs);
         query.next();) {
        const QString town = query.value(0).toString();
        if (!towns.contains(town))
            towns << town;
        unitsOf[town].push_back(
            {town, query.value(1).toString(), KindName(query.value(2).toBool())});
    }
    std::vector<QStringList> rows{{TownColumn, UnitColumn, KindColumn}};
    for (const QString& town : towns) {
        const auto units = unitsOf.constFind(town);
        if (units == unitsOf.cend())
            rows.push_back({town, QString(), QString()});
        else
            rows.insert(rows.end(), units->begin(), units->end());
    }
    WriteTableFile(file, u"乡镇单位"_qs, rows, {16, 30, 10});
    return static_cast<int>(rows.size() - 1);
}

} // namespace examdb
