#include "common/InsertUnlessThere.h"

#include "common/FuncUnit.h"

#include <QDateTime>

bool IsOdbc(const QSqlDatabase& database) {
    return database.driverName() == u"QODBC";
}

QVariant TimeValue(const QSqlDatabase& database, std::string_view text) {
    if (text.empty())
        return QVariant(QMetaType(QMetaType::QString));
    if (IsOdbc(database))
        return QDateTime::fromString(Utf8Text(text), u"yyyy-MM-dd HH:mm:ss"_qs);
    return Utf8Text(text);
}

QString Placeholders(qsizetype count) {
    QStringList marks;
    for (qsizetype i = 0; i < count; ++i)
        marks << u"?"_qs;
    return u"("_qs + marks.join(u", "_qs) + u")"_qs;
}

BoundStatement InsertUnlessThere(const QSqlDatabase& database, const QString& table,
                                 const QStringList& columns, const QVariantList& values) {
    const QString insert = u"INSERT INTO %1 (%2) VALUES %3"_qs.arg(table, columns.join(u", "_qs),
                                                                   Placeholders(values.size()));
    if (!IsOdbc(database))
        return {insert + u" ON CONFLICT DO NOTHING RETURNING 1"_qs, values};
    // The key is looked up under a lock held to the end of the transaction, so that two posts
    // of one key cannot both find it missing.
    return {
        u"SET NOCOUNT ON; IF NOT EXISTS (SELECT 1 FROM %1 WITH (UPDLOCK, HOLDLOCK) WHERE "
        u"%2 = ?) BEGIN %3; SELECT 1; END ELSE SELECT 0;"_qs.arg(table, columns.first(), insert),
        QVariantList{values.first()} + values};
}
