#include "platform/ConnectionString.h"

#include <QDir>
#include <QRegularExpression>

namespace platform {
namespace {

// Reads one value starting at pos (blanks before it already skipped); leaves pos after the
// semicolon that ends the item.
QString ReadValue(const QString& text, qsizetype& pos) {
    const QChar quote = pos < text.size() ? text[pos] : QChar();
    if (quote == u'"' || quote == u'\'') {
        QString value;
        for (++pos; pos < text.size(); ++pos) {
            if (text[pos] != quote) {
                value += text[pos];
            } else if (pos + 1 < text.size() && text[pos + 1] == quote) {
                value += quote;
                ++pos;
            } else {
                ++pos;
                break;
            }
        }
        const qsizetype end = text.indexOf(u';', pos);
        pos = end < 0 ? text.size() : end + 1;
        return value;
    }
    const qsizetype end = text.indexOf(u';', pos);
    const QString value = text.mid(pos, end < 0 ? -1 : end - pos).trimmed();
    pos = end < 0 ? text.size() : end + 1;
    return value;
}

void SkipBlanks(const QString& text, qsizetype& pos) {
    while (pos < text.size() && text[pos].isSpace())
        ++pos;
}

bool IsSqlServerProvider(const QString& provider) {
    return provider.startsWith(u"SQLOLEDB", Qt::CaseInsensitive) ||
           provider.startsWith(u"SQLNCLI", Qt::CaseInsensitive) ||
           provider.startsWith(u"MSOLEDBSQL", Qt::CaseInsensitive);
}

QString ValueOr(const std::vector<ConnectionStringItem>& items, const QString& key,
                const QString& fallback = {}) {
    return ConnectionStringValue(items, key).value_or(fallback);
}

QString FirstOf(const std::vector<ConnectionStringItem>& items, const QStringList& keys) {
    for (const QString& key : keys) {
        if (auto value = ConnectionStringValue(items, key))
            return *value;
    }
    return {};
}

// An ODBC attribute value, braced when it holds characters that would end or open one.
QString OdbcValue(const QString& value) {
    if (!value.contains(u';') && !value.contains(u'{') && !value.contains(u'}') &&
        value == value.trimmed())
        return value;
    QString escaped = value;
    escaped.replace(u"}"_qs, u"}}"_qs);
    return u'{' + escaped + u'}';
}

bool IsThisMachine(const QString& host) {
    return host.isEmpty() || host == u"." || host.compare(u"(local)", Qt::CaseInsensitive) == 0 ||
           host.compare(u"localhost", Qt::CaseInsensitive) == 0;
}

ConnectionTarget SqliteTarget(const std::vector<ConnectionStringItem>& items,
                              const QString& programDirectory) {
    ConnectionTarget target;
    target.driver = u"QSQLITE"_qs;
    const QString file = ValueOr(items, u"Data Source"_qs);
    target.databaseName =
        file.isEmpty() || QDir::isAbsolutePath(file) ? file : QDir(programDirectory).filePath(file);
    return target;
}

ConnectionTarget PostgresTarget(const std::vector<ConnectionStringItem>& items) {
    ConnectionTarget target;
    target.driver = u"QPSQL"_qs;
    QString host = FirstOf(items, {u"Data Source"_qs, u"Server"_qs, u"Host"_qs});
    const qsizetype colon = host.lastIndexOf(u':');
    bool numeric = false;
    const int port = colon > 0 ? host.mid(colon + 1).toInt(&numeric) : 0;
    if (numeric) {
        target.port = port;
        host.truncate(colon);
    }
    target.hostName = IsThisMachine(host) ? u"127.0.0.1"_qs : host;
    target.databaseName = FirstOf(items, {u"Initial Catalog"_qs, u"Database"_qs});
    target.userName = FirstOf(items, {u"User ID"_qs, u"UID"_qs, u"User"_qs});
    target.password = FirstOf(items, {u"Password"_qs, u"PWD"_qs});
    // Backslashes in literals are plain characters from the session's start, so that the
    // driver, which asks the server once when it connects, formats values for that setting.
    target.connectOptions = u"connect_timeout=15;options='-c standard_conforming_strings=on'"_qs;
    return target;
}

} // namespace

std::vector<ConnectionStringItem> ParseConnectionString(const QString& text) {
    std::vector<ConnectionStringItem> items;
    qsizetype pos = 0;
    while (pos < text.size()) {
        SkipBlanks(text, pos);
        const qsizetype equals = text.indexOf(u'=', pos);
        const qsizetype semicolon = text.indexOf(u';', pos);
        if (equals < 0 || (semicolon >= 0 && semicolon < equals)) {
            if (semicolon < 0)
                break;
            pos = semicolon + 1;
            continue;
        }
        const QString key = text.mid(pos, equals - pos).trimmed();
        pos = equals + 1;
        SkipBlanks(text, pos);
        QString value = ReadValue(text, pos);
        if (!key.isEmpty())
            items.push_back({key, std::move(value)});
    }
    return items;
}

std::optional<QString> ConnectionStringValue(const std::vector<ConnectionStringItem>& items,
                                             const QString& key) {
    for (const ConnectionStringItem& item : items) {
        if (item.key.compare(key, Qt::CaseInsensitive) == 0)
            return item.value;
    }
    return std::nullopt;
}

QString SqlServerOdbcString(const std::vector<ConnectionStringItem>& items) {
    QString server = FirstOf(items, {u"Data Source"_qs, u"Server"_qs, u"Address"_qs});
    if (server.startsWith(u"tcp:", Qt::CaseInsensitive))
        server.remove(0, 4);
    QString port;
    const qsizetype comma = server.indexOf(u',');
    if (comma >= 0) {
        port = server.mid(comma + 1).trimmed();
        server = server.left(comma).trimmed();
    }
    QString instance;
    const qsizetype backslash = server.indexOf(u'\\');
    if (backslash >= 0) {
        instance = server.mid(backslash);
        server.truncate(backslash);
    }
    if (IsThisMachine(server))
        server = u"127.0.0.1"_qs;
    if (instance.isEmpty() && port.isEmpty())
        port = u"1433"_qs;

    QStringList parts{u"DRIVER={"_qs + QLatin1String(SqlServerOdbcDriver) + u'}',
                      u"SERVER="_qs + OdbcValue(server + instance)};
    if (!port.isEmpty())
        parts << u"PORT="_qs + OdbcValue(port);
    const QString catalog = FirstOf(items, {u"Initial Catalog"_qs, u"Database"_qs});
    if (!catalog.isEmpty())
        parts << u"DATABASE="_qs + OdbcValue(catalog);
    const QString user = FirstOf(items, {u"User ID"_qs, u"UID"_qs});
    if (!user.isEmpty())
        parts << u"UID="_qs + OdbcValue(user);
    const QString password = FirstOf(items, {u"Password"_qs, u"PWD"_qs});
    if (!password.isEmpty())
        parts << u"PWD="_qs + OdbcValue(password);
    parts << u"ClientCharset=UTF-8"_qs;
    return parts.join(u';');
}

ConnectionTarget TranslateConnectionString(const QString& connectionString,
                                           const QString& programDirectory) {
    const std::vector<ConnectionStringItem> items = ParseConnectionString(connectionString);
    const QString provider = ValueOr(items, u"Provider"_qs);
    ConnectionTarget target;
    if (IsSqlServerProvider(provider)) {
        target.driver = u"QODBC"_qs;
        target.databaseName = SqlServerOdbcString(items);
        target.connectOptions = u"SQL_ATTR_LOGIN_TIMEOUT=15"_qs;
    } else if (provider.compare(u"SQLite", Qt::CaseInsensitive) == 0) {
        target = SqliteTarget(items, programDirectory);
    } else if (provider.compare(u"PostgreSQL", Qt::CaseInsensitive) == 0) {
        target = PostgresTarget(items);
    } else if (provider.isEmpty() || provider.startsWith(u"MSDASQL", Qt::CaseInsensitive)) {
        target.driver = u"QODBC"_qs;
        QStringList kept;
        for (const QString& part : connectionString.split(u';')) {
            if (part.section(u'=', 0, 0).trimmed().compare(u"Provider", Qt::CaseInsensitive) != 0)
                kept << part;
        }
        target.databaseName = provider.isEmpty() ? connectionString : kept.join(u';');
    }
    target.provider = provider;
    return target;
}

QString MaskPasswords(const QString& text) {
    static const QRegularExpression password(
        u"\\b((?:password|pwd)\\s*=\\s*)(\"(?:[^\"]|\"\")*\"|'(?:[^']|'')*'|\\{(?:[^}]|\\}\\})*\\}|"
        "[^;\\r\\n]*)"_qs,
        QRegularExpression::CaseInsensitiveOption);
    return QString(text).replace(password, u"\\1***"_qs);
}

} // namespace platform
