#include "examdb/Check.h"

#include "examdb/Database.h"
#include "platform/ConnectionString.h"

namespace examdb {
namespace {

std::optional<qint64> CountOf(Database& database, const QString& table) {
    if (!database.SuiteTablesPresent().contains(table))
        return std::nullopt;
    try {
        QSqlQuery query = database.Run(u"select count(*) from %1"_qs.arg(table));
        if (query.next())
            return query.value(0).toLongLong();
    } catch (const Failure&) {
        // An account without the right to read the table: the count stays unknown.
    }
    return std::nullopt;
}

// A desk account sees no score row under the row-level security of the roles script, although
// its count runs. The owner and superusers, members of every role, are not subject to it.
bool IsDeskAccount(Database& database) {
    if (database.Kind() != Dialect::Postgresql)
        return false;
    QSqlQuery query = database.Run(
        u"select row_security_active('score') and case when exists (select 1 from pg_roles "
        "where rolname = 'exam_desk') then pg_has_role(current_user, 'exam_desk', 'MEMBER') "
        "else false end"_qs);
    return query.next() && query.value(0).toBool();
}

void CheckScoreAccess(Database& database, ConnectionCheck& check) {
    if (!check.tables.contains(u"Score"_qs)) {
        check.scoreAccess = u"没有成绩表 Score"_qs;
    } else if (!check.scores) {
        check.scoreAccess = u"不能读取成绩（本账户无权读 Score）"_qs;
    } else if (IsDeskAccount(database)) {
        check.scoreAccess = u"不能读取成绩：这是考试机账户，只能追加成绩"_qs;
    } else {
        check.canReadScores = true;
        check.scoreAccess = u"能读取成绩"_qs;
    }
}

QString CountText(const std::optional<qint64>& count) {
    return count ? QString::number(*count) : u"?"_qs;
}

} // namespace

bool ConnectionCheck::Usable() const {
    return error.isEmpty() && tables.contains(u"town"_qs) && tables.contains(u"Fac"_qs) &&
           tables.contains(u"Score"_qs);
}

ConnectionCheck CheckConnection(const QString& section, const QString& connectionString) {
    ConnectionCheck check;
    check.section = section;
    try {
        Database database(connectionString);
        check.server = database.Describe();
        check.tables = database.SuiteTablesPresent();
        check.towns = CountOf(database, u"town"_qs);
        check.units = CountOf(database, u"Fac"_qs);
        check.scores = CountOf(database, u"Score"_qs);
        CheckScoreAccess(database, check);
    } catch (const Failure& e) {
        check.error = e.message();
    }
    return check;
}

QString CheckReport(const ConnectionCheck& check) {
    QStringList lines{u"[%1]"_qs.arg(check.section)};
    if (!check.error.isEmpty()) {
        lines << u"  连接失败：%1"_qs.arg(platform::MaskPasswords(check.error));
        return lines.join(u'\n') + u'\n';
    }
    lines << u"  服务器：%1"_qs.arg(check.server);
    QStringList missing;
    for (const QString& table : SuiteTables()) {
        if (!check.tables.contains(table))
            missing << table;
    }
    lines << u"  已有的表：%1"_qs.arg(check.tables.isEmpty() ? u"（无）"_qs
                                                             : check.tables.join(u", "_qs));
    if (!missing.isEmpty())
        lines << u"  缺少的表：%1（examdb init --missing-only 可补建）"_qs.arg(
            missing.join(u", "_qs));
    lines << u"  乡镇 %1 个，单位 %2 个，成绩 %3 条"_qs.arg(
        CountText(check.towns), CountText(check.units), CountText(check.scores));
    lines << u"  本账户%1"_qs.arg(check.scoreAccess);
    lines << (check.Usable() ? u"  可以使用"_qs : u"  不能使用：缺少 town、Fac 或 Score 表"_qs);
    return lines.join(u'\n') + u'\n';
}

} // namespace examdb
