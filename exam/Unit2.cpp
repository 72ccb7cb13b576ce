#include "exam/Unit2.h"

#include "common/FuncUnit.h"

TDataModule2::TDataModule2(QObject* parent, const QString& directory)
    : QObject(parent), programDirectory(directory) {
    qry1.SetConnection(&con1);
    qry2.SetConnection(&con2);
    SetConnectionFromConfig(con1, DBConfigSection, programDirectory);
}

void TDataModule2::ReadSecondConnectionString() {
    SetConnectionFromConfig(con2, SqlDBConfigSection, programDirectory);
}

QString ScoreTimeText(const QDateTime& moment) {
    return moment.toLocalTime().toString(u"yyyy-MM-dd HH:mm:ss"_qs);
}

void AppendScoreRow(platform::TADOQuery& query, const QString& town, const QString& unit,
                    const QString& name, const QString& score, const QString& time) {
    OpenQuery(query, u"select * from Score where id=0"_qs, true);
    query.Append();
    query.SetFieldText(1, TrimText(town));
    query.SetFieldText(2, TrimText(unit));
    query.SetFieldText(3, TrimText(name));
    query.SetFieldText(4, TrimText(score));
    query.SetFieldText(5, time);
    query.Post();
}

void AppendSecondScoreRow(TDataModule2& module, const QString& town, const QString& unit,
                          const QString& name, const QString& score) {
    try {
        module.ReadSecondConnectionString();
        AppendScoreRow(module.qry2, town, unit, name, score);
    } catch (...) {
        // The second copy is a convenience; its failure never stops the hand-in.
    }
}
