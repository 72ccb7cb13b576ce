#pragma once

#include "platform/DatabaseQuery.h"

#include <QString>
#include <optional>
#include <string>
#include <string_view>

class QComboBox;
class QSqlDatabase;

// The query helpers both programs share.

// The connection's errors, each on a line of its own after a CR LF:
// "错误号：<number>,错误描述：<description>". Empty without a connection or without errors.
QString GetConnectionErrors(const platform::TADOConnection* connection);

// The text as an SQL string literal: apostrophes doubled, the whole between apostrophes.
QString SqlQuote(const QString& text);

// The text as the literal of a LIKE pattern that matches it anywhere: apostrophes doubled, the
// whole between '% and %'. The pattern characters in the text keep their meaning.
QString SqlLikeQuote(const QString& text);

// Whether the connection's own schema (SQLite's main database, PostgreSQL's current_schema(),
// SQL Server's SCHEMA_NAME()) has all of Paper, Attempt and AttemptAnswer, by name in any letter
// case: the tables its statements reach. Asked of the catalogue, so that nothing of Score is read.
// Throws EDatabaseError when the catalogue cannot be read.
bool HasAttemptTables(const QSqlDatabase& database);
// Whether the own schema has all of Sitting, SittingPaper, SittingUnit, Roster and AttemptStart,
// found as HasAttemptTables finds its tables.
bool HasSittingTables(const QSqlDatabase& database);

// The SHA-256 of a paper's bytes in lower-case hex, as the Sha256 of its Paper row and the
// journal name it. A paper whose bytes do not give the hash it is stored under is not that paper.
std::string PaperSha256(std::string_view bytes);

// Closes the query, sets its SQL text and opens it; no failure escapes. True when the
// connection reports no errors afterwards and the query is open. When show is set and there
// are errors, they are shown in a box captioned "错误" with the error icon and an OK button.
bool OpenQuery(platform::TADOQuery& query, const QString& sql, bool show);

// The width the drop-down list of a combo box needs for its widest item, or nothing when the
// box is wide enough already: the item width plus 5, plus 15 for the scroll bar when the box
// holds more items than its list shows at once.
std::optional<int> DroppedWidthFor(int widestItem, int itemCount, int visibleItems, int boxWidth);

// Widens the drop-down list of the box so that its widest item fits; leaves a box without
// items alone.
void AdjustDropDownWidth(QComboBox* box);

// The UTF-8 bytes that the journal and the attempt records keep, as text.
QString Utf8Text(std::string_view text);

// Trims the characters with codes 0 to 32 from both ends, as user texts are trimmed before they
// are checked, shown, stored or compared.
QString TrimText(const QString& text);
