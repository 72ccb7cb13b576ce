#include "platform/DatabaseQuery.h"

#include "platform/SqliteFetch.h"

#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

namespace platform {
namespace {

// SQLite reports every column that is not declared as a number as text, whatever it holds;
// the values decide there.
FieldKind KindOfColumn(const QSqlField& field, bool sqlite) {
    const FieldKind kind = KindOfType(field.metaType());
    return sqlite && kind == FieldKind::Text ? FieldKind::Unknown : kind;
}

// The one table a plain "select * (or columns) from table [where ...] [order by ...]" reads,
// which is the table a new row of its result goes to; nothing for joins, sub-queries,
// expressions and the like.
QString SingleTableOf(const QString& sql) {
    static const QRegularExpression pattern(
        uR"(^\s*select\s+(?:\*|[\w$"\[\]`.]+(?:\s*,\s*[\w$"\[\]`.]+)*)\s+from\s+((?:"[^"]+"|\[[^\]]+\]|`[^`]+`|[\w$]+)(?:\s*\.\s*(?:"[^"]+"|\[[^\]]+\]|`[^`]+`|[\w$]+))?)\s*(?:(?:where|order)\b.*)?;?\s*$)"_qs,
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption |
            QRegularExpression::UseUnicodePropertiesOption);
    const QRegularExpressionMatch match = pattern.match(sql);
    return match.hasMatch() ? match.captured(1) : QString();
}

std::optional<bool> BooleanOf(const QString& text) {
    static const QStringList truths{u"true"_qs, u"1"_qs, u"yes"_qs, u"-1"_qs};
    static const QStringList falsities{u"false"_qs, u"0"_qs, u"no"_qs};
    if (truths.contains(text, Qt::CaseInsensitive))
        return true;
    if (falsities.contains(text, Qt::CaseInsensitive))
        return false;
    return std::nullopt;
}

QString Unbracketed(QString name) {
    name = name.trimmed();
    if (name.size() >= 2 && ((name.front() == u'[' && name.back() == u']') ||
                             (name.front() == u'"' && name.back() == u'"')))
        return name.mid(1, name.size() - 2);
    return name;
}

} // namespace

TADOQuery::TADOQuery(QObject* parent) : QObject(parent), cursor(std::make_unique<ClientCursor>()) {}

TADOQuery::~TADOQuery() = default;

void TADOQuery::SetConnection(TADOConnection* newConnection) {
    Close();
    connection = newConnection;
}

void TADOQuery::SetSQL(const QString& sql) {
    Close();
    sqlText = sql;
}

void TADOQuery::RequireActive() const {
    if (!active)
        throw EDatabaseError(u"不能对已关闭的数据集执行此操作。"_qs);
}

void TADOQuery::RequireConnection() const {
    if (!connection)
        throw EDatabaseError(u"查询没有指定数据库连接。"_qs);
}

void TADOQuery::Fail(int number, const QString& description) {
    connection->AddError(number, description);
    throw EDatabaseError(connection->ErrorText());
}

void TADOQuery::Open() {
    if (active)
        return;
    RequireConnection();
    if (!connection->Open())
        throw EDatabaseError(connection->ErrorText());
    auto fetched = std::make_unique<ClientCursor>();
    if (connection->IsSqlite()) {
        if (const auto error =
                SqliteFetch::Run(connection->Database().driver()->handle(), sqlText, *fetched))
            Fail(error->code, error->message);
    } else {
        QSqlQuery query(connection->Database());
        query.setForwardOnly(true);
        if (!query.exec(sqlText)) {
            connection->AddError(query.lastError());
            throw EDatabaseError(connection->ErrorText());
        }
        if (!query.isSelect())
            Fail(DbErrorObjectClosed, u"语句没有返回记录集：%1"_qs.arg(sqlText));
        const QSqlRecord record = query.record();
        std::vector<CursorField> fields;
        for (int i = 0; i < record.count(); ++i)
            fields.push_back(
                {record.fieldName(i), KindOfColumn(record.field(i), connection->IsSqlite())});
        fetched->Reset(fields);
        const int count = record.count();
        while (query.next()) {
            for (int i = 0; i < count; ++i)
                fetched->AppendVariant(i, query.value(i));
            fetched->FinishRow();
        }
        if (query.lastError().isValid()) {
            connection->AddError(query.lastError());
            throw EDatabaseError(connection->ErrorText());
        }
    }
    fetched->FinishFetch();
    emit rowsAboutToBeReset();
    cursor = std::move(fetched);
    active = true;
    position = 0;
    beforeFirst = false;
    sortText.clear();
    pending.reset();
    emit rowsReset();
}

void TADOQuery::Close() {
    if (!active)
        return;
    emit rowsAboutToBeReset();
    cursor = std::make_unique<ClientCursor>();
    active = false;
    position = 0;
    sortText.clear();
    pending.reset();
    emit rowsReset();
}

int TADOQuery::RecordCount() const {
    RequireActive();
    return cursor->RowCount();
}

void TADOQuery::First() {
    RequireActive();
    position = 0;
    beforeFirst = false;
}

void TADOQuery::Next() {
    RequireActive();
    if (beforeFirst)
        beforeFirst = false;
    else if (position < cursor->RowCount())
        ++position;
}

void TADOQuery::Prior() {
    RequireActive();
    if (position > 0 && position <= cursor->RowCount())
        --position;
    else
        beforeFirst = true;
}

void TADOQuery::Last() {
    RequireActive();
    position = std::max(0, cursor->RowCount() - 1);
    beforeFirst = false;
}

bool TADOQuery::Eof() const {
    RequireActive();
    return position >= cursor->RowCount();
}

bool TADOQuery::Bof() const {
    RequireActive();
    return beforeFirst || cursor->RowCount() == 0;
}

int TADOQuery::CurrentRow() const {
    RequireActive();
    return position;
}

void TADOQuery::SetCurrentRow(int row) {
    RequireActive();
    if (row < 0 || row > cursor->RowCount())
        throw EDatabaseError(
            u"记录位置 %1 超出范围（共 %2 条记录）。"_qs.arg(row).arg(cursor->RowCount()));
    position = row;
    beforeFirst = false;
}

int TADOQuery::FieldCount() const {
    return cursor->FieldCount();
}

QString TADOQuery::FieldName(int field) const {
    if (field < 0 || field >= cursor->FieldCount())
        throw EDatabaseError(u"字段序号 %1 超出范围。"_qs.arg(field));
    return cursor->FieldName(field);
}

int TADOQuery::FieldIndex(const QString& name) const {
    return cursor->FieldIndex(name);
}

FieldKind TADOQuery::KindOf(int field) const {
    FieldName(field);
    return cursor->Kind(field);
}

void TADOQuery::RequireCell(int row, int field) const {
    RequireActive();
    FieldName(field);
    if (row < 0 || row >= cursor->RowCount())
        throw EDatabaseError(u"没有当前记录。"_qs);
}

QVariant TADOQuery::Value(int row, int field) const {
    RequireCell(row, field);
    return cursor->Value(row, field);
}

std::optional<LocalDateTime> TADOQuery::DateTimeValue(int row, int field) const {
    RequireCell(row, field);
    return cursor->DateTimeAt(row, field);
}

std::optional<std::string_view> TADOQuery::TextValue(int row, int field) const {
    RequireCell(row, field);
    return cursor->Utf8At(row, field);
}

QVariant TADOQuery::FieldValue(int field) const {
    return Value(CurrentRow(), field);
}

QVariant TADOQuery::FieldByName(const QString& name) const {
    const int field = FieldIndex(name);
    if (field < 0)
        throw EDatabaseError(u"找不到字段“%1”。"_qs.arg(name));
    return FieldValue(field);
}

QString TADOQuery::DisplayText(int row, int field) const {
    if (KindOf(field) == FieldKind::DateTime) {
        const auto local = DateTimeValue(row, field);
        return local ? DateTimeText(local->date, local->time) : QString();
    }
    const QVariant value = Value(row, field);
    if (value.isNull())
        return {};
    switch (cursor->Kind(field)) {
    case FieldKind::Float:
        return QString::number(value.toDouble(), 'g', 15);
    case FieldKind::Boolean:
        return value.toBool() ? u"True"_qs : u"False"_qs;
    default:
        return value.toString();
    }
}

std::vector<SortKey> TADOQuery::ParseSort(const QString& sort) const {
    std::vector<SortKey> keys;
    if (sort.trimmed().isEmpty())
        return keys;
    for (const QString& part : sort.split(u',')) {
        QString name = part.trimmed();
        SortKey key;
        if (name.endsWith(u" DESC", Qt::CaseInsensitive)) {
            key.descending = true;
            name.chop(5);
        } else if (name.endsWith(u" ASC", Qt::CaseInsensitive)) {
            name.chop(4);
        }
        key.field = cursor->FieldIndex(Unbracketed(name));
        if (key.field < 0)
            throw EDatabaseError(u"不能按“%1”排序：没有这个字段。"_qs.arg(name.trimmed()));
        keys.push_back(key);
    }
    return keys;
}

void TADOQuery::SetSort(const QString& sort) {
    RequireActive();
    const std::vector<SortKey> keys = ParseSort(sort);
    const int current = position < cursor->RowCount() ? cursor->StoredRow(position) : -1;
    emit orderAboutToChange();
    if (keys.empty())
        cursor->RestoreStoredOrder();
    else
        cursor->Sort(keys);
    sortText = sort;
    if (current >= 0)
        position = cursor->PositionOf(current);
    emit orderChanged();
}

void TADOQuery::Append() {
    RequireActive();
    pending.emplace(static_cast<size_t>(cursor->FieldCount()));
}

void TADOQuery::SetFieldText(int field, const QString& text) {
    RequireActive();
    FieldName(field);
    if (!pending)
        throw EDatabaseError(u"数据集不在插入或编辑状态。"_qs);
    (*pending)[static_cast<size_t>(field)] = text;
}

void TADOQuery::Cancel() {
    pending.reset();
}

QVariant TADOQuery::ConvertForPost(int field, const QString& text) {
    const FieldKind kind = cursor->Kind(field);
    const QString trimmed = text.trimmed();
    if (kind == FieldKind::Text || kind == FieldKind::Unknown)
        return text;
    if (trimmed.isEmpty())
        return QVariant(MetaTypeOf(kind));
    bool ok = false;
    QVariant value;
    switch (kind) {
    case FieldKind::Integer:
        value = trimmed.toLongLong(&ok);
        break;
    case FieldKind::Float:
        value = trimmed.toDouble(&ok);
        break;
    case FieldKind::Boolean:
        if (const auto truth = BooleanOf(trimmed)) {
            value = *truth;
            ok = true;
        }
        break;
    case FieldKind::DateTime:
        if (const auto dateTime = ParseDateTimeText(trimmed)) {
            // As text the value reaches a timestamp column unchanged, with no time-zone
            // conversion between client and server; ODBC takes a date-time itself.
            value = connection->Database().driverName() == u"QODBC"
                        ? QVariant(*dateTime)
                        : QVariant(DateTimeText(*dateTime));
            ok = true;
        }
        break;
    default:
        break;
    }
    if (!ok)
        Fail(DbErrorDataConversion,
             u"“%1”不是字段“%2”的有效值。"_qs.arg(text, cursor->FieldName(field)));
    return value;
}

void TADOQuery::Post() {
    RequireActive();
    if (!pending)
        return;
    RequireConnection();
    if (!connection->Open())
        throw EDatabaseError(connection->ErrorText());
    const QString table = SingleTableOf(sqlText);
    if (table.isEmpty())
        Fail(DbErrorNotUpdatable, u"无法确定新记录所属的表，不能插入：%1"_qs.arg(sqlText));

    QSqlDatabase database = connection->Database();
    QStringList columns;
    QStringList placeholders;
    std::vector<QVariant> values;
    for (int field = 0; field < cursor->FieldCount(); ++field) {
        const auto& text = (*pending)[static_cast<size_t>(field)];
        if (!text)
            continue;
        columns << database.driver()->escapeIdentifier(cursor->FieldName(field),
                                                       QSqlDriver::FieldName);
        placeholders << u"?"_qs;
        values.push_back(ConvertForPost(field, *text));
    }
    const QString insert =
        columns.isEmpty() ? u"INSERT INTO %1 DEFAULT VALUES"_qs.arg(table)
                          : u"INSERT INTO %1 (%2) VALUES (%3)"_qs.arg(table, columns.join(u", "_qs),
                                                                      placeholders.join(u", "_qs));
    {
        QSqlQuery query(database);
        if (!query.prepare(insert)) {
            connection->AddError(query.lastError());
            throw EDatabaseError(connection->ErrorText());
        }
        for (const QVariant& value : values)
            query.addBindValue(value);
        if (!query.exec()) {
            connection->AddError(query.lastError());
            throw EDatabaseError(connection->ErrorText());
        }
    }
    emit rowsAboutToBeReset();
    size_t next = 0;
    for (int field = 0; field < cursor->FieldCount(); ++field) {
        if ((*pending)[static_cast<size_t>(field)])
            cursor->AppendVariant(field, values[next++]);
        else
            cursor->AppendNull(field);
    }
    cursor->FinishRow();
    position = cursor->RowCount() - 1;
    beforeFirst = false;
    pending.reset();
    emit rowsReset();
}

void TADOQuery::UpdateBatch() {
    RequireActive();
    Post();
}

} // namespace platform
