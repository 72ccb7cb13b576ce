#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// How the cursor keeps a field's values.
enum class FieldKind : std::uint8_t { Unknown, Integer, Float, Boolean, DateTime, Text };

struct CursorField {
    QString name;
    FieldKind kind = FieldKind::Unknown;
};

struct SortKey {
    int field = 0;
    bool descending = false;
};

// The kind that keeps values of a type: the one classifier of database and variant types, so
// that the cursor, the query and the export agree on what is a number. Anything that is not a
// boolean, a number or a date-time is kept as text.
FieldKind KindOfType(QMetaType type);
// The type of a field's values, for its null values.
QMetaType MetaTypeOf(FieldKind kind);

// A date-time as the database holds it: the local wall-clock reading. Unlike a local QDateTime,
// it costs no time-zone lookup to make, and a reading that the local clock skipped (at a change
// to daylight saving time) stays what it is.
struct LocalDateTime {
    QDate date;
    QTime time;
};

// "yyyy-MM-dd HH:mm:ss", with ".zzz" when there are milliseconds; empty for an invalid date.
// A QDateTime is shown by its date and time, even where the local clock skipped that reading.
QString DateTimeText(QDate date, QTime time);
QString DateTimeText(const QDateTime& value);

// Reads "yyyy-MM-dd HH:mm:ss" and its relatives: '-' or '/' between the parts of the date, one-
// or two-digit month, day and hour, a 'T' or blank before the time, optional seconds and
// fraction; also a date alone.
std::optional<QDateTime> ParseDateTimeText(QStringView text);

// The rows of a result held on the client: column-wise, each value typed, texts as UTF-8 in one
// dictionary per column, so that a row costs little more than its values. Rows are addressed by
// their position in the current order, which a sort changes without touching the rows.
class ClientCursor final {
public:
    ClientCursor();
    ~ClientCursor();
    ClientCursor(const ClientCursor&) = delete;
    ClientCursor& operator=(const ClientCursor&) = delete;

    void Reset(const std::vector<CursorField>& fields);

    // Filling: one value per field, in field order, then FinishRow. A value that does not suit
    // the field's kind turns the field into a text field.
    void AppendNull(int field);
    void AppendVariant(int field, const QVariant& value);
    void AppendText(int field, std::string_view utf8);
    void AppendInteger(int field, std::int64_t value);
    void AppendFloat(int field, double value);
    void FinishRow();
    // Frees what only filling needs.
    void FinishFetch();

    int RowCount() const { return static_cast<int>(order.size()); }
    int FieldCount() const { return static_cast<int>(columns.size()); }
    const QString& FieldName(int field) const;
    FieldKind Kind(int field) const;
    // -1 when no field has that name (compared without regard to case).
    int FieldIndex(QStringView name) const;

    // A date-time is a local QDateTime; DateTimeAt reads the same value without making one
    // (nullopt for a null and for a field that holds no date-times).
    QVariant Value(int row, int field) const;
    std::optional<LocalDateTime> DateTimeAt(int row, int field) const;
    // A text field's value as the UTF-8 bytes the cursor holds, valid as long as the cursor
    // (nullopt for a null and for a field that holds no texts).
    std::optional<std::string_view> Utf8At(int row, int field) const;
    bool IsNull(int row, int field) const;
    // An integer or decimal field's value (nullopt for a null and for a field of another kind).
    std::optional<double> NumberAt(int row, int field) const;
    // A text field stores each distinct text once, under a code: equal texts have equal codes,
    // below TextCodeCount, so that rows can be grouped by text without comparing texts (nullopt
    // for a null and for a field that holds no texts).
    std::optional<std::uint32_t> TextCodeAt(int row, int field) const;
    std::uint32_t TextCodeCount(int field) const;
    std::string_view TextOfCode(int field, std::uint32_t code) const;

    // The stored row behind a position, and back.
    int StoredRow(int row) const { return static_cast<int>(order[static_cast<size_t>(row)]); }
    int PositionOf(int storedRow) const;

    // Stable re-order of the current order. Numbers as numbers, date-times as date-times, texts
    // by the Chinese (pinyin) collation; a text field whose values all read as numbers, or all as
    // date-times, is ordered as such. Nulls come first in ascending order.
    void Sort(const std::vector<SortKey>& keys);
    void RestoreStoredOrder();

    // Bytes held by the rows, the dictionaries and the order.
    std::size_t MemoryUsage() const;

private:
    class Column;
    static std::int64_t SortKeyOf(const Column& column, const std::vector<std::int64_t>& textKeys,
                                  std::uint32_t storedRow);
    Column& At(int field);
    const Column& At(int field) const;

    std::vector<std::unique_ptr<Column>> columns;
    std::vector<std::uint32_t> order;
    std::size_t storedRows = 0;
};

} // namespace platform
