#pragma once

#include "platform/DatabaseConnection.h"

#include <QString>
#include <optional>
#include <stdexcept>

// The sections of "DBConifg.ini" and their built-in connection strings.
inline const QString DBConfigSection = QStringLiteral("DBConifg");
inline const QString SqlDBConfigSection = QStringLiteral("SqlDBConifg");

// The built-in connection string of a section (the local SQL Server's "korvend" for
// "DBConifg", its "exam" for "SqlDBConifg"); empty for any other section.
QString DefaultConnectionString(const QString& section);

// The directory of the running executable, with its trailing separator.
QString ProgramDirectory();

// The group whose members may read the installed configuration file.
inline const QString ConfigGroup = QStringLiteral("examsuite");

// A configuration file that is there but cannot be read. The programs stop at it: going on with
// the built-in connection would reach another database. The message (UTF-8) names the file and,
// when the user lacks the right to read it, the group to join.
class ConfigFileUnreadable final : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Why the file cannot be read, in the words of ConfigFileUnreadable; nothing when it can be, or
// when it is not there at all.
std::optional<QString> UnreadableConfigMessage(const QString& file);

// "ConnectionString" of the section of "DBConifg.ini" in programDirectory, or the section's
// default when the file, the section or the key is absent. programDirectory becomes the
// process's current directory. The file may be UTF-8 or GBK. Throws ConfigFileUnreadable for a
// file that is there but cannot be read.
QString ReadConnectionString(const QString& section,
                             const QString& programDirectory = ProgramDirectory());

// "ConnectionString" of the section of any configuration file of that layout, with the same
// defaults; the current directory is left as it is.
QString ReadConnectionStringFromFile(const QString& section, const QString& file);

// Reads the section's connection string and gives it to the connection, which is not opened.
void SetConnectionFromConfig(platform::TADOConnection& connection, const QString& section,
                             const QString& programDirectory = ProgramDirectory());
