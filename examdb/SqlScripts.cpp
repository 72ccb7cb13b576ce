#include "examdb/SqlScripts.h"

#include <QFile>
#include <QRegularExpression>
#include <stdexcept>

namespace examdb {
namespace {

QString Embedded(const QString& name) {
    QFile file(u":/sql/"_qs + name);
    if (!file.open(QIODevice::ReadOnly))
        throw std::logic_error("embedded SQL script missing: " + name.toStdString());
    return QString::fromUtf8(file.readAll());
}

QString Suffix(Dialect dialect) {
    switch (dialect) {
    case Dialect::Sqlite:
        return u"sqlite"_qs;
    case Dialect::Postgresql:
        return u"postgresql"_qs;
    case Dialect::SqlServer:
        return u"sqlserver"_qs;
    }
    return {};
}

QString SuiteTableNamed(const QString& name) {
    for (const QString& known : SuiteTables()) {
        if (known.compare(name, Qt::CaseInsensitive) == 0)
            return known;
    }
    throw std::logic_error("unknown table in the embedded SQL: " + name.toStdString());
}

TableStatement StatementOf(const QString& sql) {
    static const QRegularExpression pattern(
        u"^\\s*(?:CREATE\\s+(?:TABLE\\s+(\\w+)|(?:UNIQUE\\s+)?INDEX\\s+\\w+\\s+ON\\s+(\\w+))|"
        "ALTER\\s+TABLE\\s+(\\w+)\\s+ADD\\s+CONSTRAINT\\s+(\\w+))"_qs,
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(sql);
    if (!match.hasMatch())
        throw std::logic_error("statement of no table in the embedded SQL: " + sql.toStdString());
    // Exactly one of the three alternatives names the table.
    const QString table = match.captured(1) + match.captured(2) + match.captured(3);
    return {SuiteTableNamed(table), sql, match.captured(4)};
}

} // namespace

const QStringList& SuiteTables() {
    static const QStringList tables{u"town"_qs,    u"Fac"_qs,          u"Score"_qs,
                                    u"Paper"_qs,   u"Attempt"_qs,      u"AttemptAnswer"_qs,
                                    u"Sitting"_qs, u"SittingPaper"_qs, u"SittingUnit"_qs,
                                    u"Roster"_qs,  u"AttemptStart"_qs};
    return tables;
}

QString TableScripts(Dialect dialect) {
    return Embedded(u"schema-%1.sql"_qs.arg(Suffix(dialect))) + u'\n' +
           Embedded(u"attempts-%1.sql"_qs.arg(Suffix(dialect))) + u'\n' +
           Embedded(u"sittings-%1.sql"_qs.arg(Suffix(dialect)));
}

std::vector<TableStatement> TableStatements(Dialect dialect) {
    std::vector<TableStatement> statements;
    for (const QString& sql : SplitStatements(TableScripts(dialect)))
        statements.push_back(StatementOf(sql));
    return statements;
}

QString RolesScript() {
    return Embedded(u"roles-postgresql.sql"_qs);
}

QString DemoDataScript() {
    return Embedded(u"demo-data.sql"_qs);
}

QStringList SplitStatements(const QString& script) {
    QStringList lines;
    for (const QString& line : script.split(u'\n')) {
        if (!line.trimmed().startsWith(u"--"_qs))
            lines << line;
    }
    static const QRegularExpression end(u";\\s*\\n"_qs);
    QStringList statements;
    for (const QString& part : (lines.join(u'\n') + u'\n').split(end)) {
        QString sql = part.trimmed();
        if (sql.endsWith(u';'))
            sql.chop(1);
        if (!sql.isEmpty())
            statements << sql;
    }
    return statements;
}

} // namespace examdb
