#pragma once

#include "platform/ClientCursor.h"
#include "platform/DatabaseConnection.h"

#include <QObject>
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>
#include <vector>

namespace platform {

// A query in the manner of an ADO query with a client-side cursor: Open runs the SQL text on
// the connection and fetches the whole result; the rows are then read, counted and re-sorted on
// the client. Rows are addressed by their position in the current order (0-based); the current
// row moves with First/Next and stays the same row when the order changes. A new row is put
// together with Append and SetFieldText and inserted by Post, with bound values.
//
// Failures throw EDatabaseError. Those of the database (a connection that does not open, a
// rejected statement, a failed post) are also collected in the connection's error collection;
// using a closed query, or sorting by an unknown field, is an error of the caller only.
class TADOQuery final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TADOQuery)

public:
    explicit TADOQuery(QObject* parent = nullptr);
    ~TADOQuery() override;

    void SetConnection(TADOConnection* connection);
    TADOConnection* Connection() const { return connection; }

    const QString& SQL() const { return sqlText; }
    void SetSQL(const QString& sql);
    void ClearSQL() { SetSQL({}); }

    bool Active() const { return active; }
    void Open();
    void Close();

    // Cursor. RecordCount and the moves need an open query.
    int RecordCount() const;
    bool IsEmpty() const { return RecordCount() == 0; }
    void First();
    void Next();
    void Prior();
    void Last();
    bool Eof() const;
    bool Bof() const;
    // The current row's position; RecordCount() when past the last row.
    int CurrentRow() const;
    void SetCurrentRow(int row);

    // Fields, by position from 0 or by name (without regard to case).
    int FieldCount() const;
    QString FieldName(int field) const;
    int FieldIndex(const QString& name) const; // -1 when there is no such field
    FieldKind KindOf(int field) const;

    // Typed values: a null value is a null QVariant of the field's type.
    QVariant Value(int row, int field) const;
    // A date-time field's value read without making a local QDateTime (nullopt for a null).
    std::optional<LocalDateTime> DateTimeValue(int row, int field) const;
    // A text field's value as UTF-8, without making a QString (nullopt for a null); valid until
    // the query closes or reopens.
    std::optional<std::string_view> TextValue(int row, int field) const;
    // The rows as the client holds them, for reading many rows at once without a check per
    // cell; empty while the query is closed, valid until it closes or reopens.
    const ClientCursor& Cursor() const { return *cursor; }
    QVariant FieldValue(int field) const; // of the current row
    QVariant FieldByName(const QString& name) const;
    // The value as the grid shows it: date-times "yyyy-MM-dd HH:mm:ss", nulls empty.
    QString DisplayText(int row, int field) const;

    // "Field ASC" or "Field DESC", several separated by commas; the empty text restores the
    // fetched order. A sort is stable over the current order. Throws for an unknown field.
    const QString& Sort() const { return sortText; }
    void SetSort(const QString& sort);

    // The new row's values are texts, converted to the fields' types when it is posted; fields
    // left unset get their database defaults. Until the query is reopened, the cursor shows them
    // empty (it does not read back what the database filled in).
    void Append();
    bool Inserting() const { return pending.has_value(); }
    void SetFieldText(int field, const QString& text);
    // Inserts the new row; a post that fails inserts nothing and keeps the row for another try.
    void Post();
    void Cancel();
    // Writes pending changes; with rows posted as they are appended, that is the appended row.
    void UpdateBatch();

    std::size_t MemoryUsage() const { return cursor->MemoryUsage(); }

signals:
    // Opening, closing and posting replace the rows: a model resets around them.
    void rowsAboutToBeReset();
    void rowsReset();
    // A sort keeps the rows but changes their positions.
    void orderAboutToChange();
    void orderChanged();

private:
    void RequireActive() const;
    void RequireCell(int row, int field) const;
    void RequireConnection() const;
    [[noreturn]] void Fail(int number, const QString& description);
    std::vector<SortKey> ParseSort(const QString& sort) const;
    QVariant ConvertForPost(int field, const QString& text);

    TADOConnection* connection = nullptr;
    QString sqlText;
    QString sortText;
    bool active = false;
    std::unique_ptr<ClientCursor> cursor;
    int position = 0;
    bool beforeFirst = true;
    std::optional<std::vector<std::optional<QString>>> pending;
};

} // namespace platform
