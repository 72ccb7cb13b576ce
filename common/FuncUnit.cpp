#include "common/FuncUnit.h"

#include "ui/MessageBox.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCryptographicHash>
#include <QFontMetrics>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

QString GetConnectionErrors(const platform::TADOConnection* connection) {
    QString text;
    if (!connection)
        return text;
    for (const platform::TDbError& error : connection->Errors())
        text += u"\r\n错误号：%1,错误描述：%2"_qs.arg(error.Number).arg(error.Description);
    return text;
}

QString SqlQuote(const QString& text) {
    QString quoted = text;
    quoted.replace(u"'"_qs, u"''"_qs);
    return u'\'' + quoted + u'\'';
}

QString SqlLikeQuote(const QString& text) {
    QString quoted = text;
    quoted.replace(u"'"_qs, u"''"_qs);
    return u"'%"_qs + quoted + u"%'"_qs;
}

namespace {

// The names of the tables in the connection's own schema; a table of the same name in another
// schema is not the one an unqualified name reaches.
QString OwnTablesQuery(const QSqlDatabase& database) {
    const QString driver = database.driverName();
    if (driver == u"QSQLITE")
        return u"SELECT name FROM main.sqlite_master WHERE type = 'table'"_qs;
    const QString schema = driver == u"QPSQL" ? u"current_schema()"_qs : u"SCHEMA_NAME()"_qs;
    return u"SELECT TABLE_NAME FROM INFORMATION_SCHEMA.TABLES WHERE TABLE_SCHEMA = "_qs + schema;
}

// Whether the connection's own schema holds every one of the tables (lower-case names).
bool HasOwnTables(const QSqlDatabase& database, std::initializer_list<QStringView> tables) {
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.exec(OwnTablesQuery(database)))
        throw platform::EDatabaseError(
            u"无法读取数据库中的表名：%1"_qs.arg(query.lastError().text()));
    QSet<QString> names;
    while (query.next())
        names.insert(query.value(0).toString().toLower());
    return std::all_of(tables.begin(), tables.end(),
                       [&](QStringView table) { return names.contains(table.toString()); });
}

} // namespace

bool HasAttemptTables(const QSqlDatabase& database) {
    return HasOwnTables(database, {u"paper", u"attempt", u"attemptanswer"});
}

bool HasSittingTables(const QSqlDatabase& database) {
    return HasOwnTables(database,
                        {u"sitting", u"sittingpaper", u"sittingunit", u"roster", u"attemptstart"});
}

bool OpenQuery(platform::TADOQuery& query, const QString& sql, bool show) {
    try {
        if (query.Active())
            query.Close();
        query.ClearSQL();
        query.SetSQL(sql);
        query.Open();
    } catch (...) {
        // What went wrong is in the connection's error collection, reported below.
    }
    const QString errors = GetConnectionErrors(query.Connection());
    if (show && !errors.isEmpty())
        ui::MessageBox(nullptr, errors, u"错误"_qs, ui::MB_ICONERROR | ui::MB_OK);
    // A query without a connection has no error collection, but it has not opened either.
    return errors.isEmpty() && query.Active();
}

std::optional<int> DroppedWidthFor(int widestItem, int itemCount, int visibleItems, int boxWidth) {
    int width = widestItem + 5;
    if (itemCount > visibleItems)
        width += 15;
    return width > boxWidth ? std::optional<int>(width) : std::nullopt;
}

void AdjustDropDownWidth(QComboBox* box) {
    if (!box || box->count() == 0)
        return;
    const QFontMetrics metrics(box->font());
    int widest = 0;
    for (int i = 0; i < box->count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(box->itemText(i)));
    if (const auto width =
            DroppedWidthFor(widest, box->count(), box->maxVisibleItems(), box->width()))
        box->view()->setMinimumWidth(*width);
}

std::string PaperSha256(std::string_view bytes) {
    return QCryptographicHash::hash(QByteArrayView(bytes.data(), qsizetype(bytes.size())),
                                    QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

QString Utf8Text(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QString TrimText(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 32)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 32)
        --end;
    return text.mid(begin, end - begin);
}
