#include "examdb/Demo.h"

#include "common/ConnectionConfig.h"
#include "examdb/Database.h"
#include "examdb/Setup.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>
#include <unistd.h>

namespace examdb {
namespace {

// Desks record scores as their own users, so the file must be writable by the group that owns
// the folder (the folder's set-group-id bit gives new files that group).
void ShareWithFolderGroup(const QString& file) {
    struct stat folder {};
    const QByteArray path = QFile::encodeName(file);
    const QByteArray parent = QFile::encodeName(QFileInfo(file).absolutePath());
    if (::stat(parent.constData(), &folder) != 0 ||
        ::chown(path.constData(), -1, folder.st_gid) != 0 || ::chmod(path.constData(), 0664) != 0)
        throw Failure(u"无法设置数据库文件 %1 的权限"_qs.arg(file));
}

bool CreateDatabase(const QString& connectionString, bool withDemoData) {
    const QString file = SqliteFileOf(connectionString);
    if (QFileInfo::exists(file) && QFileInfo(file).size() > 0)
        return false;
    CreateSqliteFileIfMissing(connectionString);
    {
        Database database(connectionString);
        CreateTables(database, false);
        if (withDemoData) {
            database.InTransaction([&] {
                for (const QString& statement : SplitStatements(DemoDataScript()))
                    database.Execute(statement);
            });
        }
    }
    ShareWithFolderGroup(file);
    return true;
}

int CopyPapers(const QString& from, const QString& to) {
    int copied = 0;
    QDirIterator papers(from, {u"*.mqe"_qs}, QDir::Files, QDirIterator::Subdirectories);
    while (papers.hasNext()) {
        const QString source = papers.next();
        const QString target = QDir(to).filePath(QDir(from).relativeFilePath(source));
        if (QFileInfo::exists(target))
            continue;
        if (!QDir().mkpath(QFileInfo(target).absolutePath()) || !QFile::copy(source, target))
            throw Failure(u"无法把试卷复制到 %1"_qs.arg(target));
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                          QFile::ReadOther);
        ++copied;
    }
    return copied;
}

} // namespace

DemoResult SetUpDemo(const QString& programDirectory, const QString& papersFolder) {
    const QString primary = ReadConnectionString(DBConfigSection, programDirectory);
    const QString secondary = ReadConnectionString(SqlDBConfigSection, programDirectory);
    for (const QString& connection : {primary, secondary}) {
        if (SqliteFileOf(connection).isEmpty())
            throw Failure(
                u"演示只用 SQLite 数据库，而 DBConifg.ini 写的是：%1\n"
                "服务器上的数据库请用 examdb init、roles 和 units import 建立"_qs.arg(connection));
    }
    if (!QFileInfo(papersFolder).isDir())
        throw Failure(u"找不到演示试卷文件夹 %1（可用 --papers 指定）"_qs.arg(papersFolder));
    DemoResult result;
    if (CreateDatabase(primary, true))
        result.databasesCreated << SqliteFileOf(primary);
    if (CreateDatabase(secondary, false))
        result.databasesCreated << SqliteFileOf(secondary);
    result.papersCopied =
        CopyPapers(papersFolder, QDir(programDirectory).filePath(u"Exam File"_qs));
    return result;
}

} // namespace examdb
