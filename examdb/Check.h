#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace examdb {

// What one section of the configuration file reaches.
struct ConnectionCheck {
    QString section;
    QString server;
    QString error; // why it could not connect, or empty
    QStringList tables;
    std::optional<qint64> towns, units, scores;
    bool canReadScores = false;
    QString scoreAccess; // how this account may use the score table, in plain words

    // The tables a program needs are there: town, Fac and Score.
    bool Usable() const;
};

ConnectionCheck CheckConnection(const QString& section, const QString& connectionString);

// The check in plain words, a few lines.
QString CheckReport(const ConnectionCheck& check);

} // namespace examdb
