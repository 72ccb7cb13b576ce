#pragma once

#include <QString>
#include <QStringList>

namespace examdb {

// The demo papers shipped with the administrator's package, relative to the program folder.
inline const QString DemoPapersFolder = QStringLiteral("../../share/examsuite/demo-papers");

struct DemoResult {
    QStringList databasesCreated;
    int papersCopied = 0;
};

// Sets up a one-machine trial: the SQLite databases of both sections of the configuration file
// beside the programs (the primary one with the demo towns, units and scores), each created only
// when it is not there, readable and writable by the group of its folder; and the demo papers
// copied into the program folder's "Exam File", keeping files that are there. Throws Failure
// for a section that is not SQLite, and changes nothing then.
DemoResult SetUpDemo(const QString& programDirectory, const QString& papersFolder);

} // namespace examdb
