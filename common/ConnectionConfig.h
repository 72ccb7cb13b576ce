#pragma once

#include "platform/DatabaseConnection.h"

#include <QString>

// The sections of "DBConifg.ini" and their built-in connection strings.
inline const QString DBConfigSection = QStringLiteral("DBConifg");
inline const QString SqlDBConfigSection = QStringLiteral("SqlDBConifg");

// The built-in connection string of a section (the local SQL Server's "korvend" for
// "DBConifg", its "exam" for "SqlDBConifg"); empty for any other section.
QString DefaultConnectionString(const QString& section);

// The directory of the running executable, with its trailing separator.
QString ProgramDirectory();

// "ConnectionString" of the section of "DBConifg.ini" in programDirectory, or the section's
// default when the file, the section or the key is absent. programDirectory becomes the
// process's current directory. The file may be UTF-8 or GBK.
QString ReadConnectionString(const QString& section,
                             const QString& programDirectory = ProgramDirectory());

// "ConnectionString" of the section of any configuration file of that layout, with the same
// defaults; the current directory is left as it is.
QString ReadConnectionStringFromFile(const QString& section, const QString& file);

// Reads the section's connection string and gives it to the connection, which is not opened.
void SetConnectionFromConfig(platform::TADOConnection& connection, const QString& section,
                             const QString& programDirectory = ProgramDirectory());
