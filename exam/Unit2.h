#pragma once

#include "common/ConnectionConfig.h"
#include "exam/ScoreRecorder.h"
#include "exam/ScoreTime.h"
#include "platform/DatabaseQuery.h"

#include <QDateTime>
#include <QObject>
#include <QString>

// The data module of exam: the primary connection con1 with its query qry1 (town and unit
// lists, score rows, attempts) and the secondary connection con2 with qry2 (the second copy of
// a score row at hand-in). It records the endings.
class TDataModule2 final : public QObject, public ScoreRecorder {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TDataModule2)

public:
    // Sets con1 from section "DBConifg" of the configuration file in programDirectory.
    explicit TDataModule2(QObject* parent = nullptr,
                          const QString& programDirectory = ProgramDirectory());

    // Reads section "SqlDBConifg" anew and sets it on con2; done before each second copy.
    void ReadSecondConnectionString();

    platform::TADOConnection con1;
    platform::TADOConnection con2;
    platform::TADOQuery qry1;
    platform::TADOQuery qry2;

    // Asked of the primary database once, when it is first reached.
    std::optional<bool> KeepsAttempts() override;
    bool StorePaper(const std::string& sha256, const std::string& title,
                    const std::string& bytes) override;
    Posted PostAttempt(const AttemptRecord& attempt) override;
    void PostScoreRow(const JournaledScoreRow& row) override;
    std::optional<bool> ScoreRowPosted(const JournaledScoreRow& row) override;
    void PostSecondCopy(const JournaledScoreRow& row) override;
    bool PostAttemptStart(const AttemptRecord& start) override;
    // Whether the primary database has the sitting tables; asked once, as KeepsAttempts.
    std::optional<bool> KeepsSittings();

private:
    void AppendRow(const JournaledScoreRow& row);

    QString programDirectory;
    // What the catalogue said of some tables, and for which connection string.
    struct TablesKept {
        std::optional<bool> kept;
        QString of;
    };
    std::optional<bool> Kept(TablesKept& tables, bool (*has)(const QSqlDatabase&));
    TablesKept attemptTables;
    TablesKept sittingTables;
};

// Appends one score row through the query: runs "select * from Score where id=0" with
// OpenQuery (errors shown), appends a row, sets positions 1 to 5 to the trimmed town, unit, name
// and score and the time (by default the current local time), and posts it. Failures throw.
void AppendScoreRow(platform::TADOQuery& query, const QString& town, const QString& unit,
                    const QString& name, const QString& score,
                    const QString& time = ScoreTimeText(QDateTime::currentDateTime()));

// The two halves of AppendScoreRow: the score table opened (errors shown, then thrown), and the
// row appended and posted on the open query.
void OpenScoreTable(platform::TADOQuery& query);
void PostScoreFields(platform::TADOQuery& query, const QString& town, const QString& unit,
                     const QString& name, const QString& score, const QString& time);

// The second copy of a handed-in score, with its own reading of the clock: the secondary
// connection read anew from the configuration, then the row appended through qry2. Its failures are
// dropped: the second copy never stops a hand-in (OpenQuery still shows the connection's errors).
void AppendSecondScoreRow(TDataModule2& module, const QString& town, const QString& unit,
                          const QString& name, const QString& score);
