#include "common/ConnectionConfig.h"

#include "platform/CodePage.h"
#include "platform/ProfileReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

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

std::optional<QString> UnreadableConfigMessage(const QString& file) {
    const int handle = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
    if (handle >= 0) {
        ::close(handle);
        return std::nullopt;
    }
    const int error = errno;
    if (error == ENOENT || error == ENOTDIR)
        return std::nullopt;
    // The installed file is a link beside the program: the user is told of the file behind it.
    const QString target = QFileInfo(file).canonicalFilePath();
    const QString shown = target.isEmpty() ? file : target;
    if (error == EACCES)
        return u"无法读取配置文件 %1：本用户无权读取。请管理员把本用户加入用户组 %2"
               "（sudo adduser 用户名 %2），重新登录后再试"_qs.arg(shown, ConfigGroup);
    return u"无法读取配置文件 %1：%2"_qs.arg(shown, QString::fromLocal8Bit(std::strerror(error)));
}

QString ReadConnectionStringFromFile(const QString& section, const QString& file) {
    if (const std::optional<QString> message = UnreadableConfigMessage(file))
        throw ConfigFileUnreadable(message->toStdString());
    const std::string value = platform::GetPrivateProfileString(
        section.toStdString(), "ConnectionString", DefaultConnectionString(section).toStdString(),
        file.toStdString());
    return platform::IsValidUtf8(value) ? QString::fromStdString(value) : platform::FromGbk(value);
}

void SetConnectionFromConfig(platform::TADOConnection& connection, const QString& section,
                             const QString& programDirectory) {
    connection.SetConnectionString(ReadConnectionString(section, programDirectory));
}
