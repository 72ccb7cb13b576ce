#include "common/ConnectionConfig.h"

#include "platform/CodePage.h"
#include "platform/ProfileReader.h"

#include <QCoreApplication>
#include <QDir>

QString DefaultConnectionString(const QString& section) {
    if (section.compare(DBConfigSection, Qt::CaseInsensitive) == 0)
        return u"Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;Initial "
               "Catalog=korvend;Data Source=."_qs;
    if (section.compare(SqlDBConfigSection, Qt::CaseInsensitive) == 0)
        return u"Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;Initial "
               "Catalog=exam;Data Source=."_qs;
    return {};
}

QString ProgramDirectory() {
    return QDir(QCoreApplication::applicationDirPath()).absolutePath() + u'/';
}

QString ReadConnectionString(const QString& section, const QString& programDirectory) {
    QDir::setCurrent(programDirectory);
    return ReadConnectionStringFromFile(section,
                                        QDir(programDirectory).filePath(u"DBConifg.ini"_qs));
}

QString ReadConnectionStringFromFile(const QString& section, const QString& file) {
    const std::string value = platform::GetPrivateProfileString(
        section.toStdString(), "ConnectionString", DefaultConnectionString(section).toStdString(),
        file.toStdString());
    return platform::IsValidUtf8(value) ? QString::fromStdString(value) : platform::FromGbk(value);
}

void SetConnectionFromConfig(platform::TADOConnection& connection, const QString& section,
                             const QString& programDirectory) {
    connection.SetConnectionString(ReadConnectionString(section, programDirectory));
}
