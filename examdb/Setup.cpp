#include "examdb/Setup.h"

#include <QFile>
#include <QFileInfo>

namespace examdb {

void CreateSqliteFileIfMissing(const QString& connectionString) {
    const QString file = SqliteFileOf(connectionString);
    if (file.isEmpty() || QFileInfo::exists(file))
        return;
    QFile created(file);
    if (!created.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw Failure(u"无法创建数据库文件 %1：%2"_qs.arg(file, created.errorString()));
}

namespace {

bool HasConstraint(Database& database, const TableStatement& statement) {
    QSqlQuery query = database.Run(u"select count(*) from pg_constraint where conrelid = "
                                   "to_regclass(?) and conname = lower(?)"_qs,
                                   {statement.table, statement.constraint});
    return query.next() && query.value(0).toInt() > 0;
}

// PostgreSQL's codes for a check and a foreign key that rows already there break.
bool BrokenByRows(const Failure& failure) {
    return failure.code() == u"23514"_qs || failure.code() == u"23503"_qs;
}

// The papers whose bytes are not those their hash names, one line each.
QStringList ForgedPapers(Database& database) {
    QStringList papers;
    for (QSqlQuery query = database.Run(u"select Sha256, Title from Paper where "
                                        "encode(sha256(Bytes), 'hex') <> lower(Sha256) "
                                        "order by Sha256"_qs);
         query.next();)
        papers << u"  %1 %2"_qs.arg(query.value(0).toString().trimmed(), query.value(1).toString());
    return papers;
}

QString RefusalOf(Database& database, const TableStatement& statement, const Failure& failure) {
    QString message = u"未能给表 %1 加上约束 %2：表中已有不符合它的行（%3）。"_qs.arg(
        statement.table, statement.constraint, failure.message());
    if (statement.table == u"Paper"_qs) {
        const QStringList papers = ForgedPapers(database);
        message +=
            u"\n以下 %1 份试卷的内容与其 SHA-256 不符，可能是伪造的：\n"_qs.arg(papers.size()) +
            papers.join(u'\n');
    }
    return message + u"\n请核对并删除这些行，再运行 examdb init --missing-only"_qs;
}

void AddMissingConstraint(Database& database, const TableStatement& statement,
                          TablesSetUp& result) {
    if (HasConstraint(database, statement))
        return;
    try {
        database.Execute(statement.sql, Database::Shown::ErrorOnly);
        result.constraintsAdded << statement.constraint;
    } catch (const Failure& failure) {
        if (!BrokenByRows(failure))
            throw;
        result.refused << RefusalOf(database, statement, failure);
    }
}

} // namespace

QString TablesSetUp::Summary() const {
    QStringList done;
    if (!created.isEmpty())
        done << u"已建表 "_qs + created.join(u", "_qs);
    if (!constraintsAdded.isEmpty())
        done << u"已加约束 "_qs + constraintsAdded.join(u", "_qs);
    return done.isEmpty() ? u"所有表都已存在，未做改动"_qs : done.join(u"；"_qs);
}

TablesSetUp CreateTables(Database& database, bool missingOnly) {
    const QStringList present = database.SuiteTablesPresent();
    if (!missingOnly && !present.isEmpty())
        throw Failure(u"%1 中已有表 %2，未做任何改动。只建缺少的表请加 --missing-only"_qs.arg(
            database.Describe(), present.join(u", "_qs)));
    const std::vector<TableStatement> statements = TableStatements(database.Kind());
    TablesSetUp result;
    database.InTransaction([&] {
        for (const TableStatement& statement : statements) {
            if (present.contains(statement.table))
                continue;
            database.Execute(statement.sql);
            if (!result.created.contains(statement.table))
                result.created << statement.table;
        }
    });
    // Each on its own, so that one that rows break leaves the others and the new tables.
    for (const TableStatement& statement : statements) {
        if (present.contains(statement.table) && !statement.constraint.isEmpty())
            AddMissingConstraint(database, statement, result);
    }
    return result;
}

QStringList CreateRoles(Database& database, const QString& deskPassword,
                        const QString& adminPassword) {
    if (database.Kind() != Dialect::Postgresql)
        throw Failure(u"角色只能建在 PostgreSQL 上；%1 不需要角色"_qs.arg(database.Describe()));
    if (deskPassword.isEmpty() || adminPassword.isEmpty())
        throw Failure(u"密码不能为空"_qs);
    database.InTransaction([&] {
        database.Execute(RolesScript());
        // The server is sent each password's SCRAM verifier only, never the password, which
        // statement logging would keep; it quotes the role and the verifier itself.
        const std::pair<QString, QString> roles[] = {{u"exam_desk"_qs, deskPassword},
                                                     {u"exam_admin"_qs, adminPassword}};
        for (const auto& [role, password] : roles) {
            QSqlQuery statement =
                database.Run(u"SELECT format('ALTER ROLE %I PASSWORD %L', ?::text, ?::text)"_qs,
                             {role, database.PasswordVerifier(role, password)});
            statement.next();
            database.Execute(statement.value(0).toString(), Database::Shown::ErrorOnly);
        }
    });
    const QStringList present = database.SuiteTablesPresent();
    QStringList absent;
    for (const QString& table : SuiteTables()) {
        if (!present.contains(table))
            absent << table;
    }
    return absent;
}

} // namespace examdb
